// The year-end an auditor can read: the check finds each fault of the books
// with its count and nothing on clean ones, the preview is exactly what the
// following migration does, and the proof finds nothing after a migration
// and every row altered behind its back; on every road.

#include "tests/unit/CloseFixture.h"

#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

TEST_P(Close, CleanBooksHaveNothingToFindBeforeAndAfterTheYearEnd)
{
    const QList<LedgerCheck::Finding> before = check();
    EXPECT_TRUE(before.isEmpty()) << str(all(before));
    ASSERT_TRUE(window().connect()) << str(window().messages());
    ASSERT_TRUE(window().migrate()) << str(window().messages());
    ASSERT_TRUE(window().createYear()) << str(window().messages());
    ASSERT_TRUE(window().connect()) << str(window().messages());
    ASSERT_TRUE(window().migrate()) << str(window().messages());

    const QList<LedgerCheck::Finding> after = check();
    EXPECT_TRUE(after.isEmpty()) << str(all(after));
    const MigrationVerify::Result proof = verify();
    // The newest snapshot of a migration: the third (the year creation's is the second).
    EXPECT_TRUE(proof.basis.startsWith(QStringLiteral("snapshot 3, kept before Migrate Accounts")))
        << str(proof.basis);
    EXPECT_TRUE(proof.differences.isEmpty()) << str(MigrationVerify::text(proof));
    // A second migration would change nothing.
    load();
    const QList<OpeningRow> now = openingsNow();
    EXPECT_TRUE(OpeningRows::compare(loaded->dialect(), now, MigrationPreview(*loaded).rowsAfter())
                    .isEmpty());
}

TEST_P(Close, EveryFaultOfTheBooksIsFoundWithItsCount)
{
    const QString group = ledger
                              .value(QStringLiteral("SELECT min(AccountID) FROM Acc_Master "
                                                    "WHERE ParentID='P'"))
                              .toString();
    ledger.execute(QStringList{
        // Year 3 is the last: its faults reach no following year's opening.
        QStringLiteral("INSERT INTO Acc_transaction VALUES(90001, 10, 'NOPE', '1001', 3)"),
        QStringLiteral("INSERT INTO Acc_transaction VALUES(90002, 7, '%1', '1003', 3)").arg(group),
        QStringLiteral("INSERT INTO Acc_Master VALUES('2001', 'Orphan', NULL)"),
        QStringLiteral("INSERT INTO Acc_transaction VALUES(90003, 3, '2001', '1001', 3)"),
        QStringLiteral("INSERT INTO Acc_transaction VALUES(90004, NULL, '1001', '1002', 3)"),
        QStringLiteral("INSERT INTO Acc_transaction VALUES(90005, 4, '1001', '1002', 99)"),
        QStringLiteral("INSERT INTO Acc_Opening SELECT * FROM Acc_Opening WHERE rowid = "
                       "(SELECT min(rowid) FROM Acc_Opening)"),
        QStringLiteral("UPDATE Acc_Opening SET OpeningType='X' WHERE rowid = (SELECT max(rowid) "
                       "FROM Acc_Opening WHERE AccYearID=3 AND OpeningType='D' AND Opening<>0)"),
        QStringLiteral("UPDATE Acc_Opening SET Opening=Opening+1 WHERE AccId='1002' AND "
                       "AccYearID=2"),
        QStringLiteral("UPDATE Acc_Accounting_Year SET Active=1 WHERE AccYearID=1"),
        QStringLiteral("UPDATE Acc_Accounting_Year SET Acc_Yr_Start=Acc_Yr_Start+3 WHERE "
                       "AccYearID=2")});

    const QList<LedgerCheck::Finding> found = check();
    const QString text = all(found);
    EXPECT_EQ(countOf(found, QStringLiteral("missing from Acc_Master")), 1) << str(text);
    EXPECT_EQ(countOf(found, QStringLiteral("is a group account")), 1) << str(text);
    EXPECT_EQ(countOf(found, QStringLiteral("has no parent")), 1) << str(text);
    EXPECT_EQ(countOf(found, QStringLiteral("without an amount")), 1) << str(text);
    EXPECT_EQ(countOf(found, QStringLiteral("not in Acc_Accounting_Year")), 1) << str(text);
    EXPECT_EQ(countOf(found, QStringLiteral("more than one opening")), 1) << str(text);
    EXPECT_EQ(countOf(found, QStringLiteral("side other than D or C")), 1) << str(text);
    EXPECT_EQ(countOf(found, QStringLiteral("active years")), 2) << str(text);
    EXPECT_EQ(countOf(found, QStringLiteral("leave a gap of 3 days")), 1) << str(text);
    // The amounts that reach one side only: 10 + 7 + 3 credited, debits lost.
    EXPECT_EQ(countOf(found, QStringLiteral("a difference of 20.00 C")), 1) << str(text);
    EXPECT_TRUE(text.contains(QStringLiteral("year 3 (1 Apr 2007 - 31 Mar 2008): the closings")))
        << str(text);
    // 1002's raised opening in year 2, and so its closing carried into 3;
    // the raise leaves year 2's openings out of balance.
    EXPECT_EQ(countOf(found, QStringLiteral("closing of year 1")), 1) << str(text);
    EXPECT_EQ(countOf(found, QStringLiteral("closing of year 2")), 1) << str(text);
    EXPECT_TRUE(text.contains(QStringLiteral("year 2 (4 Apr 2006 - 31 Mar 2007): the openings do "
                                             "not balance, debits exceed credits by 1.00")))
        << str(text);
    EXPECT_EQ(found.size(), 13) << str(text);
}

