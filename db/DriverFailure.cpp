#include "db/DriverFailure.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <array>

namespace {

// FreeTDS: unable to connect, unknown host, connection failed, timeout,
// read and write failures, unexpected end of file, connection dead.
constexpr std::array kFreeTdsNetwork{20002, 20003, 20004, 20006, 20009, 20013, 20017, 20047};
// Microsoft's driver passes socket errors on: refused, unreachable, reset,
// timed out, host unknown; and the named-pipe "not found" numbers.
constexpr std::array kSocketNetwork{2, 53, 258, 10053, 10054, 10057, 10060, 10061, 11001, 11004};
// SQL Server: login failed for the user; a lock waited for past the lock
// time-out; chosen as a deadlock's victim.
constexpr int kLoginFailed = 18456;
constexpr int kLockTimeout = 1222;
constexpr int kDeadlockVictim = 1205;
constexpr int kTransactionEndedInTrigger = 3609;
constexpr int kErrorInTrigger = 3616;
constexpr int kFirstUserError = 50000;
// SQLite: cannot open the file; busy and locked.
constexpr int kSqliteCantOpen = 14;
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteNotADatabase = 26;
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteIoErr = 10;
constexpr int kSqliteFull = 13;

template <std::size_t N> bool among(const std::array<int, N>& numbers, int number)
{
    return std::find(numbers.begin(), numbers.end(), number) != numbers.end();
}

// Extended SQLite result codes carry the primary code in the low byte.
int sqlitePrimary(int number)
{
    return number & 0xff;
}

bool mentionsLostConnection(const QString& text)
{
    static const std::array phrases{
        QStringLiteral("communication link failure"), QStringLiteral("unexpected eof"),
        QStringLiteral("timeout expired"), QStringLiteral("connection is dead"),
        QStringLiteral("dbprocess is dead")};
    return std::any_of(phrases.begin(), phrases.end(), [&text](const QString& phrase) {
        return text.contains(phrase, Qt::CaseInsensitive);
    });
}

bool mentionsNoAnswer(const QString& text)
{
    static const std::array phrases{QStringLiteral("timeout expired"),
                                    QStringLiteral("login timeout"),
                                    QStringLiteral("tcp provider"),
                                    QStringLiteral("not found or not accessible"),
                                    QStringLiteral("communication link failure"),
                                    QStringLiteral("unable to connect"),
                                    QStringLiteral("server is unavailable")};
    return std::any_of(phrases.begin(), phrases.end(), [&text](const QString& phrase) {
        return text.contains(phrase, Qt::CaseInsensitive);
    });
}

// The quoted text of a statement that holds position at, or the statement.
QString quotedTextAround(const QString& sql, qsizetype at)
{
    const qsizetype open = sql.lastIndexOf(u'\'', at);
    const qsizetype close = sql.indexOf(u'\'', at);
    if (open < 0 || close < 0)
        return sql;
    return sql.mid(open + 1, close - open - 1);
}

} // namespace

int DriverFailure::nativeNumber(const QSqlError& error)
{
    bool ok = false;
    const int number = error.nativeErrorCode().toInt(&ok);
    return ok ? number : 0;
}

QString DriverFailure::text(const QSqlError& error)
{
    const QString database = error.databaseText().trimmed();
    return database.isEmpty() ? error.driverText().trimmed() : database;
}

