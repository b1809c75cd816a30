#include "bench/YearEndBench.h"

#include "app/frmYearEnd.h"
#include "bench/BenchServer.h"
#include "bench/SqliteFloor.h"
#include "snapshots/SnapshotKeeper.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <cmath>
#include <ctime>

namespace {

long long statusKb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix(key);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

bool isRead(const QString& statement)
{
    return statement.startsWith(QLatin1String("select"), Qt::CaseInsensitive) ||
           statement.compare(QLatin1String("sproc_GetServerDate"), Qt::CaseInsensitive) == 0;
}

QString agreement(bool equal, const QString& detail)
{
    return (equal ? QStringLiteral("equal") : QStringLiteral("DIFFERENT")) + QStringLiteral(" (") +
           detail + QStringLiteral(")");
}

} // namespace

YearEndBench::YearEndBench(BenchLedger& ledger, const QString& server, BenchServer* wire,
                           const SessionOptions& options)
    : m_ledger(ledger), m_server(server), m_wire(wire), m_options(options)
{
}

YearEndBench::~YearEndBench() = default;

long long YearEndBench::peakRssKb()
{
    return statusKb("VmHWM:");
}

long long YearEndBench::rssKb()
{
    return statusKb("VmRSS:");
}

template <typename T> T* YearEndBench::control(const char* name)
{
    T* found = m_window->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("control %s not found", name);
    return found;
}

bool YearEndBench::run()
{
    m_window = std::make_unique<frmYearEnd>();
    m_window->setPrompts(&m_sink);
    m_window->context().setStatementLog(&m_log);
    m_window->context().setSessionOptions(m_options);
    m_window->show();
    QApplication::processEvents();

    auto* connectButton = control<QAbstractButton>("cmdConnect");
    auto* migrate = control<QAbstractButton>("CmdMigrate");
    auto* create = control<QAbstractButton>("cmdAccYrCreate");
    const bool ok = phase(QStringLiteral("connect"), Kind::Connect, connectButton,
                          [this] {
                              auto* pharma = control<QCheckBox>("chkPharma");
                              if (!pharma->isChecked())
                                  pharma->click();
                              auto* server = control<QLineEdit>("txtServer");
                              server->clear();
                              server->insert(m_server);
                          }) &&
                    phase(QStringLiteral("migrate"), Kind::Migrate, migrate) &&
                    phase(QStringLiteral("create year"), Kind::Create, create) &&
                    // A finished migration disables its button until the next connect;
                    // the clock now lies inside the new year, so only a connect does.
                    phase(QStringLiteral("reconnect"), Kind::Connect, connectButton) &&
                    phase(QStringLiteral("migrate again"), Kind::Migrate, migrate);
    m_window->context().setStatementLog(nullptr);
    m_window.reset();
    return ok;
}

double YearEndBench::modelBytes() const
{
    // Each cell is a QVariant in one vector; text cells add their shared
    // string block (header plus UTF-16 payload).
    GridModel& sheet = m_window->context().accounts();
    double bytes = 0;
    for (int row = 1; row <= sheet.rows(); ++row)
        for (int column = 1; column <= sheet.columns(); ++column) {
            bytes += sizeof(QVariant);
            const QVariant cell = sheet.value(column, row);
            if (cell.typeId() == QMetaType::QString)
                bytes += 24 + 2.0 * static_cast<double>(cell.toString().capacity() + 1);
        }
    return bytes;
}