TEST_P(Close, OverlappingYearsAndNoActiveYear)
{
    ledger.execute(QStringList{
        QStringLiteral("UPDATE Acc_Accounting_Year SET Active=0"),
        QStringLiteral("UPDATE Acc_Accounting_Year SET Acc_Yr_Start=Acc_Yr_Start-2 WHERE "
                       "AccYearID=3")});
    const QList<LedgerCheck::Finding> found = check();
    EXPECT_EQ(countOf(found, QStringLiteral("no active year")), 1) << str(all(found));
    EXPECT_EQ(countOf(found, QStringLiteral("overlap by 2 days")), 1) << str(all(found));
}

TEST_P(Close, ThePreviewIsWhatTheMigrationDoes)
{
    // Books whose openings were never carried, with a row missing and a
    // row of an account the worksheet does not hold.
    ledger.execute(
        QStringList{QStringLiteral("UPDATE Acc_Opening SET Opening=Opening+5 WHERE AccYearID=2"),
                    QStringLiteral("DELETE FROM Acc_Opening WHERE AccId='1003' AND AccYearID=3"),
                    QStringLiteral("INSERT INTO Acc_Opening VALUES('9999', 2, 1, 'D', 2, 'C')")});
    load();
    const QList<OpeningRow> before = openingsNow();
    const QList<OpeningRow> predicted = MigrationPreview(*loaded).rowsAfter();
    const QList<OpeningRows::Change> changes =
        OpeningRows::compare(loaded->dialect(), before, predicted);
    const QString text = MigrationPreview(*loaded).text(before, predicted);
    EXPECT_TRUE(text.contains(QStringLiteral("removed 9999, year 2"))) << str(text);
    EXPECT_TRUE(text.contains(QStringLiteral("added 1003, year 3"))) << str(text);
    EXPECT_GT(changes.size(), 6);
    session.reset();

    ASSERT_TRUE(window().connect()) << str(window().messages());
    ASSERT_TRUE(window().migrate()) << str(window().messages());
    load();
    const QList<OpeningRows::Change> missed =
        OpeningRows::compare(loaded->dialect(), predicted, openingsNow());
    EXPECT_TRUE(missed.isEmpty()) << str(OpeningRows::line(missed.value(0)));
    // What the migration started from is in its snapshot; the proof holds.
    const MigrationVerify::Result proof = verify();
    EXPECT_TRUE(proof.differences.isEmpty()) << str(MigrationVerify::text(proof));
}

