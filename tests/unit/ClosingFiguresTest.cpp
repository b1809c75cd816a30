#include "core/Failure.h"
#include "tests/support/CapturingSink.h"
#include "tests/support/FakeControls.h"
#include "tests/support/LedgerFixture.h"
#include "tests/support/LedgerRoad.h"
#include "yearend/ConnectCommand.h"
#include "yearend/RefreshCommand.h"
#include "yearend/YearEndContext.h"
#include "years/DateQueries.h"

#include <gtest/gtest.h>

namespace {

using C = YearEndContext;

const QString kAccounts = QStringLiteral(
    "Select A.AccountID,A.AccountName,A.ParentID,B.AccYearID,(Select Sum(Amount)from "
    "Acc_transaction where A.AccountId=Dr_Account and Fin_Year_Id=B.AccYearID)as 'DebitAmt',"
    "(Select Sum(Amount)from Acc_transaction where A.AccountId=Cr_Account and "
    "Fin_Year_Id=B.AccYearID)as 'CreditAmt' from Acc_Master A,Acc_Accounting_Year B where "
    "B.AccYearID=%1 and  A.parentID not in('P','B')");

QString lookup(const QString& account, int year)
{
    return QStringLiteral("Select * From Acc_opening Where AccID='%1'and AccYearID=%2")
        .arg(account)
        .arg(year);
}

// A two-year ledger whose figures are worked out by hand below.
class ClosingFigures : public ::testing::TestWithParam<const char*>
{
protected:
    LedgerFixture ledger;
    LedgerRoad road{QString::fromLatin1(GetParam())};
    FakeControls controls;
    CapturingSink sink;
    YearEndContext context{controls, sink};
    QStringList log;

    void SetUp() override
    {
        ledger.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                      QStringLiteral("--empty"), QStringLiteral("--server-date"),
                      QStringLiteral("2008-03-31T18:00")});
        ledger.execute(QStringList{
            // Year 3 ends 31 March 2007, year 4 (active) 31 March 2008.
            QStringLiteral("INSERT INTO Acc_Accounting_Year VALUES (3, 38808, 39172, 0)"),
            QStringLiteral("INSERT INTO Acc_Accounting_Year VALUES (4, 39173, 39538, 1)"),
            QStringLiteral("INSERT INTO Acc_Master VALUES ('G1', 'Assets', 'P')"),
            QStringLiteral("INSERT INTO Acc_Master VALUES ('G2', 'Bank group', 'B')"),
            QStringLiteral("INSERT INTO Acc_Master VALUES ('G3', 'Orphan', NULL)"),
            QStringLiteral("INSERT INTO Acc_Master VALUES ('1001', 'Cash', 'G1')"),
            QStringLiteral("INSERT INTO Acc_Master VALUES (' 1002 ', 'Sales', 'G1')"),
            QStringLiteral("INSERT INTO Acc_Master VALUES ('1003', NULL, 'G2')"),
            // Postings of year 3.
            QStringLiteral("INSERT INTO Acc_transaction VALUES (1, 100.25, '1001', ' 1002 ', 3)"),
            QStringLiteral("INSERT INTO Acc_transaction VALUES (2, 12.349, '1001', '1003', 3)"),
            QStringLiteral("INSERT INTO Acc_transaction VALUES (3, NULL, '1001', '1003', 3)"),
            QStringLiteral("INSERT INTO Acc_transaction VALUES (4, 5, 'G1', '1001', 3)"),
            // Postings of year 4: 0.3 - 0.1 - 0.2 on 1003.
            QStringLiteral("INSERT INTO Acc_transaction VALUES (5, 0.1, '1001', '1003', 4)"),
            QStringLiteral("INSERT INTO Acc_transaction VALUES (6, 0.2, '1001', '1003', 4)"),
            // Openings: lower-case side, negative, Null, zero with a C side,
            // two rows for one account and year.
            QStringLiteral("INSERT INTO Acc_Opening VALUES ('1001', 3, 50, 'd', 0, 'D')"),
            QStringLiteral("INSERT INTO Acc_Opening VALUES ('1002', 3, -20, 'C', 0, 'D')"),
            QStringLiteral("INSERT INTO Acc_Opening VALUES ('1003', 3, NULL, 'C', 0, 'D')"),
            QStringLiteral("INSERT INTO Acc_Opening VALUES ('1001', 4, 0, 'C', 0, 'D')"),
            QStringLiteral("INSERT INTO Acc_Opening VALUES ('1003', 4, 0.3, 'D', 0, 'D')"),
            QStringLiteral("INSERT INTO Acc_Opening VALUES ('1003', 4, 999, 'C', 0, 'D')"),
        });
        context.setStatementLog(&log);
    }

    void connect()
    {
        controls.pharma = true;
        controls.server = road.serverName(ledger.folder());
        ConnectCommand(context).run();
    }
    QString cell(int column, int row) { return context.accounts().readText(column, row); }
    double number(int column, int row) { return cell(column, row).toDouble(); }
};

