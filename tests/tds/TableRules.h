#pragma once

#include "tests/tds/LedgerDatabase.h"

#include <QList>
#include <QString>

// What SQL Server keeps of a ledger's columns that SQLite neither keeps nor
// enforces: an identity (here a column declared INTEGER PRIMARY KEY
// AUTOINCREMENT), a rowversion (declared ROWVERSION or TIMESTAMP, stamped on
// every insert and update) and a computed column (SQLite's generated
// columns); and the errors SQL Server gives a statement that writes one.
class TableRules
{
public:
    struct Column
    {
        QString name;
        QString declared;
        bool identity = false;
        bool rowVersion = false;
        bool computed = false;
    };
    struct Table
    {
        QString name;
        int objectId = 0;
        QList<Column> columns;
        const Column* identity() const;
    };

    // Read from the ledger's schema.
    static TableRules of(LedgerDatabase& ledger);

    // A table as a statement names it (brackets, quotes and "dbo." aside,
    // letter case ignored); null when there is none.
    const Table* find(const QString& name) const;
    const QList<Table>& tables() const { return m_tables; }

    // The failure SQL Server gives an INSERT or UPDATE that writes a column
    // the server keeps itself; an outcome that has not failed otherwise.
    // identityInsert names the table whose IDENTITY_INSERT is on, if any.
    StatementOutcome check(const QString& sql, const QString& identityInsert) const;
    // SET IDENTITY_INSERT table ON|OFF: its failure, or an outcome that has
    // not failed with identityInsert brought up to date.
    StatementOutcome setIdentityInsert(const QString& table, bool on,
                                       QString& identityInsert) const;

    // The tables a statement names, as the ledger spells them.
    QStringList named(const QString& sql) const;
    // A statement without its table hints (WITH (TABLOCKX, HOLDLOCK) and the
    // like, which SQLite does not know); exclusive tells whether a hint
    // asked for an exclusive lock.
    // holds tells whether one asked to hold a shared lock to the
    // transaction's end (HOLDLOCK, SERIALIZABLE).
    static QString withoutTableHints(const QString& sql, bool& exclusive, bool& holds);
    // Whether a statement writes (DML or DDL), for the locks.
    static bool writes(const QString& sql);

    // sys.columns' system_type_id of a declared type.
    static int systemTypeId(const QString& declared);
    // A name without its brackets, quotes and schema.
    static QString bareName(const QString& name);

private:
    StatementOutcome checkInsert(const Table& table, const QString& columnList, bool listed,
                                 const QString& identityInsert) const;
    StatementOutcome checkUpdate(const Table& table, const QString& assignments) const;

    QList<Table> m_tables;
};
