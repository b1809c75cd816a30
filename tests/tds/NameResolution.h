#pragma once

#include "tests/tds/LedgerDatabase.h"

#include <QString>

class TableRules;

// How the server finds the objects a statement names. The ledger's tables
// live in the logins' default schema: a bare name or one qualified with that
// schema finds them, another schema (dbo where the default is not dbo) does
// not. Under a case-sensitive collation a table or column name matches only
// in its exact letter case. master..sysdatabases is the server's catalog.
class NameResolution
{
public:
    NameResolution(const TableRules& rules, const QString& schema, bool caseSensitive);
    // The statement as the ledger runs it; an outcome that failed with SQL
    // Server's 208 or 207 for a name the server would not find.
    StatementOutcome resolve(QString& sql) const;

private:
    StatementOutcome qualified(QString& sql) const;
    StatementOutcome exactCase(const QString& sql) const;

    const TableRules& m_rules;
    QString m_schema;
    bool m_caseSensitive;
};
