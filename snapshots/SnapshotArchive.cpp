#include "snapshots/SnapshotArchive.h"

#include "core/Failure.h"
#include "snapshots/ArchiveFile.h"
#include "snapshots/SnapshotOutcomes.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QSysInfo>
#include <optional>

#ifdef Q_OS_WIN
#include <lmcons.h>
#include <windows.h>
#endif
#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

const QString kMarker = QStringLiteral("quillhaven_snapshots");
constexpr int kVersion = 1;

Failure archiveFailure(const QString& path, const QString& what)
{
    return ArchiveFile::failure(path, what);
}

// Throws unless the file holds this program's archive tables.
void checkOurs(ArchiveFile& archive, const QString& path)
{
    QSqlQuery query(archive.db());
    if (!query.exec(QStringLiteral("SELECT version FROM ") + kMarker) || !query.next() ||
        query.value(0).toInt() != kVersion)
        throw archiveFailure(path, QStringLiteral("is no snapshot archive of this program "
                                                  "(or of another version of it)."));
}

QByteArray recordHash(const SnapshotArchive::Record& r)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const QStringList fields{QString::number(r.number),
                             r.taken.toString(Qt::ISODateWithMs),
                             r.profile,
                             r.server,
                             QString::number(r.serverClock, 'g', 17),
                             r.command,
                             r.user,
                             r.machine,
                             QString::number(r.openingRows),
                             QString::number(r.yearRows),
                             r.totals,
                             QString::fromLatin1(r.checksum),
                             QString::fromLatin1(r.previous)};
    hash.addData(fields.join(u'\x1f').toUtf8());
    return hash.result().toHex();
}

SnapshotArchive::Record recordOf(const QSqlQuery& q)
{
    SnapshotArchive::Record r;
    r.number = q.value(0).toInt();
    r.taken = QDateTime::fromString(q.value(1).toString(), Qt::ISODateWithMs);
    r.profile = q.value(2).toString();
    r.server = q.value(3).toString();
    r.serverClock = q.value(4).toDouble();
    r.command = q.value(5).toString();
    r.user = q.value(6).toString();
    r.machine = q.value(7).toString();
    r.openingRows = q.value(8).toLongLong();
    r.yearRows = q.value(9).toLongLong();
    r.totals = q.value(10).toString();
    r.checksum = q.value(11).toByteArray();
    r.previous = q.value(12).toByteArray();
    r.hash = q.value(13).toByteArray();
    return r;
}

const char* const kRecordColumns = "number, taken, profile, server, server_clock, command, "
                                   "os_user, machine, opening_rows, year_rows, totals, checksum, "
                                   "previous, hash";

} // namespace

QString SnapshotArchive::currentUser()
{
#ifdef Q_OS_WIN
    // The account Windows logged on, not what the environment claims.
    wchar_t account[UNLEN + 1];
    DWORD size = UNLEN + 1;
    if (GetUserNameW(account, &size) && size > 1)
        return QString::fromWCharArray(account, int(size - 1));
#endif
    for (const char* name : {"USER", "USERNAME", "LOGNAME"}) {
        QString user = qEnvironmentVariable(name);
        if (!user.isEmpty())
            return user;
    }
#ifdef Q_OS_UNIX
    // A service or a shell started without a login sets none of them.
    if (const passwd* entry = getpwuid(geteuid()))
        return QString::fromLocal8Bit(entry->pw_name);
#endif
    return QStringLiteral("(unknown)");
}

QString SnapshotArchive::machineName()
{
    return QSysInfo::machineHostName();
}

void SnapshotArchive::prepare()
{
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath()))
        throw archiveFailure(m_path,
                             QStringLiteral("cannot be written: its folder cannot be made."));
    ArchiveFile archive(m_path, true);
    prepare(archive);
}