Failure DriverFailure::of(const QSqlError& error, SqlDialect::Kind kind, const QString& ledgerFile)
{
    const int number = nativeNumber(error);
    const QString description = text(error);
    if (kind == SqlDialect::Kind::Sqlite && !ledgerFile.isEmpty()) {
        // Faults of the file itself: which file, that the command was undone,
        // and what the operator can do about it.
        const struct
        {
            int code;
            const char* text; // what the drivers say, in case the code is not theirs
            const char* what; // %1 the file, %2 the driver's text
            const char* todo;
        } faults[] = {
            {kSqliteReadOnly, "readonly database", "The ledger file %1 cannot be written (%2).",
             "Give your user the right to write the file and its folder, then try again."},
            {kSqliteFull, "disk is full", "The disk that holds the ledger file %1 is full (%2).",
             "Free some space on it, then try again."},
            {kSqliteIoErr, nullptr, "The ledger file %1 could not be read or written (%2).",
             "Check the disk or the network share that holds it, then try again."},
        };
        for (const auto& fault : faults) {
            if (sqlitePrimary(number) != fault.code &&
                !(fault.text &&
                  description.contains(QLatin1String(fault.text), Qt::CaseInsensitive)))
                continue;
            return Failure(number,
                           QString::fromLatin1(fault.what)
                                   .arg(QDir::toNativeSeparators(ledgerFile), description) +
                               QStringLiteral(" Nothing was changed: the command was undone.\n") +
                               QLatin1String(fault.todo));
        }
    }
    if (kind == SqlDialect::Kind::Sqlite &&
        (sqlitePrimary(number) == kSqliteBusy || sqlitePrimary(number) == kSqliteLocked)) {
        return Failure(number, QStringLiteral("The ledger is locked by another program and "
                                              "stayed locked while this one waited (") +
                                   description + u')');
    }
    if (kind == SqlDialect::Kind::SqlServer &&
        (number == kLockTimeout || number == kDeadlockVictim)) {
        // The command's transaction is rolled back (by the server for a
        // victim, by the command otherwise).
        return Failure(number,
                       QStringLiteral("Another operator is writing the ledger right now, so this "
                                      "command could not go on and nothing of it was kept. Try "
                                      "again in a moment. (") +
                           description + u')');
    }
    if (kind == SqlDialect::Kind::SqlServer && isConnectionLost(error)) {
        // The server rolls back what the command had not committed.
        return Failure(number != 0 ? number : Unspecified,
                       QStringLiteral("The server stopped answering or the connection to it was "
                                      "lost, so the command did not finish and the server kept "
                                      "nothing of it. Connect again to go on. (") +
                           description + u')');
    }
    return Failure(number != 0 ? number : Unspecified, description);
}

bool DriverFailure::isConnectionLost(const QSqlError& error)
{
    return among(kFreeTdsNetwork, nativeNumber(error)) || mentionsLostConnection(text(error));
}

Failure DriverFailure::lostAtCommit(const QSqlError& error)
{
    const int number = nativeNumber(error);
    return Failure(number != 0 ? number : Unspecified,
                   QStringLiteral("The connection to the server was lost while it was saving "
                                  "the command's changes, so whether it kept them is not known. "
                                  "Connect again and look at the ledger before you repeat the "
                                  "command. (") +
                       text(error) + u')');
}

Failure DriverFailure::atServerOpen(const QSqlError& error)
{
    const int number = nativeNumber(error);
    const QString description = text(error);
    if (number == kLoginFailed ||
        description.contains(QLatin1String("Login failed"), Qt::CaseInsensitive))
        return Failure(Failure::LoginRefused, description);
    if (among(kFreeTdsNetwork, number) || among(kSocketNetwork, number))
        return Failure(Failure::E_FAIL, description, Failure::Kind::Unreachable);
    // A timeout comes without a number of the server's.
    if ((number == 0 || number == -1) && mentionsNoAnswer(error.databaseText()))
        return Failure(Failure::E_FAIL, description, Failure::Kind::Unreachable);
    return Failure(number != 0 ? number : Unspecified, description);
}

Failure DriverFailure::atFileOpen(const QSqlError& error, const QString& file)
{
    const int number = nativeNumber(error);
    const QString description = text(error);
    if (sqlitePrimary(number) == kSqliteCantOpen)
        return Failure(Failure::E_FAIL,
                       QStringLiteral("The ledger %1 cannot be opened: %2").arg(file, description),
                       Failure::Kind::LedgerFile);
    if (sqlitePrimary(number) == kSqliteNotADatabase)
        return Failure(number, QStringLiteral("The file %1 is not a ledger (not a SQLite "
                                              "database): %2")
                                   .arg(file, description));
    return Failure(number != 0 ? number : Unspecified,
                   QStringLiteral("The ledger %1 cannot be read: %2").arg(file, description));
}

