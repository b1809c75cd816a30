#pragma once

#include <QList>
#include <QString>

// One statement of a SQL batch and what the server makes of it: most go to
// the ledger as they are; transaction statements, SET options, a few
// @@-variables and calls of a procedure by its bare name are the server's own.
struct BatchStatement
{
    enum class Kind
    {
        Ledger,
        Procedure, // name: "EXEC name" or the bare name
        Begin,
        Commit,
        Rollback,
        CommitIfOpen,   // IF @@TRANCOUNT > 0 COMMIT [BEGIN TRANSACTION]
        RollbackIfOpen, // IF @@TRANCOUNT > 0 ROLLBACK [BEGIN TRANSACTION]
        ImplicitOn,
        ImplicitOff,
        NoCountOn,
        NoCountOff,
        IdentityInsert, // name: the table; on: ON or OFF
        LockTimeout,    // name: the milliseconds, -1 for no limit
        Set,            // any other SET: accepted, changes nothing
        Variable        // SELECT @@SPID and the like; name holds the variable
    };

    Kind kind = Kind::Ledger;
    QString text;
    QString name;
    // CommitIfOpen / RollbackIfOpen followed by BEGIN TRANSACTION.
    bool beginsAgain = false;
    bool on = false;

    // The statements of a batch: split at ";" outside quotes, brackets and
    // comments, blank ones left out.
    static QList<BatchStatement> split(const QString& batch);
    static BatchStatement classify(const QString& text);
    // The statement as SQL Server runs it: a quoted text without the N of a
    // Unicode literal is taken in the server's code page first, so what the
    // code page lacks becomes "?".
    static QString withCodePageLiterals(const QString& text);
};
