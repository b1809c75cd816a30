#include "tools/ledger/LedgerBuilder.h"

#include "core/Failure.h"
#include "core/Texts.h"
#include "db/SqliteFile.h"
#include "tools/ledger/LedgerData.h"
#include "tools/ledger/LedgerSchema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <cerrno>
#include <cstdio>
#include <cstring>
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

void removeIfPresent(const QString& path)
{
    if (QFileInfo::exists(path) && !QFile::remove(path))
        throw Failure(Failure::LedgerToolFailed, QStringLiteral("cannot remove %1").arg(path));
}

} // namespace

LedgerBuilder::LedgerBuilder(const LedgerOptions& options) : m_options(options) {}

QString LedgerBuilder::ledgerPath(const QString& folder, const QString& database)
{
    return QDir(folder).filePath(database + QStringLiteral(".db"));
}

void LedgerBuilder::build()
{
    if (!QDir().mkpath(m_options.folder()))
        throw Failure(Failure::LedgerToolFailed,
                      QStringLiteral("cannot create the folder %1").arg(m_options.folder()));
    // Refuse before building anything, so a refusal leaves no file changed.
    if (!m_options.force()) {
        for (const QString& database : m_options.databases()) {
            const QString target = ledgerPath(m_options.folder(), database);
            if (QFileInfo::exists(target))
                throw Failure(
                    1, QStringLiteral("%1 exists already; add --force to replace it").arg(target));
        }
    }
    for (const QString& database : m_options.databases())
        buildOne(database);
}

void LedgerBuilder::buildOne(const QString& database)
{
    const QString target = ledgerPath(m_options.folder(), database);
    const QString building = QDir(m_options.folder())
                                 .filePath(QStringLiteral(".%1.db.building-%2")
                                               .arg(database)
                                               .arg(QCoreApplication::applicationPid()));
    removeIfPresent(building);
    try {
        fill(building, database);
        replace(building, target);
    } catch (...) {
        QFile::remove(building);
        throw;
    }
    if (m_options.empty())
        m_summary.append(QStringLiteral("%1: empty ledger").arg(target));
    else
        m_summary.append(QStringLiteral("%1: %2, %3 from 1 April %4, %5")
                             .arg(target,
                                  Texts::counted(m_options.accounts(), "account", "accounts"),
                                  Texts::counted(m_options.years(), "year", "years"))
                             .arg(m_options.firstYear())
                             .arg(Texts::counted(m_options.postings(), "posting", "postings")));
}

void LedgerBuilder::fill(const QString& file, const QString& database)
{
    SqliteFile ledger(file, SqliteFile::Mode::ReadWrite);
    if (!ledger.open())
        throw Failure(Failure::LedgerToolFailed,
                      QStringLiteral("cannot create %1: %2").arg(file, ledger.error()));
    QSqlDatabase& db = ledger.db();
    LedgerSchema schema(db);
    schema.prepareForBuilding();
    if (!db.transaction())
        throw Failure(Failure::LedgerToolFailed, db.lastError().text());
    LedgerSchema::ColumnTypes types;
    types.yearDate = m_options.yearDateType();
    types.amount = m_options.amountType();
    types.yearIdIdentity = m_options.yearIdIdentity();
    schema.createTables(types);
    schema.createClock(m_options.serverDate());
    if (!m_options.empty()) {
        LedgerData::Shape shape;
        shape.accounts = m_options.accounts();
        shape.years = m_options.years();
        shape.postings = m_options.postings();
        shape.firstYear = m_options.firstYear();
        shape.seed = m_options.seed();
        shape.balancedOpenings = m_options.balancedOpenings();
        shape.yearDatesAsDates = m_options.yearDateType() != QLatin1String("REAL");
        LedgerData(db, database, shape).write();
    }
    schema.createIndexes();
    if (!db.commit())
        throw Failure(Failure::LedgerToolFailed, db.lastError().text());
    schema.finishBuilding();
}

void LedgerBuilder::replace(const QString& from, const QString& to)
{
    // A journal left beside the old file belongs to it; next to the new file
    // SQLite would take it as a crashed transaction and roll it back into
    // the new data.
    for (const char* suffix : {"-journal", "-wal", "-shm"})
        removeIfPresent(to + QLatin1String(suffix));
        // The new file takes the old one's place in one step; QFile::rename
        // would refuse, and so does rename() on Windows.
#ifdef Q_OS_WIN
    if (!MoveFileExW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(from).utf16()),
                     reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(to).utf16()),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw Failure(Failure::LedgerToolFailed,
                      QStringLiteral("cannot move %1 to %2: Windows error %3")
                          .arg(from, to)
                          .arg(GetLastError()));
#else
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        throw Failure(Failure::LedgerToolFailed,
                      QStringLiteral("cannot move %1 to %2: %3")
                          .arg(from, to, QString::fromLocal8Bit(std::strerror(errno))));
#endif
}
