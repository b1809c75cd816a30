#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

// A folder of ledgers for one test, built with the ledger tool, and plain
// access to the files. Every SQL call opens its own connection and closes it
// before returning, so the file is never held open behind the program's back.
// Failures throw std::runtime_error with the tool's or the driver's text.
class LedgerFixture
{
public:
    struct ToolRun
    {
        int exitCode = -1;
        QString output;
        QString errors;
    };

    // Creates an empty temporary folder, removed with the fixture.
    LedgerFixture();
    LedgerFixture(const LedgerFixture&) = delete;
    LedgerFixture& operator=(const LedgerFixture&) = delete;

    // Builds ledgers into the folder, replacing any there: the tool runs with
    // --dir FOLDER --force followed by the arguments given.
    void build(const QStringList& arguments = {});

    QString folder() const;
    // The name to type as the server: "sqlite:FOLDER".
    QString serverName() const;
    // The file of a database ("Dosavine" or "Bindwell") in the folder; a
    // text holding a "/" is taken as a file path as it is.
    QString path(const QString& database = QStringLiteral("Dosavine")) const;

    // Runs statements on a ledger, in one transaction when there are several.
    void execute(const QString& sql, const QString& database = QStringLiteral("Dosavine")) const;
    void execute(const QStringList& statements,
                 const QString& database = QStringLiteral("Dosavine")) const;
    // A query's rows, each a list of its column values as the driver gives them.
    QList<QVariantList> rows(const QString& sql,
                             const QString& database = QStringLiteral("Dosavine")) const;
    // The first column of the first row; an invalid QVariant without a row.
    QVariant value(const QString& sql, const QString& database = QStringLiteral("Dosavine")) const;

    // Acc_Opening (in the order given) and Acc_Accounting_Year (by id), each
    // value as SQLite quotes it, so that type and bits show; a line a row,
    // "--" after each table.
    QStringList writtenTables(const QString& openingsOrder = QStringLiteral("rowid"),
                              const QString& database = QStringLiteral("Dosavine")) const;

    // The file's bytes and their SHA-256 (hex), for unchanged-file checks.
    QByteArray bytes(const QString& database = QStringLiteral("Dosavine")) const;
    QByteArray hash(const QString& database = QStringLiteral("Dosavine")) const;

    // The same for any SQLite file.
    static void executeOn(const QString& file, const QStringList& statements);
    static QList<QVariantList> rowsOf(const QString& file, const QString& sql);
    static QByteArray fileBytes(const QString& file);
    static QByteArray fileHash(const QString& file);

    // The ledger tool itself, run with exactly the arguments given.
    static QString toolPath();
    static ToolRun runTool(const QStringList& arguments);
    // Any of the project's programs the same way.
    static ToolRun runProgram(const QString& program, const QStringList& arguments);
    // The environment variable that names the user's data folder, which
    // each test program points at a folder of its own.
    static const char* dataFolderVariable();

private:
    QTemporaryDir m_dir;
};
