// Ledgers as real applications leave them, on every road: year ids with
// gaps, years whose dates are texts, an active year that is not the latest,
// and account ids with characters a road cannot carry. Each ends in the right
// figures or in a clear message, never in wrong figures without a word.

#include "core/DayNumbers.h"
#include "tests/support/LedgerFixture.h"
#include "tests/support/LedgerRoad.h"
#include "tests/support/WindowDriver.h"
#include "yearend/YearEndContext.h"

#include <gtest/gtest.h>

namespace {

std::string str(const QString& text)
{
    return text.toStdString();
}

class AwkwardLedger : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override
    {
        ledger.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                      QStringLiteral("--accounts"), QStringLiteral("5"), QStringLiteral("--years"),
                      QStringLiteral("3"), QStringLiteral("--postings"), QStringLiteral("60"),
                      QStringLiteral("--first-year"), QStringLiteral("2005"),
                      QStringLiteral("--server-date"), QStringLiteral("2008-04-10T09:30")});
        window.server = road.serverName(ledger.folder());
    }

    // Rebuilds Acc_Accounting_Year with the years' dates as texts
    // ('YYYY-MM-DD') in TEXT columns, as some applications keep them.
    void yearsAsTexts()
    {
        ledger.execute(QStringList{
            QStringLiteral("ALTER TABLE Acc_Accounting_Year RENAME TO Old_Years"),
            QStringLiteral("CREATE TABLE Acc_Accounting_Year(AccYearID INTEGER PRIMARY KEY "
                           "AUTOINCREMENT, Acc_Yr_Start TEXT, Acc_Yr_End TEXT, Active INTEGER)"),
            QStringLiteral("INSERT INTO Acc_Accounting_Year SELECT AccYearID, "
                           "date(julianday('1899-12-30') + Acc_Yr_Start), "
                           "date(julianday('1899-12-30') + Acc_Yr_End), Active FROM Old_Years"),
            QStringLiteral("DROP TABLE Old_Years"),
        });
    }

    LedgerFixture ledger;
    LedgerRoad road{QString::fromLatin1(GetParam())};
    WindowDriver window;
};

// Years were deleted, so the table gives the new year the id 16, not 4: the
// list and the worksheet carry 16, and the migration carries the third year's
// closings into year 16's openings.
TEST_P(AwkwardLedger, NewYearTakesTheIdTheTableGives)
{
    ledger.execute(QStringList{
        QStringLiteral("INSERT INTO Acc_Accounting_Year VALUES (15, 1, 2, 0)"),
        QStringLiteral("DELETE FROM Acc_Accounting_Year WHERE AccYearID = 15"),
    });
    ASSERT_TRUE(window.connect()) << str(window.messages());
    ASSERT_TRUE(window.createYear()) << str(window.messages());
    const GridModel& list = window.context.accYears();
    EXPECT_EQ(str(list.readText(YearEndContext::YrId, list.rows())), "16");
    const GridModel& sheet = window.context.accounts();
    EXPECT_EQ(str(sheet.readText(YearEndContext::AccYearId, sheet.rows())), "16");

    ASSERT_TRUE(window.migrate()) << str(window.messages());
    EXPECT_EQ(
        ledger.value(QStringLiteral("SELECT count(*) FROM Acc_Opening WHERE AccYearID=4")).toInt(),
        0);
    // Every account opens year 16 with its closing of year 3.
    const QList<QVariantList> carried = ledger.rows(QStringLiteral(
        "SELECT n.Opening, n.OpeningType, o.Closing, o.ClosingType FROM Acc_Opening o "
        "JOIN Acc_Opening n ON n.AccId = o.AccId AND n.AccYearID = 16 WHERE o.AccYearID = 3"));
    EXPECT_EQ(carried.size(), 5);
    bool anyNonZero = false;
    for (const QVariantList& row : carried) {
        EXPECT_EQ(row[0].toDouble(), row[2].toDouble());
        EXPECT_EQ(row[1].toString(), row[3].toString());
        anyNonZero = anyNonZero || row[0].toDouble() != 0;
    }
    EXPECT_TRUE(anyNonZero);
}