void SnapshotArchive::prepare(ArchiveFile& archive)
{
    // A file that holds tables but not ours is someone else's: nothing of
    // ours goes into it.
    QSqlQuery tables = archive.run(QStringLiteral("SELECT count(*), sum(name='%1') FROM "
                                                  "sqlite_master WHERE type='table'")
                                       .arg(kMarker),
                                   QStringLiteral("cannot be read"));
    const bool empty = tables.next() && tables.value(0).toInt() == 0;
    tables.finish();
    if (empty) {
        // One transaction, so a new archive costs one write to the disk.
        ArchiveFile::Write write(archive);
        archive.run(QStringLiteral("CREATE TABLE %1(version INTEGER)").arg(kMarker),
                    QStringLiteral("cannot be written"));
        archive.run(QStringLiteral("INSERT INTO %1 VALUES(%2)").arg(kMarker).arg(kVersion),
                    QStringLiteral("cannot be written"));
        archive.run(QStringLiteral("CREATE TABLE snapshots(number INTEGER PRIMARY KEY, "
                                   "taken TEXT, profile TEXT, server TEXT, server_clock REAL, "
                                   "command TEXT, os_user TEXT, machine TEXT, opening_rows "
                                   "INTEGER, year_rows INTEGER, totals TEXT, checksum TEXT, "
                                   "previous TEXT, hash TEXT, rows BLOB)"),
                    QStringLiteral("cannot be written"));
        write.commit();
    }
    checkOurs(archive, m_path);
}

