#pragma once

#include "tests/tds/LedgerDatabase.h"

#include <QList>
#include <QString>
#include <QStringList>

// The T-SQL triggers a vendor or a DBA put on a ledger's tables. They are
// kept in the ledger file (table qh_triggers, as CREATE TRIGGER left them),
// so every connection to it has them, and run after the statement that
// fires them, with SQL Server's inserted and deleted tables.
//
// A body is a list of statements separated by ";", each one of: SET NOCOUNT
// ON|OFF; RAISERROR('text', severity, state); THROW number, 'text', state;
// ROLLBACK [TRANSACTION]; IF EXISTS (query) followed by one of these; or a
// statement the ledger runs as it stands (an INSERT ... SELECT ... FROM
// inserted, a SELECT).
class ServerTriggers
{
public:
    struct Step
    {
        enum class Kind
        {
            NoCountOn,
            NoCountOff,
            RaisError,
            Throw,
            Rollback,
            Ledger
        };
        Kind kind = Kind::Ledger;
        QString condition; // a query: the step runs only when it has a row
        QString text;      // the message, or the statement
        int number = 50000;
        int severity = 16;
    };
    struct Trigger
    {
        QString name;
        QString table; // as the ledger spells it
        QStringList events;
        QList<Step> steps;
    };

    // Reads the ledger's triggers and prepares their tables on this
    // connection.
    explicit ServerTriggers(LedgerDatabase& ledger);

    // Whether a batch is CREATE TRIGGER or DROP TRIGGER, which SQL Server
    // takes only as a batch of its own.
    static bool isDefinition(const QString& batch);
    StatementOutcome define(const QString& batch);

    // The triggers a write statement fires, in the order they were
    // created; table and event (INSERT, UPDATE or DELETE) are set when
    // there are any. Their inserted and deleted tables are emptied.
    QList<Trigger> firedBy(const QString& sql, QString& table, QString& event);
    // After the statement ran: SQL Server's deleted table of an INSERT is
    // empty whatever the ledger's own conversions rewrote.
    void settle(const QString& table, const QString& event);

private:
    void load();
    void capture(const QString& table);
    static QList<Step> stepsOf(const QString& body, const QString& table);
    static Step stepOf(const QString& statement, const QString& table);

    LedgerDatabase& m_ledger;
    QList<Trigger> m_triggers;
    QStringList m_captured;
};