// Dates kept as texts read as the same day numbers everywhere, and the new
// year goes in as dates from 1 April 2008 to 31 March 2009.
TEST_P(AwkwardLedger, YearDatesAsTextsAreDates)
{
    yearsAsTexts();
    ASSERT_TRUE(window.connect()) << str(window.messages());
    EXPECT_EQ(window.context.accYears().numberAt(YearEndContext::YrEndValue, 3), 39538);
    ASSERT_TRUE(window.createYear()) << str(window.messages());
    const QList<QVariantList> created = ledger.rows(QStringLiteral(
        "SELECT Acc_Yr_Start, Acc_Yr_End, Active FROM Acc_Accounting_Year WHERE AccYearID = 4"));
    ASSERT_EQ(created.size(), 1);
    EXPECT_EQ(DayNumbers::toDayNumber(created[0][0]), 39539);
    EXPECT_EQ(DayNumbers::toDayNumber(created[0][1]), 39903);
    EXPECT_EQ(created[0][2].toInt(), 1);
    ASSERT_TRUE(window.migrate()) << str(window.messages());
}

TEST_P(AwkwardLedger, YearDateThatIsNeitherStopsTheLoad)
{
    yearsAsTexts();
    ledger.execute(QStringLiteral("UPDATE Acc_Accounting_Year SET Acc_Yr_End='soon' WHERE "
                                  "AccYearID=2"));
    EXPECT_FALSE(window.connect());
    ASSERT_EQ(window.sink.messages.size(), 1);
    EXPECT_TRUE(window.sink.messages[0].text.contains(
        QLatin1String("The accounting year 2 has \"soon\" as its end")))
        << str(window.sink.messages[0].text);
    EXPECT_FALSE(window.controls.migrateEnabled);
    EXPECT_FALSE(window.controls.createEnabled);
}

// The active flag stands on a year before the latest: its next year would
// overlap the latest one, so none is made.
TEST_P(AwkwardLedger, NewYearThatWouldNotFollowIsRefused)
{
    ledger.execute(QStringList{
        QStringLiteral("UPDATE Acc_Accounting_Year SET Active = 0"),
        QStringLiteral("UPDATE Acc_Accounting_Year SET Active = 1 WHERE AccYearID = 2"),
    });
    ASSERT_TRUE(window.connect()) << str(window.messages());
    const QByteArray before = ledger.bytes();
    EXPECT_FALSE(window.createYear());
    ASSERT_EQ(window.sink.messages.size(), 1);
    EXPECT_TRUE(window.sink.messages[0].text.startsWith(
        QLatin1String("The new accounting year would start on 01-04-2007, which does not follow "
                      "the end of the latest year in the ledger (31-03-2008)")))
        << str(window.sink.messages[0].text);
    EXPECT_TRUE(window.controls.createEnabled);
    EXPECT_TRUE(window.controls.createVisible);
    EXPECT_EQ(window.context.accYears().rows(), 3);
    EXPECT_EQ(ledger.bytes(), before);
}

// Account ids with characters outside Windows-1252: Greek, Devanagari and
// an emoji (beyond U+FFFF). Over SQL Server's wire the ids sit in nvarchar
// columns (a varchar column could not have held them) and go as Unicode
// literals: the year-end ends in the very figures of the embedded run. The
// SQLite ODBC driver cannot carry the emoji: there the command stops before
// anything is sent, and nothing is stored other than what was read.
void giveUnicodeIds(LedgerFixture& ledger, bool nvarcharColumns)
{
    if (nvarcharColumns) {
        for (const char* table : {"Acc_Master", "Acc_Opening"}) {
            const QString t = QString::fromLatin1(table);
            const QString idColumn = t == QLatin1String("Acc_Master") ? QStringLiteral("AccountID")
                                                                      : QStringLiteral("AccId");
            const QString sql = ledger
                                    .value(QStringLiteral("SELECT sql FROM sqlite_master WHERE "
                                                          "name='%1'")
                                               .arg(t))
                                    .toString()
                                    .replace(idColumn + QStringLiteral(" TEXT"),
                                             idColumn + QStringLiteral(" NVARCHAR(20)"));
            ledger.execute(
                QStringList{QStringLiteral("ALTER TABLE %1 RENAME TO Old_Table").arg(t), sql,
                            QStringLiteral("INSERT INTO %1 SELECT * FROM Old_Table").arg(t),
                            QStringLiteral("DROP TABLE Old_Table")});
        }
    }
    const QString ids[] = {QString::fromUtf8("\xCE\x9B"
                                             "1001"), // Λ1001
                           QString::fromUtf8("\xE0\xA4\x95"
                                             "1002"), // क1002
                           QString::fromUtf8("10\xF0\x9F\x98\x80"
                                             "03")}; // 10😀03
    for (int a = 0; a < 3; ++a) {
        const QString old = QString::number(1001 + a);
        ledger.execute(QStringList{
            QStringLiteral("UPDATE Acc_Master SET AccountID='%1' WHERE AccountID='%2'")
                .arg(ids[a], old),
            QStringLiteral("UPDATE Acc_Opening SET AccId='%1' WHERE AccId='%2'").arg(ids[a], old),
            QStringLiteral("UPDATE Acc_transaction SET Dr_Account='%1' WHERE Dr_Account='%2'")
                .arg(ids[a], old),
            QStringLiteral("UPDATE Acc_transaction SET Cr_Account='%1' WHERE Cr_Account='%2'")
                .arg(ids[a], old)});
    }
}