TEST_P(ClosingFigures, StatementsInTheirOrder)
{
    connect();
    ASSERT_EQ(sink.messages.size(), 0) << sink.texts().join(u'\n').toStdString();
    const QString accounts[] = {QStringLiteral("1001"), QStringLiteral("1002"),
                                QStringLiteral("1003")};
    // The openings' digest first, so that a write can tell they changed.
    QStringList expected{QStringLiteral("Select * from Acc_Opening"),
                         QStringLiteral("Select * from Acc_Accounting_Year"), kAccounts.arg(3)};
    // SQL Server is asked what the ledger is, for its snapshot archive.
    if (road.isTds())
        expected.prepend(QStringLiteral(
            "Select @@SERVERNAME as ServerName, DB_NAME() as DatabaseName, database_id, "
            "create_date from sys.databases where database_id=DB_ID()"));
    for (const QString& a : accounts)
        expected << lookup(a, 3);
    // Each row's opening is looked up once: year 3's rows are not looked up
    // again after year 4's come in.
    expected << kAccounts.arg(4);
    for (const QString& a : accounts)
        expected << lookup(a, 4);
    // An embedded ledger is asked whether its amounts are numbers.
    if (!road.isTds())
        expected << QStringLiteral(
            "Select (Select Count(*) from Acc_transaction where typeof(Amount) not "
            "in('integer','real','null')),(Select Count(*) from Acc_Opening where "
            "typeof(Opening) not in('integer','real','null'))");
    expected << QStringLiteral("Select Acc_Yr_End from Acc_Accounting_Year where Active=1")
             << QStringLiteral("sproc_GetServerDate");
    // Rows come in the server's order; the three accounts are inserted in
    // id order, which SQLite returns them in.
    EXPECT_EQ(log, expected);
}