TEST_P(Close, TheProofFindsARowAlteredAfterTheMigration)
{
    ASSERT_TRUE(window().connect()) << str(window().messages());
    ASSERT_TRUE(window().migrate()) << str(window().messages());
    ledger.execute(QStringLiteral(
        "UPDATE Acc_Opening SET Closing=Closing+0.01 WHERE AccId='1002' AND AccYearID=1"));
    const MigrationVerify::Result proof = verify();
    ASSERT_EQ(proof.differences.size(), 1) << str(MigrationVerify::text(proof));
    EXPECT_EQ(proof.differences[0].kind, QStringLiteral("changed"));
    EXPECT_EQ(proof.differences[0].account, QStringLiteral("1002"));
    EXPECT_EQ(proof.differences[0].year, 1);

    // Without the archive, the books alone: the same row, and the opening
    // it was carried into.
    QDir(ArchiveLocation::folder()).removeRecursively();
    const MigrationVerify::Result alone = verify();
    EXPECT_TRUE(alone.basis.startsWith(QStringLiteral("the books alone"))) << str(alone.basis);
    ASSERT_EQ(alone.differences.size(), 2) << str(MigrationVerify::text(alone));
    EXPECT_EQ(alone.differences[0].account, QStringLiteral("1002"));
    EXPECT_EQ(alone.differences[1].account, QStringLiteral("1002"));
}

// A migration the ledger refused has its snapshot in the archive all the
// same: its record says it did not land, the operator read that nothing was
// kept, and the proof stands on the last migration that landed.
TEST_P(Close, TheProofStandsOnTheLastMigrationThatLanded)
{
    ASSERT_TRUE(window().connect()) << str(window().messages());
    ASSERT_TRUE(window().migrate()) << str(window().messages());
    ledger.execute(QStringLiteral("CREATE TRIGGER closed_period BEFORE INSERT ON Acc_Opening "
                                  "BEGIN SELECT RAISE(ABORT, 'the period is closed'); END"));
    ASSERT_TRUE(window().connect()) << str(window().messages());
    EXPECT_FALSE(window().migrate());
    ASSERT_EQ(window().sink.messages.size(), 1);
    const QString told = window().sink.messages[0].text;
    EXPECT_TRUE(told.contains(QLatin1String("the period is closed"))) << str(told);
    EXPECT_TRUE(told.endsWith(
        QLatin1String("\nNothing of Migrate Accounts was kept: the ledger is as it was before.")))
        << str(told);

    const QList<SnapshotArchive::Record> records =
        SnapshotArchive::of(window().context.ledger()).records();
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0].outcome, SnapshotArchive::Outcome::NotLanded);
    EXPECT_EQ(records[1].outcome, SnapshotArchive::Outcome::Landed);
    const MigrationVerify::Result proof = verify();
    EXPECT_TRUE(proof.basis.startsWith(QStringLiteral("snapshot 1, kept before Migrate Accounts")))
        << str(proof.basis);
    EXPECT_TRUE(proof.differences.isEmpty()) << str(MigrationVerify::text(proof));

    // As if both programs had died before saying how their commands ended:
    // nothing is proven from an unsettled record, and the next connect
    // settles both from the rows each left.
    const QString archive = ArchiveLocation::pathFor(window().context.ledger());
    LedgerFixture::executeOn(archive, {QStringLiteral("DELETE FROM outcomes")});
    EXPECT_TRUE(verify().basis.startsWith(QStringLiteral("the books alone")));
    ASSERT_TRUE(window().connect()) << str(window().messages());
    const QList<SnapshotArchive::Record> settled = SnapshotArchive(archive).records();
    ASSERT_EQ(settled.size(), 2);
    EXPECT_EQ(settled[0].outcome, SnapshotArchive::Outcome::NotLanded);
    EXPECT_EQ(settled[1].outcome, SnapshotArchive::Outcome::Landed);
    EXPECT_TRUE(verify().basis.startsWith(QStringLiteral("snapshot 1, kept before Migrate")));
}

INSTANTIATE_TEST_SUITE_P(Roads, Close, ::testing::ValuesIn(LedgerRoad::names()));

struct ToolRun
{
    int exit = -1;
    QString out;
    QString err;
};

ToolRun closeTool(const QStringList& arguments)
{
    const LedgerFixture::ToolRun run =
        LedgerFixture::runProgram(QStringLiteral(QH_CLOSE_TOOL), arguments);
    return {run.exitCode, run.output, run.errors};
}

