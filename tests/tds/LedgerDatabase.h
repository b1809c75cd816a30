#pragma once

#include "tests/tds/SqlServerTypes.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>

struct sqlite3;
class TableRules;

// What one statement gave: a result (columns and rows, held whole so that
// their SQL Server types can be decided before the first row goes out), a
// count of rows changed, or SQL Server's error for what went wrong.
struct StatementOutcome
{
    bool hasResult = false;
    QStringList names;
    QList<SqlServerType> types;
    QList<QList<Cell>> rows;
    qint64 changed = 0;

    bool failed = false;
    int number = 0;
    int severity = 16;
    QString text;
    // SQL Server ends the whole batch after such an error; after others it
    // goes on with the next statement.
    bool abortsBatch = false;
    // The error cost the connection its transaction (a deadlock victim).
    bool rolledBack = false;
    // SQL Server follows the error with the message 3621, "The statement has
    // been terminated.", as it does for broken keys and constraints.
    bool terminated = false;

    static StatementOutcome error(int number, const QString& text, bool abortsBatch = true);
};

// One client's connection to a ledger file. Writes of numbers or texts into
// a column declared as a date become dates as SQL Server stores them.
class LedgerDatabase
{
public:
    // Null when the file cannot be opened as a ledger; why goes to error.
    static std::unique_ptr<LedgerDatabase> open(const QString& file, QString& error);
    // What the server says of itself and of this database: @@SERVERNAME,
    // DB_NAME(), DB_ID() and its row of the catalog a server of that version
    // has, the id and the creation date the file's own (its path and its
    // birth).
    void describeAs(const QString& serverName, const QString& catalog, const QString& file,
                    int version, const QString& collation);
    ~LedgerDatabase();
    LedgerDatabase(const LedgerDatabase&) = delete;
    LedgerDatabase& operator=(const LedgerDatabase&) = delete;

    StatementOutcome run(const QString& sql);
    // What SQL Server keeps of the ledger's columns itself (identities,
    // rowversions, computed columns), read when the file was opened.
    const TableRules& rules() const { return *m_rules; }
    // The ledger file, once described.
    const QString& file() const { return m_file; }
    // Whether a table or view of that name exists (letter case ignored).
    bool hasObject(const QString& name);

    bool inTransaction() const;
    bool begin();
    bool commit();
    void rollback();

private:
    explicit LedgerDatabase(sqlite3* db);
    void installDateConversions();
    // Every rowversion column is stamped anew on each insert and update.
    void installRowVersions();
    StatementOutcome failure(const QString& sql) const;
    StatementOutcome constraintFailure(int extended, const QString& message,
                                       const QString& sql) const;
    QString catalog() const { return QString::fromUtf8(m_constants[1]); }

    sqlite3* m_db;
    std::unique_ptr<TableRules> m_rules;
    QString m_file;
    std::array<QByteArray, 4> m_constants; // server name, database name, id, collation
};
