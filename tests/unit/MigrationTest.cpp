// What Migrate Accounts sends, statement by statement, for worksheets filled
// by hand, and what the table holds afterwards.

#include "tests/unit/MigrationHarness.h"
#include "yearend/CommandRunner.h"
#include "yearend/ConnectCommand.h"

#include <gtest/gtest.h>

namespace {

using Backend = MigrationHarness::Backend;
using Row = MigrationHarness::Row;

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

// The ledger behind every test here: years 1 to 4, the fourth active and
// holding the server's date, no ordinary accounts, so the worksheet the
// connect leaves is empty until a test fills it.
const QStringList kLedger = {QStringLiteral("--years"),       QStringLiteral("4"),
                             QStringLiteral("--accounts"),    QStringLiteral("0"),
                             QStringLiteral("--postings"),    QStringLiteral("0"),
                             QStringLiteral("--server-date"), QStringLiteral("2008-01-15T10:00")};

QStringList resets(const char* year)
{
    return {s("Update Acc_opening set Closing=0 where AccYearID=") + s(year),
            s("Update Acc_opening set ClosingType='D' where AccYearID=") + s(year)};
}

// The whole log of one click: the years check, the snapshot, the delete, the
// row statements, the current year lookup, the two resets.
QStringList clickLog(const QStringList& rowStatements, const char* currentYear = "4")
{
    return QStringList{MigrationHarness::yearsCheck()} + MigrationHarness::snapshotQueries() +
           QStringList{s("Delete from Acc_Opening")} + rowStatements +
           MigrationHarness::currentYearQueries() + resets(currentYear);
}

std::string backendName(const ::testing::TestParamInfo<Backend>& p)
{
    return MigrationHarness::backendName(p.param);
}

class MigrationStatements : public ::testing::TestWithParam<Backend>
{
protected:
    void SetUp() override
    {
        h.build(kLedger);
        ASSERT_TRUE(h.connect()) << h.sink.texts().join(u'\n').toStdString();
        ASSERT_TRUE(h.controls.migrateEnabled);
        h.sink.clear();
    }

    void expectCompleted()
    {
        EXPECT_TRUE(h.sink.messages.isEmpty()) << h.sink.texts().join(u'\n').toStdString();
        EXPECT_FALSE(h.controls.migrateEnabled);
        EXPECT_EQ(h.controls.status, QStringLiteral("Accounts Migration Completed"));
    }