// The ledger tool's books balance unless asked for the old kind, whose every
// year the check names with the amount its openings are out by.
TEST(CloseTool, OpeningsThatDoNotBalanceAreFoundYearByYear)
{
    LedgerFixture ledger;
    buildSmallBooks(ledger, 2, 40, {QStringLiteral("--unbalanced-openings")});
    const ToolRun run =
        closeTool({QStringLiteral("--profile"), QStringLiteral("dosavine"),
                   QStringLiteral("--server"), ledger.serverName(), QStringLiteral("check")});
    EXPECT_EQ(run.exit, 1) << str(run.err);
    EXPECT_EQ(run.out.count(QStringLiteral("the openings do not balance")), 2) << str(run.out);
    EXPECT_TRUE(run.out.contains(QStringLiteral("year 1 (1 Apr 2005 - 31 Mar 2006): the openings "
                                                "do not balance")))
        << str(run.out);
}

TEST(CloseTool, CommandsTheirFilesAndExitStatus)
{
    LedgerFixture ledger;
    buildSmallBooks(ledger);
    const QStringList on{QStringLiteral("--profile"), QStringLiteral("dosavine"),
                         QStringLiteral("--server"), ledger.serverName()};

    ToolRun run = closeTool(on + QStringList{QStringLiteral("check")});
    EXPECT_EQ(run.exit, 0) << str(run.err);
    EXPECT_EQ(run.out, QStringLiteral("Nothing found: the ledger is fit to close.\n"));
    EXPECT_TRUE(run.err.isEmpty()) << str(run.err); // no bar into a pipe

    const QString csv = QDir(ledger.folder()).filePath(QStringLiteral("closing.csv"));
    const QString html = QDir(ledger.folder()).filePath(QStringLiteral("closing.html"));
    run = closeTool(on + QStringList{QStringLiteral("report"), QStringLiteral("--csv"), csv,
                                     QStringLiteral("--html"), html});
    EXPECT_EQ(run.exit, 0) << str(run.err);
    QFile csvFile(csv);
    ASSERT_TRUE(csvFile.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromUtf8(csvFile.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1 + 6 * 3);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Account,Name,Year,Opening")));
    // A name with a comma is quoted.
    EXPECT_TRUE(QString::fromUtf8(lines.join(u'\n').toUtf8())
                    .contains(QStringLiteral("\"Modern Pharma Distributors, Aurangabad\"")));
    QFile htmlFile(html);
    ASSERT_TRUE(htmlFile.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(htmlFile.readAll());
    EXPECT_TRUE(page.contains(QStringLiteral("size: A4")));
    EXPECT_TRUE(page.contains(QStringLiteral("Nothing found")));
    EXPECT_TRUE(page.contains(QStringLiteral("<h2>Totals per year</h2>")));

    // The last year is over, so a migration is due; nothing proves one yet.
    run = closeTool(on + QStringList{QStringLiteral("preview")});
    EXPECT_EQ(run.exit, 1) << str(run.err);
    EXPECT_TRUE(run.out.contains(QStringLiteral("Year 3 (1 Apr 2007 - 31 Mar 2008)")))
        << str(run.out);
    run = closeTool(on + QStringList{QStringLiteral("verify")});
    EXPECT_EQ(run.exit, 1) << str(run.err);
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("Checked against the books alone")))
        << str(run.out);

    ledger.execute(
        QStringLiteral("INSERT INTO Acc_transaction VALUES(90001, 10, 'NOPE', '1001', 3)"));
    run = closeTool(on + QStringList{QStringLiteral("check")});
    EXPECT_EQ(run.exit, 1) << str(run.err);
    EXPECT_TRUE(run.out.contains(QStringLiteral("missing from Acc_Master"))) << str(run.out);

    run = closeTool(
        {QStringLiteral("--profile"), QStringLiteral("dosavine"), QStringLiteral("--server"),
         QStringLiteral("sqlite:") + QDir(ledger.folder()).filePath(QStringLiteral("none")),
         QStringLiteral("check")});
    EXPECT_EQ(run.exit, 2);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("Error "))) << str(run.err);
    EXPECT_EQ(closeTool(on + QStringList{QStringLiteral("report")}).exit, 2);
    EXPECT_EQ(
        closeTool({QStringLiteral("--profile"), QStringLiteral("nope"), QStringLiteral("check")})
            .exit,
        2);
    EXPECT_EQ(closeTool(on + QStringList{QStringLiteral("close")}).exit, 2);
}

} // namespace
