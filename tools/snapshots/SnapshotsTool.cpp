#include "tools/snapshots/SnapshotsTool.h"

#include "core/Failure.h"
#include "snapshots/SnapshotOutcomes.h"
#include "tools/common/LedgerChoice.h"

#include <QCommandLineParser>
#include <QDir>

namespace {

const char* const kDescription =
    "Before every write of Migrate Accounts or Create Accounting Year, Quillhaven keeps a\n"
    "snapshot of Acc_Opening and Acc_Accounting_Year in an archive of the ledger's own in the\n"
    "user's data folder (here %1). This tool connects to the ledger that --profile\n"
    "and --server name, as the window names it, and works on its archive: every name that\n"
    "reaches the same ledger (a file by its path, a SQL Server database by what the server\n"
    "says it is) finds the same archive.\n"
    "\n"
    "Commands:\n"
    "  list       the snapshots, newest first: number, when (UTC), who, command, rows and\n"
    "             checksum; whether the archive's chain is intact (each snapshot carries\n"
    "             the hash of the one before it, so one removed or altered shows) and its\n"
    "             head. A chain cannot show its own end cut off: note the head, and a later\n"
    "             list --head N:HASH shows that nothing up to it was removed or altered\n"
    "  diff N     what changed in the two tables between snapshot N and the ledger now:\n"
    "             rows added, removed and changed, the largest changes first\n"
    "  restore N  puts both tables back exactly as snapshot N holds them, in one transaction,\n"
    "             after keeping a snapshot of the ledger as it is (so a restore can be undone\n"
    "             too); refuses when a table no longer has a column the snapshot holds\n"
    "diff and restore refuse an archive whose chain is broken.\n"
    "\n"
    "Exit status: 0 done, 1 the archive's chain is broken, 2 a failure or bad arguments.";

QString shortHash(const QByteArray& hash)
{
    return QString::fromLatin1(hash.left(12));
}

} // namespace

int SnapshotsTool::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QString::fromLatin1(kDescription).arg(QDir::toNativeSeparators(ArchiveLocation::folder())));
    LedgerChoice ledger;
    const QCommandLineOption head = LedgerChoice::headOption("list");
    parser.addOption(head);
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("list, diff N or restore N"));
    if (const std::optional<int> done = ledger.parse(parser, arguments, m_out, m_err))
        return *done;
    m_profile = ledger.profileName();
    m_profileId = ledger.profile();
    m_server = ledger.server();
    if (!LedgerChoice::readHead(parser, head, m_head, m_err))
        return 2;
    const QStringList words = parser.positionalArguments();
    const QString command = words.value(0);
    bool numbered = false;
    const int number = words.value(1).toInt(&numbered);
    const bool known = (command == QLatin1String("list") && words.size() == 1) ||
                       ((command == QLatin1String("diff") || command == QLatin1String("restore")) &&
                        words.size() == 2 && numbered && number > 0);
    if (!known) {
        m_err << "give one command: list, diff N or restore N, N a snapshot's number (see "
                 "--help)"
              << Qt::endl;
        return 2;
    }
    try {
        // The archive is the ledger's own, whatever name reached it: the
        // ledger says what it is.
        m_books.open(m_profileId, m_server);
        if (command == QLatin1String("list"))
            return list();
        // A broken chain may hide an altered snapshot: nothing is read from it.
        const SnapshotArchive::Chain chain = m_books.chain();
        if (!chain.intact) {
            m_err << "The archive's chain is broken: " << chain.problem
                  << ". Nothing was read from it." << Qt::endl;
            return 1;
        }
        if (command == QLatin1String("diff"))
            return diff(number);
        return restore(number);
    } catch (const Failure& failure) {
        m_err << failure.text() << Qt::endl;
        return 2;
    }
}

int SnapshotsTool::list()
{
    const AuditBooks::Snapshots snapshots = m_books.snapshots(m_head);
    const SnapshotArchive::Chain& chain = snapshots.chain;
    m_out << "Snapshots of " << m_profile << " on " << m_server << " in "
          << QDir::toNativeSeparators(m_books.archive().path()) << ": " << snapshots.records.size()
          << ", chain "
          << (chain.intact ? QStringLiteral("intact") : QStringLiteral("BROKEN: ") + chain.problem)
          << Qt::endl;
    if (chain.intact && chain.head > 0)
        m_out << "Head " << chain.headText() << " (note it: a later list --head "
              << chain.headText() << " shows that nothing up to it was removed or altered)"
              << Qt::endl;
    for (const SnapshotArchive::Record& r : snapshots.records)
        m_out << r.number << "  " << r.taken.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
              << " UTC  " << r.user << '@' << r.machine << "  " << r.command << " ("
              << SnapshotOutcomes::text(r.outcome) << ")  " << r.openingRows << " openings, "
              << r.yearRows << " years  checksum " << shortHash(r.checksum) << Qt::endl;
    return chain.intact ? 0 : 1;
}

int SnapshotsTool::diff(int number)
{
    const QList<SnapshotDiff::Change> changes = m_books.changesSince(number);
    m_out << "Snapshot " << number << " against the ledger now: " << changes.size()
          << (changes.size() == 1 ? " change" : " changes") << Qt::endl;
    for (const SnapshotDiff::Change& change : changes)
        m_out << SnapshotDiff::line(change) << Qt::endl;
    return 0;
}

int SnapshotsTool::restore(int number)
{
    const int kept = m_books.restore(number);
    m_out << "Restored snapshot " << number << ". The ledger as it was before is snapshot " << kept
          << '.' << Qt::endl;
    return 0;
}