QList<QVariantList> storedOpenings(const LedgerFixture& ledger)
{
    return ledger.rows(QStringLiteral("SELECT AccId, AccYearID, Opening, OpeningType, Closing, "
                                      "ClosingType FROM Acc_Opening ORDER BY AccId, AccYearID"));
}

TEST_P(AwkwardLedger, AccountIdsWithCharactersOutsideTheCodePage)
{
    giveUnicodeIds(ledger, road.isTds());
    const QByteArray before = ledger.bytes();
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");

    const bool connected = window.connect();
    if (road.name() == QLatin1String("sqliteodbc")) {
        // The first statement holding the emoji is a lookup of the connect.
        EXPECT_FALSE(connected);
        ASSERT_EQ(window.sink.messages.size(), 1);
        EXPECT_TRUE(
            window.sink.messages[0].text.contains(QStringLiteral("\"%1\" (U+1F600)").arg(emoji)))
            << str(window.sink.messages[0].text);
        EXPECT_FALSE(window.controls.migrateEnabled);
        EXPECT_EQ(ledger.bytes(), before);
        return;
    }
    ASSERT_TRUE(connected) << str(window.messages());
    ASSERT_TRUE(window.createYear()) << str(window.messages());
    ASSERT_TRUE(window.migrate()) << str(window.messages());
    ASSERT_TRUE(window.sink.messages.isEmpty()) << str(window.messages());

    // The same year-end on the embedded ledger, built alike.
    LedgerFixture embedded;
    embedded.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                    QStringLiteral("--accounts"), QStringLiteral("5"), QStringLiteral("--years"),
                    QStringLiteral("3"), QStringLiteral("--postings"), QStringLiteral("60"),
                    QStringLiteral("--first-year"), QStringLiteral("2005"),
                    QStringLiteral("--server-date"), QStringLiteral("2008-04-10T09:30")});
    giveUnicodeIds(embedded, false);
    WindowDriver reference(LedgerRoad(QStringLiteral("sqlite")).serverName(embedded.folder()));
    ASSERT_TRUE(reference.connect() && reference.createYear() && reference.migrate())
        << str(reference.messages());
    const QList<QVariantList> expected = storedOpenings(embedded);
    EXPECT_EQ(storedOpenings(ledger), expected);
    int unicodeRows = 0;
    for (const QVariantList& row : expected)
        unicodeRows += row[0].toString().contains(emoji) ? 1 : 0;
    EXPECT_EQ(unicodeRows, 4); // years 1 to 3 and the new one
}