int SnapshotArchive::add(Record record, const LedgerSnapshot& snapshot)
{
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath()))
        throw archiveFailure(m_path,
                             QStringLiteral("cannot be written: its folder cannot be made."));
    ArchiveFile archive(m_path, true);
    prepare(archive);

    ArchiveFile::Write write(archive);
    QSqlQuery last = archive.run(
        QStringLiteral("SELECT number, hash FROM snapshots ORDER BY number DESC LIMIT 1"),
        QStringLiteral("cannot be read"));
    record.number = last.next() ? last.value(0).toInt() + 1 : 1;
    record.previous = last.isValid() ? last.value(1).toByteArray() : QByteArray();
    last.finish();
    record.openingRows = snapshot.openings().rows.size();
    record.yearRows = snapshot.years().rows.size();
    record.totals = snapshot.totalsText();
    const QByteArray rows = snapshot.serialize();
    record.checksum = LedgerSnapshot::checksumOf(rows);
    record.hash = recordHash(record);

    QSqlQuery insert(archive.db());
    insert.prepare(QStringLiteral("INSERT INTO snapshots VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));
    const QVariantList values{record.number,
                              record.taken.toString(Qt::ISODateWithMs),
                              record.profile,
                              record.server,
                              record.serverClock,
                              record.command,
                              record.user,
                              record.machine,
                              record.openingRows,
                              record.yearRows,
                              record.totals,
                              QString::fromLatin1(record.checksum),
                              QString::fromLatin1(record.previous),
                              QString::fromLatin1(record.hash),
                              rows};
    for (qsizetype i = 0; i < values.size(); ++i)
        insert.bindValue(int(i), values[i]);
    if (!insert.exec())
        archive.fail(QStringLiteral("cannot be written"), insert.lastError().text());
    write.commit();
    return record.number;
}

QList<SnapshotArchive::Record> SnapshotArchive::records() const
{
    ArchiveFile archive(m_path, false);
    if (!archive.exists())
        return {};
    checkOurs(archive, m_path);
    QSqlQuery q = archive.run(QStringLiteral("SELECT %1 FROM snapshots ORDER BY number DESC")
                                  .arg(QLatin1String(kRecordColumns)),
                              QStringLiteral("cannot be read"));
    QList<Record> records;
    while (q.next())
        records.append(recordOf(q));
    const QHash<int, Outcome> outcomes = SnapshotOutcomes(m_path).read();
    for (Record& record : records)
        record.outcome = outcomes.value(record.number, Outcome::Unsettled);
    return records;
}

LedgerSnapshot SnapshotArchive::load(int number) const
{
    ArchiveFile archive(m_path, false);
    if (!archive.exists())
        throw archiveFailure(m_path, QStringLiteral("does not exist: no snapshot was taken of "
                                                    "this ledger."));
    checkOurs(archive, m_path);
    QSqlQuery q = archive.run(
        QStringLiteral("SELECT rows, checksum FROM snapshots WHERE number=%1").arg(number),
        QStringLiteral("cannot be read"));
    if (!q.next())
        throw archiveFailure(m_path, QStringLiteral("holds no snapshot %1.").arg(number));
    const QByteArray rows = q.value(0).toByteArray();
    LedgerSnapshot snapshot;
    if (LedgerSnapshot::checksumOf(rows) != q.value(1).toByteArray() ||
        !LedgerSnapshot::deserialize(rows, snapshot))
        throw archiveFailure(m_path, QStringLiteral("holds snapshot %1 damaged: its rows do not "
                                                    "match their checksum.")
                                         .arg(number));
    return snapshot;
}

QString SnapshotArchive::Chain::headText() const
{
    return QStringLiteral("%1:%2").arg(head).arg(QString::fromLatin1(headHash));
}

bool SnapshotArchive::isHead(const QString& text)
{
    static const QRegularExpression head(QStringLiteral("^[1-9][0-9]*:[0-9a-fA-F]{12,64}$"));
    return head.match(text).hasMatch();
}

SnapshotArchive::Chain SnapshotArchive::verify(const QString& heldHead) const
{
    QHash<int, QByteArray> hashes;
    Chain chain = walk(hashes);
    if (!chain.intact || heldHead.isEmpty())
        return chain;
    const int number = heldHead.section(u':', 0, 0).toInt();
    const QByteArray hash = heldHead.section(u':', 1).toLatin1().toLower();
    if (number > chain.head) {
        chain.intact = false;
        chain.problem = QStringLiteral("the archive ends at snapshot %1, before snapshot %2 of the "
                                       "head you hold: snapshots were removed from its end")
                            .arg(chain.head)
                            .arg(number);
    } else if (!hashes.value(number).startsWith(hash)) {
        chain.intact = false;
        chain.problem = QStringLiteral("snapshot %1 is not the one of the head you hold: the "
                                       "archive was rebuilt from that snapshot on")
                            .arg(number);
    }
    return chain;
}

SnapshotArchive::Chain SnapshotArchive::walk(QHash<int, QByteArray>& hashes) const
{
    ArchiveFile archive(m_path, false);
    if (!archive.exists())
        return {};
    checkOurs(archive, m_path);
    QSqlQuery q = archive.run(QStringLiteral("SELECT %1, rows FROM snapshots ORDER BY number")
                                  .arg(QLatin1String(kRecordColumns)),
                              QStringLiteral("cannot be read"));
    QByteArray previous;
    int expected = 1;
    while (q.next()) {
        const Record r = recordOf(q);
        QString problem;
        if (r.number != expected)
            problem = QStringLiteral("snapshot %1 is missing").arg(expected);
        else if (r.previous != previous)
            problem = QStringLiteral("snapshot %1 does not follow the one before it").arg(r.number);
        else if (recordHash(r) != r.hash)
            problem = QStringLiteral("snapshot %1 was altered").arg(r.number);
        else if (LedgerSnapshot::checksumOf(q.value(14).toByteArray()) != r.checksum)
            problem = QStringLiteral("the rows of snapshot %1 were altered").arg(r.number);
        if (!problem.isEmpty()) {
            Chain broken;
            broken.intact = false;
            broken.problem = problem;
            return broken;
        }
        previous = r.hash;
        expected = r.number + 1;
        hashes.insert(r.number, r.hash);
    }
    Chain chain;
    chain.head = expected - 1;
    chain.headHash = previous;
    return chain;
}

QString SnapshotArchive::stateText(const Chain& chain) const
{
    const QString where =
        QStringLiteral("Snapshot archive %1: ").arg(QDir::toNativeSeparators(m_path));
    if (!chain.intact)
        return where + QStringLiteral("chain is broken: %1; none of its snapshots was used.")
                           .arg(chain.problem);
    if (chain.head == 0)
        return where + QStringLiteral("no snapshots.");
    return where + QStringLiteral("chain intact, head %1.").arg(chain.headText());
}