TEST_P(ClosingFigures, WorksheetFigures)
{
    connect();
    EXPECT_EQ(controls.status, QStringLiteral("Server Connected"));
    EXPECT_TRUE(controls.migrateEnabled);
    EXPECT_TRUE(controls.createEnabled);
    EXPECT_EQ(controls.progress, 1000);
    EXPECT_TRUE(context.isWorksheetSound());
    ASSERT_EQ(context.accounts().rows(), 6);
    ASSERT_EQ(context.accYears().rows(), 2);

    struct Row
    {
        const char* account;
        int year;
        double opening;
        const char* side;
        double debit, credit, balance;
        const char* type;
    } const rows[] = {
        // 50 on "d" counts as debit: 50 + (112.599 - 5) = 157.599 -> 157.59
        {"1001", 3, 50, "d", 112.599, 5, 157.59, "D"},
        // blanks around the id: looked up as 1002; -20 on C: (0 - 100.25) + 20
        {" 1002 ", 3, -20, "C", 0, 100.25, 80.25, "C"},
        // Null opening: 0 and D; the Null posting sums to 12.349 alone
        {"1003", 3, 0, "D", 0, 12.349, 12.34, "C"},
        // zero opening takes D whatever is stored
        {"1001", 4, 0, "D", 0.3, 0, 0.3, "D"},
        // no opening row
        {" 1002 ", 4, 0, "D", 0, 0, 0, "D"},
        // the first of two rows; 0.3 - 0.1 - 0.2 leaves a hair below zero
        {"1003", 4, 0.3, "D", 0, 0.1 + 0.2, 0, "C"},
    };
    int r = 1;
    for (const Row& e : rows) {
        SCOPED_TRACE(r);
        EXPECT_EQ(cell(C::AccAccountId, r), QString::fromLatin1(e.account));
        EXPECT_EQ(number(C::AccYearId, r), e.year);
        EXPECT_DOUBLE_EQ(number(C::AccOpening, r), e.opening);
        EXPECT_EQ(cell(C::AccOpeningType, r), QString::fromLatin1(e.side));
        EXPECT_NEAR(number(C::AccDebit, r), e.debit, 1e-9);
        EXPECT_NEAR(number(C::AccCredit, r), e.credit, 1e-9);
        EXPECT_DOUBLE_EQ(number(C::AccBalance, r), e.balance);
        EXPECT_DOUBLE_EQ(number(C::AccNextOpening, r), e.balance);
        // The SQLite ODBC driver passes the sum 0.1 + 0.2 as 15-digit text,
        // so there the remainder is exactly 0 and the side "D".
        const bool odbcRemainder = r == 6 && QString::fromLatin1(GetParam()) == u"sqliteodbc";
        EXPECT_EQ(cell(C::AccType, r),
                  odbcRemainder ? QStringLiteral("D") : QString::fromLatin1(e.type));
        ++r;
    }
    EXPECT_EQ(cell(C::AccName, 3), QString());
    EXPECT_EQ(cell(C::AccParentId, 1), QStringLiteral("G1"));

    // The years list: dates shown as dates, values kept as stored.
    EXPECT_EQ(context.accYears().readText(C::YrStart, 2), QStringLiteral("01/04/2007"));
    EXPECT_EQ(context.accYears().value(C::YrStartValue, 2).toDouble(), 39173);
    EXPECT_EQ(context.accYears().readText(C::YrActive, 2).toDouble(), 1);
}

TEST_P(ClosingFigures, UnknownSideIsCountedAsDebitAndReported)
{
    ledger.execute(QStringLiteral("UPDATE Acc_Opening SET OpeningType=NULL WHERE AccId='1002'"));
    connect();
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_TRUE(sink.messages[0].text.contains(QStringLiteral("1002 (year 3)")));
    // -20 counted as debit: -20 + (0 - 100.25) = -120.25.
    EXPECT_EQ(cell(C::AccType, 2), QStringLiteral("C"));
    EXPECT_DOUBLE_EQ(number(C::AccBalance, 2), 120.25);
    // The next row has its own balance, not this one's.
    EXPECT_DOUBLE_EQ(number(C::AccBalance, 3), 12.34);
}

TEST_P(ClosingFigures, FailedRefreshOffersNoMigration)
{
    ledger.execute(QStringLiteral("DROP TABLE Acc_Opening"));
    controls.migrateEnabled = controls.createEnabled = true;
    try {
        connect();
        FAIL() << "the refresh must fail";
    } catch (const Failure& f) {
        EXPECT_FALSE(f.description().isEmpty());
    }
    EXPECT_FALSE(controls.migrateEnabled);
    EXPECT_FALSE(controls.createEnabled);
    EXPECT_FALSE(context.isWorksheetSound());
    EXPECT_EQ(controls.status, QString());
    EXPECT_EQ(controls.progress, 0);
    // The openings are read first: nothing was loaded, nothing computed.
    EXPECT_EQ(context.accounts().rows(), 1);
    EXPECT_EQ(cell(C::AccBalance, 1), QString());
}

INSTANTIATE_TEST_SUITE_P(Servers, ClosingFigures, ::testing::ValuesIn(LedgerRoad::names()));

} // namespace
