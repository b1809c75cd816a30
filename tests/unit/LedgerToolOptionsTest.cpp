#include "tests/support/LedgerFixture.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

// The ledger tool's options and files: an empty ledger, options refused with
// a clear message, and a ledger that is there already.

namespace {

QString q(const char* text)
{
    return QString::fromUtf8(text);
}

TEST(LedgerToolEmpty, EmptyLedgerHasStructureButNoRows)
{
    LedgerFixture ledger;
    ledger.build({q("--empty"), q("--server-date"), q("2008-03-31T18:00")});
    for (const QString& database : {q("Dosavine"), q("Bindwell")}) {
        for (const char* table :
             {"Acc_Master", "Acc_Accounting_Year", "Acc_transaction", "Acc_Opening"})
            EXPECT_EQ(ledger.value(q("SELECT count(*) FROM %1").arg(q(table)), database).toInt(), 0)
                << table;
        EXPECT_EQ(ledger.value(q("SELECT count(*) FROM sqlite_master WHERE type='index'"), database)
                      .toInt(),
                  3);
    }
}

TEST(LedgerToolOptions, BadOptionsAreRefusedClearly)
{
    const struct
    {
        QStringList arguments;
        const char* message;
    } cases[] = {
        {{q("--years"), q("0")}, "--years takes a whole number from 1 to 100"},
        {{q("--accounts"), q("many")}, "--accounts takes a whole number"},
        {{q("--postings"), q("-5")}, "--postings takes a whole number"},
        {{q("--seed"), q("x")}, "--seed takes a whole number"},
        {{q("--first-year"), q("08")}, "--first-year takes a whole number from 1900"},
        {{q("--database"), q("Ledger")}, "--database takes Dosavine, Bindwell or both"},
        {{q("--server-date"), q("31/03/2008")}, "--server-date takes a date and time"},
        {{q("--accounts"), q("1"), q("--postings"), q("10")}, "needs at least two accounts"},
        {{q("--colour")}, "Unknown option 'colour'"},
        {{q("--years")}, "Missing value after '--years'"},
        {{q("stray")}, "unexpected argument \"stray\""},
    };
    for (const auto& c : cases) {
        LedgerFixture ledger;
        const LedgerFixture::ToolRun run =
            LedgerFixture::runTool(QStringList{q("--dir"), ledger.folder()} + c.arguments);
        EXPECT_EQ(run.exitCode, 2) << c.message;
        EXPECT_TRUE(run.errors.contains(q(c.message))) << run.errors.toStdString();
        EXPECT_TRUE(run.errors.contains(q("--help")));
        EXPECT_FALSE(QFile::exists(ledger.path())) << c.message;
    }
    const LedgerFixture::ToolRun help = LedgerFixture::runTool({q("--help")});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option : {"--dir", "--database", "--accounts", "--years", "--postings",
                               "--seed", "--first-year", "--server-date", "--empty", "--force"})
        EXPECT_TRUE(help.output.contains(q(option))) << option;
}

TEST(LedgerToolFiles, ExistingLedgerIsKeptUnlessForced)
{
    LedgerFixture ledger;
    ledger.build({q("--seed"), q("3")});
    const QByteArray before = ledger.hash();
    const LedgerFixture::ToolRun refused =
        LedgerFixture::runTool({q("--dir"), ledger.folder(), q("--seed"), q("4")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.errors.contains(q("--force"))) << refused.errors.toStdString();
    EXPECT_EQ(ledger.hash(), before);

    // A journal left by a crashed program belongs to the old file only.
    QFile journal(ledger.path() + q("-journal"));
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
    journal.write("stale");
    journal.close();
    ledger.build({q("--seed"), q("4")});
    EXPECT_NE(ledger.hash(), before);
    EXPECT_FALSE(QFile::exists(ledger.path() + q("-journal")));
    EXPECT_EQ(QDir(ledger.folder()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{q("Bindwell.db"), q("Dosavine.db")}));
}

} // namespace