Failure DriverFailure::holdsNoTables(const QString& file)
{
    return Failure(kSqliteNotADatabase,
                   QStringLiteral("The file %1 is not a ledger: it holds no tables (%2 bytes).")
                       .arg(file)
                       .arg(QFileInfo(file).size()));
}

Failure DriverFailure::unnamedToOdbc(const QString& file)
{
    return Failure(Failure::E_FAIL,
                   QStringLiteral("The ledger file %1 cannot be named to the SQLite ODBC driver: "
                                  "its path holds a \";\".")
                       .arg(QDir::toNativeSeparators(file)),
                   Failure::Kind::LedgerFile);
}

Failure DriverFailure::refusedWrite(const Failure& failure, const QStringList& statements)
{
    static const QRegularExpression write(
        QStringLiteral("^\\s*(?:INSERT\\s+INTO|UPDATE|DELETE\\s+FROM)\\s+([\\w\\[\\].]+)"),
        QRegularExpression::CaseInsensitiveOption);
    const int number = failure.number();
    if (!(number == kTransactionEndedInTrigger || number == kErrorInTrigger ||
          number >= kFirstUserError))
        return failure;
    QStringList tables;
    for (const QString& sql : statements) {
        const QRegularExpressionMatch m = write.match(sql);
        if (m.hasMatch() && !tables.contains(m.captured(1), Qt::CaseInsensitive))
            tables.append(m.captured(1));
    }
    if (tables.isEmpty())
        return failure;
    return failure.withDescription(
        QStringLiteral("The server refused the change to %1: %2")
            .arg(tables.join(QStringLiteral(" or ")), failure.description()));
}

bool DriverFailure::isCaseSensitive(const QString& collation)
{
    return collation.contains(QLatin1String("_CS"), Qt::CaseInsensitive) ||
           collation.contains(QLatin1String("_BIN"), Qt::CaseInsensitive);
}

Failure DriverFailure::caseSensitiveNames(const QString& database, const QString& collation)
{
    return Failure(
        Failure::CaseSensitiveNames,
        QStringLiteral("The database %1 has the collation %2, under which table and column "
                       "names match only in their exact letter case. This program names the "
                       "ledger's tables and columns as the business applications do, in more "
                       "than one spelling (Acc_Opening and Acc_opening), and cannot work there. "
                       "Nothing was read from the ledger or written to it. A database of a "
                       "case-insensitive collation (_CI_) serves it.")
            .arg(database, collation));
}

Failure DriverFailure::cannotCarry(const QString& sql, qsizetype at, SqlDialect::Kind kind)
{
    const char32_t code = QChar::isHighSurrogate(sql[at].unicode()) && at + 1 < sql.size()
                              ? QChar::surrogateToUcs4(sql[at], sql[at + 1])
                              : char32_t(sql[at].unicode());
    const QString character = QString::fromUcs4(&code, 1);
    const QString why =
        kind == SqlDialect::Kind::Sqlite
            ? QStringLiteral("the SQLite ODBC driver cannot pass on unchanged (it takes "
                             "characters up to U+FFFF only)")
            : QStringLiteral("SQL Server would store as \"?\": it keeps a quoted text of a "
                             "statement in its code page, Windows-1252");
    return Failure(
        Failure::CannotCarry,
        QStringLiteral("The text '%1' holds the character \"%2\" (U+%3), which %4. "
                       "The command stopped before sending it, so nothing of it was "
                       "kept.")
            .arg(quotedTextAround(sql, at), character,
                 QStringLiteral("%1").arg(quint32(code), 4, 16, QLatin1Char('0')).toUpper(), why),
        Failure::Kind::Uncarriable);
}