bool YearEndBench::phase(const QString& name, Kind kind, QAbstractButton* button,
                         const std::function<void()>& prepare)
{
    PhaseResult r;
    r.ledger = m_ledger.size().name;
    r.phase = name;
    // Copies of the ledger at the phase's start for the floors, which the
    // wire's figures leave out.
    QStringList copies;
    if (!m_wire) {
        for (const char* floor : {"-replay", "-set", "-autocommit"})
            copies.append(m_ledger.snapshot(name + QLatin1String(floor)));
    }
    if (prepare)
        prepare();
    QApplication::processEvents();
    if (!button->isEnabled()) {
        r.check = QStringLiteral("button disabled, phase not run");
        m_results.append(r);
        return false;
    }

    GridModel& sheet = m_window->context().accounts();
    const qsizetype mark = m_log.size();
    const int rowsBefore = sheet.rows();
    const long long rssBefore = rssKb();
    const long long requestsBefore = m_wire ? m_wire->requests() : 0;
    const double snapshotBefore = SnapshotKeeper::lastMilliseconds();
    QElapsedTimer clock;
    // The program's own processor time (the test server runs apart).
    const std::clock_t cpuBefore = std::clock();
    clock.start();
    button->click();
    r.oursMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    r.cpuMs = static_cast<double>(std::clock() - cpuBefore) * 1000.0 / CLOCKS_PER_SEC;
    if (m_wire)
        r.requests = m_wire->requests() - requestsBefore;
    if (kind != Kind::Connect && SnapshotKeeper::lastMilliseconds() != snapshotBefore)
        r.snapshotMs = SnapshotKeeper::lastMilliseconds();
    r.peakRssKb = peakRssKb();
    const QStringList statements = m_log.mid(mark);
    r.statements = statements.size();
    r.messages = m_sink.take();

    double sheetClosing = 0;
    for (int row = 1; row <= sheet.rows(); ++row)
        sheetClosing += sheet.value(YearEndContext::AccBalance, row).toDouble();

    switch (kind) {
    case Kind::Connect:
        r.rows = sheet.rows();
        if (m_worksheetRows == 0 && r.rows > 0) {
            m_worksheetRows = sheet.rows();
            // The statement log grows with the phase too; it is ours, not the
            // worksheet's, so its strings are taken off the growth.
            double logBytes = 0;
            for (const QString& s : statements)
                logBytes += static_cast<double>(sizeof(QString)) + 24 +
                            2.0 * static_cast<double>(s.capacity() + 1);
            m_rssBytesPerRow = (static_cast<double>(rssKb() - rssBefore) * 1024.0 - logBytes) /
                               static_cast<double>(r.rows);
            m_modelBytesPerRow = modelBytes() / static_cast<double>(r.rows);
        }
        break;
    case Kind::Create:
        r.rows = sheet.rows() - rowsBefore;
        break;
    case Kind::Migrate:
        r.rows = SqliteFloor::openings(m_ledger.file()).rows;
        break;
    }

    if (!m_wire)
        measureFloors(r, kind, statements, copies, sheetClosing);
    m_results.append(r);
    return r.messages.isEmpty();
}

void YearEndBench::measureFloors(PhaseResult& r, Kind kind, const QStringList& statements,
                                 const QStringList& copies, double sheetClosing)
{
    r.replayMs = SqliteFloor(copies[0]).replay(statements);
    // Only where the phase is reads (its two year writes aside): a write per
    // transaction would time the disk's syncs.
    if (kind != Kind::Migrate)
        r.autocommitMs = SqliteFloor(copies[2]).replay(statements, false);

    SqliteFloor set(copies[1]);
    if (kind == Kind::Migrate) {
        // The clock stands after the last stored year until a new one exists.
        const bool created = m_results.size() > 1;
        r.setMs = set.migrate(created ? m_ledger.size().years + 1 : 0);
        r.setRows = set.rows();
        const SqliteFloor::Figures ours = SqliteFloor::openings(m_ledger.file());
        const SqliteFloor::Figures theirs = SqliteFloor::openings(copies[1]);
        const long long differing = SqliteFloor::mismatches(m_ledger.file(), copies[1]);
        // The replay ran the very texts, so its table must match ours bit for bit.
        const long long replayDiffering = SqliteFloor::mismatches(m_ledger.file(), copies[0], true);
        r.check =
            agreement(ours.rows == theirs.rows && differing == 0 && replayDiffering == 0 &&
                          std::abs(ours.opening - theirs.opening) < 0.005 &&
                          std::abs(ours.closing - theirs.closing) < 0.005 &&
                          ours.creditSides == theirs.creditSides,
                      QStringLiteral("%1 rows, openings %2, closings %3, %4 rows differ, replay %5")
                          .arg(theirs.rows)
                          .arg(theirs.opening, 0, 'f', 2)
                          .arg(theirs.closing, 0, 'f', 2)
                          .arg(differing)
                          .arg(replayDiffering));
    } else {
        if (kind == Kind::Connect) {
            r.setMs = set.balances();
        } else {
            QStringList writes;
            for (const QString& s : statements)
                if (!isRead(s))
                    writes.append(s);
            r.setMs = set.createYear(writes);
        }
        r.setRows = set.rows();
        r.check = agreement(set.rows() == m_window->context().accounts().rows() &&
                                std::abs(set.closingSum() - sheetClosing) < 0.005,
                            QStringLiteral("%1 rows, closings %2")
                                .arg(set.rows())
                                .arg(set.closingSum(), 0, 'f', 2));
    }
}
