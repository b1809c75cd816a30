#include "core/Failure.h"
#include "tests/unit/YearCreationFixture.h"
#include "yearend/MigrateCommand.h"

#include <gtest/gtest.h>

namespace {

// Creation that fails part-way, and clicks the command must refuse.
class YearCreationFailureTest : public YearCreationFixture
{
};

// A failing insert undoes its update and the command puts the list and the
// worksheet back: nothing was kept, so the button stays for a second try,
// which then goes through.
TEST_P(YearCreationFailureTest, FailedInsertLeavesTheActiveYear)
{
    setYears({{7, 39173, 39538, 1}});
    connect();
    ASSERT_FALSE(HasFatalFailure());
    const QList<QVariantList> before = storedYears();
    const int rows = context.accounts().rows();
    const Failure refused(-2147217900, QStringLiteral("The insert was refused"));
    QString refusedInsert;
    context.setBeforeStatement([&](const QString& sql) {
        if (sql.startsWith(QLatin1String("INSERT INTO Acc_Accounting_Year"))) {
            refusedInsert = sql;
            throw refused;
        }
    });

    EXPECT_FALSE(create());
    context.setBeforeStatement({});

    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_EQ(sink.messages[0].text.toStdString(),
              (refused.text() +
               QStringLiteral("\nNothing of Create Accounting Year was kept: the ledger is as it "
                              "was before."))
                  .toStdString());
    EXPECT_EQ(storedYears(), before);
    EXPECT_EQ(refusedInsert.toStdString(), insertFor("39539,39903,1").toStdString());
    EXPECT_EQ(writes(log), kDeactivate.toStdString());
    EXPECT_FALSE(context.session().inTransaction());
    EXPECT_TRUE(context.isWorksheetSound());
    EXPECT_TRUE(controls.migrateEnabled);
    EXPECT_TRUE(controls.createEnabled);
    EXPECT_TRUE(controls.createVisible);
    EXPECT_EQ(context.accYears().rows(), 1);
    EXPECT_EQ(context.accYears().readText(YearEndContext::YrActive, 1), QStringLiteral("1"));
    EXPECT_EQ(context.accounts().rows(), rows);

    sink.clear();
    EXPECT_TRUE(create()) << lines(sink.texts());
    EXPECT_EQ(storedYears().size(), before.size() + 1);
    EXPECT_EQ(context.accYears().rows(), 2);
    EXPECT_EQ(context.accounts().rows(), rows * 2);
    EXPECT_FALSE(controls.createVisible);
}

// A lookup that fails takes the year back with it, and the worksheet stays
// as loaded.
TEST_P(YearCreationFailureTest, FailedLookupMarksTheWorksheetUnsound)
{
    setYears({{7, 39173, 39538, 1}});
    connect();
    ASSERT_FALSE(HasFatalFailure());
    const QList<QVariantList> before = storedYears();
    const int rows = context.accounts().rows();
    const QString opening = context.accounts().readText(YearEndContext::AccOpening, 1);
    context.setBeforeStatement([](const QString& sql) {
        if (sql.startsWith(QLatin1String("Select * From Acc_opening")) && sql.endsWith(u'8'))
            throw Failure(-2147467259, QStringLiteral("Connection lost"));
    });

    EXPECT_FALSE(create());
    context.setBeforeStatement({});

    EXPECT_TRUE(context.isWorksheetSound());
    EXPECT_TRUE(controls.migrateEnabled);
    EXPECT_EQ(context.accounts().rows(), rows);
    EXPECT_EQ(context.accounts().readText(YearEndContext::AccOpening, 1), opening);
    // The year goes with the worksheet rows it could not get.
    EXPECT_EQ(storedYears(), before);
    EXPECT_FALSE(context.session().inTransaction());
}

// A failure while asking whether the year is over comes before any change:
// the worksheet stays as it was, and so may still be migrated.
TEST_P(YearCreationFailureTest, FailedCheckLeavesTheWorksheetAsItWas)
{
    setYears({{7, 39173, 39538, 1}});
    connect();
    ASSERT_FALSE(HasFatalFailure());
    const QByteArray file = ledger.hash();
    const int rows = context.accounts().rows();
    context.setBeforeStatement([](const QString& sql) {
        if (sql.contains(QLatin1String("max(Acc_Yr_End)")))
            throw Failure(-2147467259, QStringLiteral("Connection lost"));
    });

    EXPECT_FALSE(create());
    context.setBeforeStatement({});

    EXPECT_EQ(sink.messages.size(), 1);
    EXPECT_TRUE(context.isWorksheetSound());
    EXPECT_TRUE(controls.migrateEnabled);
    EXPECT_TRUE(controls.createVisible);
    EXPECT_EQ(context.accYears().rows(), 1);
    EXPECT_EQ(context.accounts().rows(), rows);
    EXPECT_EQ(ledger.hash(), file);
}

// A ledger whose AccYearID is a plain column: the insert gives the new year
// no id. Nothing is kept, and the message names the column.
TEST_P(YearCreationFailureTest, YearIdTheTableDoesNotAssignIsRefused)
{
    ledger.execute({QStringLiteral("ALTER TABLE Acc_Accounting_Year RENAME TO Old_Years"),
                    QStringLiteral("CREATE TABLE Acc_Accounting_Year(AccYearID INTEGER, "
                                   "Acc_Yr_Start REAL, Acc_Yr_End REAL, Active INTEGER)"),
                    QStringLiteral("INSERT INTO Acc_Accounting_Year SELECT * FROM Old_Years"),
                    QStringLiteral("DROP TABLE Old_Years")});
    setYears({{7, 39173, 39538, 1}});
    connect();
    ASSERT_FALSE(HasFatalFailure());
    const QByteArray file = ledger.hash();

    EXPECT_FALSE(create());
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_TRUE(sink.messages[0].text.contains(QLatin1String("does not assign AccYearID")))
        << lines(sink.texts());
    EXPECT_EQ(ledger.hash(), file);
    EXPECT_TRUE(controls.createVisible);
    EXPECT_TRUE(context.isWorksheetSound());
    EXPECT_EQ(context.accYears().rows(), 1);
}

TEST_P(YearCreationFailureTest, RefusesWithoutConnectionOrSoundWorksheet)
{
    setYears({{7, 39173, 39538, 1}});
    QByteArray file = ledger.hash();

    // Never connected.
    context.setStatementLog(&log);
    controls.createEnabled = true;
    EXPECT_TRUE(create());
    EXPECT_TRUE(log.isEmpty());
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_NE(sink.messages[0].text, kYearNotOver);
    EXPECT_EQ(context.accYears().rows(), 1);
    EXPECT_TRUE(controls.createVisible);
    EXPECT_EQ(ledger.hash(), file);

    // Connected, but the worksheet did not finish loading.
    connect();
    ASSERT_FALSE(HasFatalFailure());
    context.setWorksheetSound(false);
    file = ledger.hash();
    const int years = context.accYears().rows();
    const int rows = context.accounts().rows();
    EXPECT_TRUE(create());
    EXPECT_TRUE(log.isEmpty());
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_NE(sink.messages[0].text, kYearNotOver);
    EXPECT_EQ(context.accYears().rows(), years);
    EXPECT_EQ(context.accounts().rows(), rows);
    EXPECT_TRUE(controls.createEnabled);
    EXPECT_TRUE(controls.createVisible);
    EXPECT_EQ(ledger.hash(), file);
}

INSTANTIATE_TEST_SUITE_P(Servers, YearCreationFailureTest, ::testing::ValuesIn(LedgerRoad::names()),
                         serverLabel);

} // namespace