    MigrationHarness h{GetParam()};
};

TEST_P(MigrationStatements, WorkedExample)
{
    h.setWorksheet({{s("1001"), 3, 250, s("C"), 1200.5, 1200.5, s("D")},
                    {s("1001"), 4, 0, s("D"), 0, 0, s("D")}});
    ASSERT_TRUE(h.migrate());
    const QStringList expected = clickLog({
        s("iNSERT INTO "
          "aCC_OPENING(AccId,AccYearID,Closing,ClosingType)values('1001',3,1200.5,'D')"),
        s("iNSERT INTO aCC_OPENING(AccId,AccYearID,Closing,ClosingType)values('1001',4,0,'D')"),
        s("Update aCC_OPENING Set Opening=250 where AccId='1001' and AccYearID=3"),
        s("Update aCC_OPENING Set OpeningType='C' where AccId='1001' and AccYearID=3"),
        s("Update aCC_OPENING Set Opening=0 where AccId='1001' and AccYearID=4"),
        s("Update aCC_OPENING Set OpeningType='D' where AccId='1001' and AccYearID=4"),
        s("Update aCC_OPENING Set Opening=1200.5 where AccId='1001' and AccYearID=4"),
        s("Update aCC_OPENING Set OpeningType='D' where AccId='1001' and AccYearID=4"),
        s("Update aCC_OPENING Set Opening=0 where AccId='1001' and AccYearID=5"),
        s("Update aCC_OPENING Set OpeningType='D' where AccId='1001' and AccYearID=5"),
    });
    EXPECT_EQ(h.log, expected);
    const QList<QVariantList> table = h.openings();
    ASSERT_EQ(table.size(), 2);
    EXPECT_EQ(table[0], (QVariantList{s("1001"), 3, 250.0, s("C"), 1200.5, s("D")}));
    EXPECT_EQ(table[1], (QVariantList{s("1001"), 4, 1200.5, s("D"), 0.0, s("D")}));
    expectCompleted();
}

// One worksheet row each: the insert and the four updates it gives.
struct RowCase
{
    const char* name;
    Row row;
    QStringList statements;
};

QStringList rowStatements(const char* id, const char* year, const char* closing, const char* side,
                          const char* opening, const char* openingSide, const char* nextYear,
                          const char* nextOpening)
{
    const QString where = s("' and AccYearID=");
    return {
        s("iNSERT INTO aCC_OPENING(AccId,AccYearID,Closing,ClosingType)values('") + s(id) +
            s("',") + s(year) + s(",") + s(closing) + s(",'") + s(side) + s("')"),
        s("Update aCC_OPENING Set Opening=") + s(opening) + s(" where AccId='") + s(id) + where +
            s(year),
        s("Update aCC_OPENING Set OpeningType='") + s(openingSide) + s("' where AccId='") + s(id) +
            where + s(year),
        s("Update aCC_OPENING Set Opening=") + s(nextOpening) + s(" where AccId='") + s(id) +
            where + s(nextYear),
        s("Update aCC_OPENING Set OpeningType='") + s(side) + s("' where AccId='") + s(id) + where +
            s(nextYear),
    };
}

TEST_P(MigrationStatements, CellsBecomeStatementTexts)
{
    const QVariant none;
    const RowCase cases[] = {
        {"negative balance stored as its magnitude, next opening keeps its sign",
         {s("1001"), 3, 250, s("C"), -75.25, -75.25, s("C")},
         rowStatements("1001", "3", "75.25", "C", "250", "C", "4", "-75.25")},
        {"blanks around the id and the sides go, blanks in numbers change nothing",
         {s("  1001 "), s(" 3 "), s(" 250 "), s(" C "), s(" 1200.50 "), s("1200.50  "), s(" D ")},
         rowStatements("1001", "3", "1200.5", "D", "250", "C", "4", "1200.5")},
        {"an empty row is not skipped",
         {none, none, none, none, none, none, none},
         rowStatements("", "0", "0", "", "0", "", "1", "0")},
        {"a year cell without a number is year 0",
         {s("1001"), s("FY3"), 10, s("D"), 10, 10, s("D")},
         rowStatements("1001", "0", "10", "D", "10", "D", "1", "10")},
        {"numbers by their leading reading, written plain",
         {s("1001"), s("3rd"), s("1e3"), s("D"), 0.1 + 0.2, s("12,50"), s("D")},
         rowStatements("1001", "3", "0.3", "D", "1000", "D", "4", "12")},
        {"a whole double is written without a point",
         {s("1001"), 3.0, 1200.0, s("D"), 99999999.99, 99999999.99, s("C")},
         rowStatements("1001", "3", "99999999.99", "C", "1200", "D", "4", "99999999.99")},
        {"single quotes in ids and sides are doubled",
         {s("O'Brien"), 3, 5, s("D'"), 7, 7, s("'C")},
         rowStatements("O''Brien", "3", "7", "''C", "5", "D''", "4", "7")},
    };
    for (const RowCase& c : cases) {
        SCOPED_TRACE(c.name);
        h.controls.migrateEnabled = true;
        h.setWorksheet({c.row});
        ASSERT_TRUE(h.migrate()) << h.sink.texts().join(u'\n').toStdString();
        EXPECT_EQ(h.log, clickLog(c.statements));
        EXPECT_EQ(h.openings().size(), 1);
        expectCompleted();
    }
}

// Without a row the delete would take every opening and nothing would be
// written back: the click is refused before any statement.
TEST_P(MigrationStatements, EmptyWorksheetIsRefused)
{
    h.ledger.execute({s("INSERT INTO Acc_Opening VALUES('1001',3,5,'D',6,'C')"),
                      s("INSERT INTO Acc_Opening VALUES('1002',9,1,'C',2,'D')")});
    const QList<QVariantList> before = h.openings();
    h.setWorksheet({});
    ASSERT_TRUE(h.migrate());
    EXPECT_TRUE(h.log.isEmpty()) << h.log.join(u'\n').toStdString();
    EXPECT_EQ(h.openings(), before);
    ASSERT_EQ(h.sink.messages.size(), 1);
    EXPECT_TRUE(h.sink.messages[0].text.startsWith(
        s("The account worksheet holds no account: Acc_Master lists no account")))
        << h.sink.messages[0].text.toStdString();
    EXPECT_TRUE(h.controls.migrateEnabled);
    EXPECT_NE(h.controls.status, s("Accounts Migration Completed"));
}

TEST_P(MigrationStatements, OutsideTheActiveYearClosingsStay)
{
    h.ledger.execute(s("UPDATE Sys_ServerClock SET serverdate='2008-04-01 09:00:00'"));
    h.setWorksheet({{s("1001"), 3, 250, s("C"), 100, 100, s("D")},
                    {s("1001"), 4, 100, s("D"), 40, 40, s("C")}});
    ASSERT_TRUE(h.migrate());
    ASSERT_EQ(h.log.size(), 1 + 3 + 5 * 2 + 3 + 2);
    EXPECT_EQ(h.log.mid(h.log.size() - 2), resets("0"));
    const QList<QVariantList> table = h.openings();
    ASSERT_EQ(table.size(), 2);
    EXPECT_EQ(table[0], (QVariantList{s("1001"), 3, 250.0, s("C"), 100.0, s("D")}));
    EXPECT_EQ(table[1], (QVariantList{s("1001"), 4, 100.0, s("D"), 40.0, s("C")}));
    expectCompleted();
}

TEST_P(MigrationStatements, YearIdsBeyondSixteenBits)
{
    h.ledger.execute(s("UPDATE Acc_Accounting_Year SET AccYearID=40000 WHERE AccYearID=4"));
    // Loaded with the years as the ledger now holds them.
    ASSERT_TRUE(h.connect());
    h.setWorksheet({{s("1001"), 39999, 10, s("D"), 20, 20, s("C")},
                    {s("1001"), 40000, 0, s("D"), 5, 5, s("D")}});
    ASSERT_TRUE(h.migrate());
    EXPECT_EQ(h.log.mid(h.log.size() - 2), resets("40000"));
    EXPECT_TRUE(h.log.contains(
        s("Update aCC_OPENING Set Opening=5 where AccId='1001' and AccYearID=40001")));
    const QList<QVariantList> table = h.openings();
    ASSERT_EQ(table.size(), 2);
    EXPECT_EQ(table[0], (QVariantList{s("1001"), 39999, 10.0, s("D"), 20.0, s("C")}));
    EXPECT_EQ(table[1], (QVariantList{s("1001"), 40000, 20.0, s("C"), 0.0, s("D")}));
}

TEST_P(MigrationStatements, AccountTwiceInOneYearUpdatesBoth)
{
    h.setWorksheet(
        {{s("1001"), 2, 10, s("D"), 30, 30, s("D")}, {s("1001"), 2, 20, s("C"), 50, 50, s("C")}});
    ASSERT_TRUE(h.migrate());
    const QList<QVariantList> table = h.openings();
    ASSERT_EQ(table.size(), 2);
    // Each insert keeps its own closing; the second row's updates win.
    EXPECT_EQ(table[0], (QVariantList{s("1001"), 2, 20.0, s("C"), 30.0, s("D")}));
    EXPECT_EQ(table[1], (QVariantList{s("1001"), 2, 20.0, s("C"), 50.0, s("C")}));
}

TEST_P(MigrationStatements, QuotedTextsAreStoredAsTheyAre)
{
    const QString hostile = s("x','1',0,'D');DELETE FROM Acc_Master;--");
    h.setWorksheet({{s("O'Brien"), 2, 10, s("C"), 30, 30, s("D")},
                    {s("O'Brien"), 3, 0, s("D"), 12.5, 12.5, s("C")},
                    {hostile, 3, 0, s("D"), 1, 1, s("D")}});
    const QVariant accounts = h.ledger.value(s("SELECT count(*) FROM Acc_Master"));
    ASSERT_TRUE(h.migrate()) << h.sink.texts().join(u'\n').toStdString();
    const QList<QVariantList> table = h.openings();
    ASSERT_EQ(table.size(), 3);
    EXPECT_EQ(table[0], (QVariantList{s("O'Brien"), 2, 10.0, s("C"), 30.0, s("D")}));
    EXPECT_EQ(table[1], (QVariantList{s("O'Brien"), 3, 30.0, s("D"), 12.5, s("C")}));
    EXPECT_EQ(table[2], (QVariantList{hostile, 3, 0.0, s("D"), 1.0, s("D")}));
    EXPECT_EQ(h.ledger.value(s("SELECT count(*) FROM Acc_Master")), accounts);
}

TEST_P(MigrationStatements, MoreRowsThanSixteenBitsCount)
{
    constexpr int kRows = 33000;
    QList<Row> rows;
    rows.reserve(kRows);
    for (int i = 1; i <= kRows; ++i)
        rows.append({QString::number(i), 3, 0, s("D"), i / 100.0, i / 100.0, s("D")});
    h.setWorksheet(rows);
    ASSERT_TRUE(h.migrate()) << h.sink.texts().join(u'\n').toStdString();
    EXPECT_EQ(h.log.size(), 1 + 3 + 5 * kRows + 3 + 2);
    EXPECT_EQ(h.ledger.value(s("SELECT count(*) FROM Acc_Opening")).toInt(), kRows);
    const auto last = h.ledger.rows(s(
        "SELECT AccId, Closing FROM Acc_Opening WHERE AccId IN ('32768','33000') ORDER BY rowid"));
    ASSERT_EQ(last.size(), 2);
    EXPECT_EQ(last[0], (QVariantList{s("32768"), 327.68}));
    EXPECT_EQ(last[1], (QVariantList{s("33000"), 330.0}));
    expectCompleted();
}

// Refusals: nothing is sent, nothing changes on the window.
class MigrationRefusal : public MigrationStatements
{
protected:
    // connected: whether the window still shows the connection (a failed
    // connect leaves none, and says so).
    void expectRefused(const std::string& before, bool connected = true)
    {
        EXPECT_TRUE(h.log.isEmpty()) << h.log.join(u'\n').toStdString();
        ASSERT_EQ(h.sink.messages.size(), 1);
        EXPECT_EQ(h.sink.messages[0].icon, Prompts::Icon::Information);
        EXPECT_TRUE(h.sink.messages[0].text.contains(s("Connect")));
        EXPECT_EQ(h.controls.migrateEnabled, connected);
        EXPECT_EQ(h.controls.status, connected ? s("Server Connected") : QString());
        EXPECT_EQ(h.dump(), before);
    }
};

TEST_P(MigrationRefusal, AfterAConnectThatLeftNoConnection)
{
    h.ledger.execute(s("INSERT INTO Acc_Opening VALUES('1001',3,5,'D',6,'C')"));
    const std::string before = h.dump();
    h.setWorksheet({{s("1001"), 3, 250, s("C"), 100, 100, s("D")}});
    // A second connect with no database ticked replaces the connection with
    // an unopened one and stops at its message.
    h.controls.pharma = false;
    CommandRunner::run(h.sink, [&] { ConnectCommand(h.context).run(); });
    ASSERT_FALSE(h.context.session().isOpen());
    h.sink.clear();
    EXPECT_TRUE(h.migrate());
    expectRefused(before, false);
}

TEST_P(MigrationRefusal, AfterARefreshThatFailed)
{
    h.ledger.execute(s("INSERT INTO Acc_Opening VALUES('1001',3,5,'D',6,'C')"));
    const std::string before = h.dump();
    // The clock gone, the refresh stops after loading: the worksheet is
    // incomplete while the connection is open.
    h.ledger.execute(s("DROP VIEW sproc_GetServerDate"));
    EXPECT_FALSE(h.connect());
    ASSERT_TRUE(h.context.session().isOpen());
    ASSERT_FALSE(h.context.isWorksheetSound());
    h.controls.migrateEnabled = true;
    h.controls.status = s("Server Connected");
    h.sink.clear();
    EXPECT_TRUE(h.migrate());
    expectRefused(before);
}

INSTANTIATE_TEST_SUITE_P(Backends, MigrationStatements,
                         ::testing::ValuesIn(MigrationHarness::backends()), backendName);
INSTANTIATE_TEST_SUITE_P(Backends, MigrationRefusal,
                         ::testing::ValuesIn(MigrationHarness::backends()), backendName);

TEST(MigrationWithoutConnection, RefusesBeforeAnyConnect)
{
    MigrationHarness h;
    h.controls.migrateEnabled = true;
    EXPECT_TRUE(h.migrate());
    EXPECT_TRUE(h.log.isEmpty());
    ASSERT_EQ(h.sink.messages.size(), 1);
    EXPECT_EQ(h.sink.messages[0].icon, Prompts::Icon::Information);
    EXPECT_TRUE(h.controls.migrateEnabled);
    EXPECT_TRUE(h.controls.status.isEmpty());
}

} // namespace