// A failed import or a restore gone wrong can empty the chart of accounts or
// the years: the worksheet then holds no row, and a migration would delete
// every opening and write none. The connect says what is empty, Migrate
// Accounts refuses and every opening stays.
void expectEmptyWorksheetRefused(LedgerFixture& ledger, WindowDriver& window, const char* emptied,
                                 const QString& cause)
{
    const QString openings = QStringLiteral("SELECT * FROM Acc_Opening ORDER BY rowid");
    const QList<QVariantList> before = ledger.rows(openings);
    ASSERT_FALSE(before.isEmpty());
    ledger.execute(QString::fromLatin1(emptied));

    window.connect();
    ASSERT_EQ(window.sink.messages.size(), 1) << str(window.messages());
    EXPECT_TRUE(window.sink.messages[0].text.startsWith(
        QStringLiteral("The account worksheet is empty: ") + cause))
        << str(window.messages());
    ASSERT_TRUE(window.controls.migrateEnabled);

    EXPECT_FALSE(window.migrate());
    ASSERT_EQ(window.sink.messages.size(), 1) << str(window.messages());
    EXPECT_TRUE(window.sink.messages[0].text.startsWith(
        QStringLiteral("The account worksheet holds no account: ") + cause))
        << str(window.messages());
    EXPECT_TRUE(window.sink.messages[0].text.contains(
        QLatin1String("Migrating it would delete every opening balance")))
        << str(window.messages());
    EXPECT_EQ(ledger.rows(openings), before);
}

TEST_P(AwkwardLedger, EmptyChartLosesNoOpening)
{
    expectEmptyWorksheetRefused(ledger, window, "DELETE FROM Acc_Master",
                                QStringLiteral("Acc_Master lists no account"));
}

// Without a year there is none for a new one to follow, said in words.
TEST_P(AwkwardLedger, EmptyYearsLoseNoOpening)
{
    expectEmptyWorksheetRefused(ledger, window, "DELETE FROM Acc_Accounting_Year",
                                QStringLiteral("Acc_Accounting_Year holds no accounting year"));
    if (HasFatalFailure())
        return;
    EXPECT_FALSE(window.createYear());
    ASSERT_EQ(window.sink.messages.size(), 1) << str(window.messages());
    EXPECT_TRUE(window.sink.messages[0].text.startsWith(
        QLatin1String("Acc_Accounting_Year holds no accounting year (none with an end date), so "
                      "there is no year for a new one to follow")))
        << str(window.messages());
    EXPECT_EQ(ledger.value(QStringLiteral("SELECT count(*) FROM Acc_Accounting_Year")).toInt(), 0);
}

// An embedded ledger keeps a text where an amount belongs; SQL Server's
// numeric columns cannot hold one. The connect says how many there are and
// that they count by their leading number, and the check lists them.
TEST_P(AwkwardLedger, AmountsThatAreNoNumbersAreNamed)
{
    if (road.isTds())
        GTEST_SKIP() << "SQL Server's numeric columns hold numbers only";
    ledger.execute(QStringList{
        QStringLiteral("UPDATE Acc_transaction SET Amount='NaN' WHERE rowid IN (SELECT rowid FROM "
                       "Acc_transaction LIMIT 2)"),
        QStringLiteral("UPDATE Acc_Opening SET Opening='NaN' WHERE rowid = (SELECT min(rowid) "
                       "FROM Acc_Opening)"),
    });
    window.connect();
    ASSERT_EQ(window.sink.messages.size(), 1) << str(window.messages());
    const QString told = window.sink.messages[0].text;
    EXPECT_TRUE(told.startsWith(
        QLatin1String("2 postings of Acc_transaction hold an Amount that is not a number.\n"
                      "1 opening of Acc_Opening holds an Opening that is not a number.\n"
                      "Each counts as the number its text begins with, and as 0")))
        << str(told);
    EXPECT_TRUE(window.context.isWorksheetSound());

    const LedgerFixture::ToolRun check = LedgerFixture::runProgram(
        QStringLiteral(QH_CLOSE_TOOL),
        {QStringLiteral("--profile"), QStringLiteral("dosavine"), QStringLiteral("--server"),
         window.server, QStringLiteral("check")});
    EXPECT_TRUE(check.output.contains(QLatin1String("2 postings whose Amount is not a number")))
        << str(check.output + check.errors);
    EXPECT_TRUE(check.output.contains(QLatin1String("1 opening whose Opening is not a number")))
        << str(check.output + check.errors);
    // Warned, the operator may still migrate: the text counts as 0.
    EXPECT_TRUE(window.migrate()) << str(window.messages());
}

std::string roadLabel(const ::testing::TestParamInfo<const char*>& road)
{
    return road.param;
}

INSTANTIATE_TEST_SUITE_P(Roads, AwkwardLedger, ::testing::ValuesIn(LedgerRoad::names()), roadLabel);

} // namespace
