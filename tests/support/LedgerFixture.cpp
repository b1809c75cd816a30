#include "tests/support/LedgerFixture.h"

#include "db/SqliteFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <functional>
#include <stdexcept>

namespace {

[[noreturn]] void fail(const QString& message)
{
    throw std::runtime_error(message.toStdString());
}

// Runs work on a connection of its own to an existing file; the connection is
// closed and removed afterwards whatever happens.
void withConnection(const QString& file, const std::function<void(QSqlDatabase&)>& work)
{
    if (!QFileInfo::exists(file))
        fail(QStringLiteral("no ledger file %1").arg(file));
    SqliteFile ledger(file, SqliteFile::Mode::ReadWrite);
    if (!ledger.open())
        fail(QStringLiteral("cannot open %1: %2").arg(file, ledger.error()));
    work(ledger.db());
}

void run(QSqlQuery& query, const QString& sql)
{
    if (!query.exec(sql))
        fail(QStringLiteral("%1 (%2)").arg(query.lastError().text(), sql));
}

// Every test program keeps its snapshot archives in a folder of its own,
// gone with it, never in the user's data folder.
struct TestDataFolder
{
    QTemporaryDir dir;
    TestDataFolder() { qputenv(LedgerFixture::dataFolderVariable(), dir.path().toLocal8Bit()); }
};
const TestDataFolder g_dataFolder;

} // namespace

const char* LedgerFixture::dataFolderVariable()
{
#ifdef Q_OS_WIN
    // Windows names no data folder in its environment.
    return "QUILLHAVEN_DATA";
#else
    return "XDG_DATA_HOME";
#endif
}

LedgerFixture::LedgerFixture()
{
    if (!m_dir.isValid())
        fail(QStringLiteral("cannot create a temporary folder: %1").arg(m_dir.errorString()));
}

QString LedgerFixture::folder() const
{
    return m_dir.path();
}

QString LedgerFixture::serverName() const
{
    return QStringLiteral("sqlite:") + folder();
}

QString LedgerFixture::path(const QString& database) const
{
    if (database.contains(QLatin1Char('/')))
        return database;
    return QDir(folder()).filePath(database + QStringLiteral(".db"));
}

void LedgerFixture::build(const QStringList& arguments)
{
    const ToolRun result = runTool(
        QStringList{QStringLiteral("--dir"), folder(), QStringLiteral("--force")} + arguments);
    if (result.exitCode != 0)
        fail(QStringLiteral("quillhaven-ledger %1 failed (%2): %3")
                 .arg(arguments.join(QLatin1Char(' ')))
                 .arg(result.exitCode)
                 .arg(result.errors));
}

QString LedgerFixture::toolPath()
{
    return QString::fromUtf8(QH_LEDGER_TOOL);
}

LedgerFixture::ToolRun LedgerFixture::runTool(const QStringList& arguments)
{
    return runProgram(toolPath(), arguments);
}

LedgerFixture::ToolRun LedgerFixture::runProgram(const QString& program,
                                                 const QStringList& arguments)
{
    QProcess process;
    // Text mode: a Windows program's line ends read as "\n".
    process.start(program, arguments, QIODevice::ReadWrite | QIODevice::Text);
    if (!process.waitForStarted())
        fail(QStringLiteral("cannot start %1: %2").arg(program, process.errorString()));
    // The largest ledgers take seconds; this only guards against a hang.
    if (!process.waitForFinished(10 * 60 * 1000)) {
        process.kill();
        process.waitForFinished();
        fail(QStringLiteral("%1 did not finish").arg(program));
    }
    ToolRun result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.errors = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

void LedgerFixture::execute(const QString& sql, const QString& database) const
{
    executeOn(path(database), {sql});
}

void LedgerFixture::execute(const QStringList& statements, const QString& database) const
{
    executeOn(path(database), statements);
}

QList<QVariantList> LedgerFixture::rows(const QString& sql, const QString& database) const
{
    return rowsOf(path(database), sql);
}

QVariant LedgerFixture::value(const QString& sql, const QString& database) const
{
    const QList<QVariantList> all = rows(sql, database);
    if (all.isEmpty() || all.first().isEmpty())
        return {};
    return all.first().first();
}

QStringList LedgerFixture::writtenTables(const QString& openingsOrder,
                                         const QString& database) const
{
    QStringList lines;
    for (const QString& sql :
         {QStringLiteral("SELECT quote(AccId)||'|'||quote(AccYearID)||'|'||quote(Opening)||'|'||"
                         "quote(OpeningType)||'|'||quote(Closing)||'|'||quote(ClosingType) FROM "
                         "Acc_Opening ORDER BY ") +
              openingsOrder,
          QStringLiteral("SELECT quote(AccYearID)||'|'||quote(Acc_Yr_Start)||'|'||"
                         "quote(Acc_Yr_End)||'|'||quote(Active) FROM Acc_Accounting_Year ORDER BY "
                         "AccYearID")}) {
        for (const QVariantList& row : rows(sql, database))
            lines.append(row.value(0).toString());
        lines.append(QStringLiteral("--"));
    }
    return lines;
}

QByteArray LedgerFixture::bytes(const QString& database) const
{
    return fileBytes(path(database));
}

QByteArray LedgerFixture::hash(const QString& database) const
{
    return fileHash(path(database));
}

void LedgerFixture::executeOn(const QString& file, const QStringList& statements)
{
    withConnection(file, [&](QSqlDatabase& db) {
        const bool several = statements.size() > 1;
        if (several && !db.transaction())
            fail(db.lastError().text());
        QSqlQuery query(db);
        for (const QString& sql : statements)
            run(query, sql);
        query.finish();
        if (several && !db.commit())
            fail(db.lastError().text());
    });
}

QList<QVariantList> LedgerFixture::rowsOf(const QString& file, const QString& sql)
{
    QList<QVariantList> result;
    withConnection(file, [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        run(query, sql);
        const int columns = query.record().count();
        while (query.next()) {
            QVariantList row;
            row.reserve(columns);
            for (int c = 0; c < columns; ++c)
                row.append(query.value(c));
            result.append(row);
        }
    });
    return result;
}

QByteArray LedgerFixture::fileBytes(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1: %2").arg(file, in.errorString()));
    return in.readAll();
}

QByteArray LedgerFixture::fileHash(const QString& file)
{
    return QCryptographicHash::hash(fileBytes(file), QCryptographicHash::Sha256).toHex();
}
