// The archive is the ledger's own: every name that reaches the same ledger
// finds the same snapshots, an archive kept by the name as typed is taken
// over, and a chain whose end was cut or whose record was altered stops the
// tools that would rely on it.

#include "core/Failure.h"
#include "db/Profile.h"
#include "db/Session.h"
#include "snapshots/SnapshotArchive.h"
#include "tests/support/LedgerFixture.h"
#include "tests/support/LedgerRoad.h"
#include "tests/support/WindowDriver.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

std::string str(const QString& text)
{
    return text.toStdString();
}

class ArchiveKey : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override
    {
        ledger.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                      QStringLiteral("--accounts"), QStringLiteral("3"), QStringLiteral("--years"),
                      QStringLiteral("2"), QStringLiteral("--server-date"),
                      QStringLiteral("2008-04-10T09:30")});
        server = road.serverName(ledger.folder());
    }
    // The same ledger by other names: another spelling of the scheme, a
    // trailing separator, the host by its name instead of its address.
    QStringList otherNames() const
    {
        if (road.isTds())
            return {
                QString(server).replace(QLatin1String("127.0.0.1"), QLatin1String("localhost"))};
        const QString scheme = QString::fromLatin1(GetParam());
        return {scheme.toUpper() + u':' + ledger.folder(), scheme + u':' + ledger.folder() + u'/',
                scheme + u':' + QDir(ledger.folder()).filePath(QStringLiteral("."))};
    }
    SnapshotArchive archiveBy(const QString& name) const
    {
        Session session;
        Profile::connect(session, Profile::Id::Dosavine, name);
        return SnapshotArchive::of(
            ArchiveLocation::ledgerOf(session, QStringLiteral("Dosavine"), name));
    }

    LedgerFixture ledger;
    LedgerRoad road{QString::fromLatin1(GetParam())};
    QString server;
};

TEST_P(ArchiveKey, EveryNameOfTheLedgerFindsItsSnapshots)
{
    WindowDriver window(server);
    ASSERT_TRUE(window.connect() && window.migrate()) << str(window.messages());
    const QString path = archiveBy(server).path();
    ASSERT_EQ(archiveBy(server).records().size(), 1);
    for (const QString& name : otherNames()) {
        EXPECT_EQ(archiveBy(name).path(), path) << str(name);
        EXPECT_EQ(archiveBy(name).records().size(), 1) << str(name);
    }

    // An archive kept by the name as typed, before archives were keyed by
    // the ledger, is taken over with its chain; the old file stays.
    const QString named = ArchiveLocation::namedPathFor(QStringLiteral("Dosavine"), server);
    ASSERT_TRUE(QFile::rename(path, named));
    EXPECT_EQ(archiveBy(server).records().size(), 1);
    EXPECT_TRUE(archiveBy(server).verify().intact);
    EXPECT_TRUE(QFile::exists(named));
    ASSERT_TRUE(window.connect() && window.migrate()) << str(window.messages());
    EXPECT_EQ(archiveBy(server).records().size(), 2);
    EXPECT_EQ(SnapshotArchive(named).records().size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Roads, ArchiveKey, ::testing::ValuesIn(LedgerRoad::names()));

struct ToolRun
{
    int exit = -1;
    QString output;
};

ToolRun runTool(const char* tool, const QString& server, const QStringList& command)
{
    const LedgerFixture::ToolRun run = LedgerFixture::runProgram(
        QString::fromUtf8(tool),
        QStringList{QStringLiteral("--profile"), QStringLiteral("dosavine"),
                    QStringLiteral("--server"), server} +
            command);
    return {run.exitCode, run.output + run.errors};
}

// A chain cannot show its own end cut off, but the head an auditor noted
// can; a record whose who and when were altered stops every tool that would
// use the archive.
TEST(ArchiveChain, TheHeadShowsACutAndAnAlteredRecordStopsTheTools)
{
    LedgerFixture ledger;
    ledger.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                  QStringLiteral("--accounts"), QStringLiteral("3"), QStringLiteral("--years"),
                  QStringLiteral("2"), QStringLiteral("--server-date"),
                  QStringLiteral("2008-04-10T09:30")});
    WindowDriver window(ledger.serverName());
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(window.connect() && window.migrate()) << str(window.messages());

    const ToolRun listed =
        runTool(QH_SNAPSHOTS_TOOL, ledger.serverName(), {QStringLiteral("list")});
    EXPECT_EQ(listed.exit, 0) << str(listed.output);
    const qsizetype at = listed.output.indexOf(QLatin1String("Head 2:"));
    ASSERT_GE(at, 0) << str(listed.output);
    const QString head = listed.output.mid(at + 5).section(u' ', 0, 0);
    EXPECT_EQ(runTool(QH_SNAPSHOTS_TOOL, ledger.serverName(),
                      {QStringLiteral("list"), QStringLiteral("--head"), head})
                  .exit,
              0);
    const ToolRun report = runTool(QH_CLOSE_TOOL, ledger.serverName(), {QStringLiteral("verify")});
    EXPECT_TRUE(report.output.contains(QLatin1String("head ") + head)) << str(report.output);

    Session session;
    Profile::connect(session, Profile::Id::Dosavine, ledger.serverName());
    const QString path = ArchiveLocation::pathFor(
        ArchiveLocation::ledgerOf(session, QStringLiteral("Dosavine"), ledger.serverName()));
    LedgerFixture::executeOn(path, {QStringLiteral("DELETE FROM snapshots WHERE number=2")});
    const ToolRun cut = runTool(QH_SNAPSHOTS_TOOL, ledger.serverName(),
                                {QStringLiteral("list"), QStringLiteral("--head"), head});
    EXPECT_EQ(cut.exit, 1);
    EXPECT_TRUE(cut.output.contains(QLatin1String("snapshots were removed from its end")))
        << str(cut.output);

    LedgerFixture::executeOn(path, {QStringLiteral("UPDATE snapshots SET os_user='someone else' "
                                                   "WHERE number=1")});
    for (const QStringList& command :
         {QStringList{QStringLiteral("diff"), QStringLiteral("1")},
          QStringList{QStringLiteral("restore"), QStringLiteral("1")}}) {
        const ToolRun refused = runTool(QH_SNAPSHOTS_TOOL, ledger.serverName(), command);
        EXPECT_EQ(refused.exit, 1) << str(refused.output);
        EXPECT_TRUE(
            refused.output.contains(QLatin1String("chain is broken: snapshot 1 was altered")))
            << str(refused.output);
    }
    const ToolRun proof = runTool(QH_CLOSE_TOOL, ledger.serverName(), {QStringLiteral("verify")});
    EXPECT_EQ(proof.exit, 1) << str(proof.output);
    EXPECT_TRUE(proof.output.contains(QLatin1String("chain is broken"))) << str(proof.output);
}

} // namespace

#ifdef Q_OS_WIN
// Who took a snapshot is the account Windows logged on, whatever the
// environment claims.
TEST(SnapshotUser, TheWindowsAccountNotTheEnvironment)
{
    const QByteArray savedUser = qgetenv("USER");
    const QByteArray savedUserName = qgetenv("USERNAME");
    qputenv("USER", "mallory");
    qputenv("USERNAME", "mallory");
    const QString user = SnapshotArchive::currentUser();
    qputenv("USER", savedUser);
    qputenv("USERNAME", savedUserName);
    EXPECT_NE(user, QStringLiteral("mallory"));
    EXPECT_NE(user, QStringLiteral("(unknown)"));
    EXPECT_FALSE(user.isEmpty());
}
#endif
