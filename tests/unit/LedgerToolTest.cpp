#include "tests/support/LedgerFixture.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <cmath>
#include <gtest/gtest.h>

namespace {

QString q(const char* text)
{
    return QString::fromUtf8(text);
}

const QStringList PinnedSmall{q("--server-date"), q("2008-03-31T18:00"),
                              q("--accounts"),    q("25"),
                              q("--years"),       q("4"),
                              q("--postings"),    q("400"),
                              q("--seed"),        q("7")};

// Everything a ledger holds, table by table, in a fixed order.
QList<QVariantList> content(const LedgerFixture& ledger, const QString& database)
{
    QList<QVariantList> all;
    for (const char* sql :
         {"SELECT * FROM Acc_Master ORDER BY rowid", "SELECT * FROM Acc_Accounting_Year",
          "SELECT * FROM Acc_transaction", "SELECT * FROM Acc_Opening ORDER BY rowid",
          "SELECT * FROM Sys_ServerClock"})
        all += ledger.rows(q(sql), database);
    return all;
}

// The signed balance of a stored amount and side: debit positive.
qint64 signedPaise(const QVariant& amount, const QVariant& side)
{
    const qint64 paise = std::llround(amount.toDouble() * 100.0);
    return side.toString() == QLatin1String("C") ? -paise : paise;
}

class LedgerToolTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_ledger = new LedgerFixture;
        s_ledger->build(PinnedSmall);
    }
    static void TearDownTestSuite()
    {
        delete s_ledger;
        s_ledger = nullptr;
    }
    static LedgerFixture* s_ledger;
};

LedgerFixture* LedgerToolTest::s_ledger = nullptr;

TEST_F(LedgerToolTest, TablesHaveTheApplicationsColumns)
{
    const QHash<QString, QStringList> expected{
        {q("Acc_Master"), {q("AccountID"), q("AccountName"), q("ParentID")}},
        {q("Acc_Accounting_Year"),
         {q("AccYearID"), q("Acc_Yr_Start"), q("Acc_Yr_End"), q("Active")}},
        {q("Acc_transaction"),
         {q("TransID"), q("Amount"), q("Dr_Account"), q("Cr_Account"), q("Fin_Year_Id")}},
        {q("Acc_Opening"),
         {q("AccId"), q("AccYearID"), q("Opening"), q("OpeningType"), q("Closing"),
          q("ClosingType")}},
        {q("Sys_ServerClock"), {q("serverdate")}},
        {q("sproc_GetServerDate"), {q("serverdate")}},
    };
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        QStringList columns;
        for (const QVariantList& row : s_ledger->rows(q("PRAGMA table_info(%1)").arg(it.key())))
            columns.append(row.at(1).toString());
        EXPECT_EQ(columns, it.value()) << it.key().toStdString();
    }
    EXPECT_EQ(s_ledger->value(q("SELECT type FROM sqlite_master "
                                "WHERE name='sproc_GetServerDate'")),
              QVariant(q("view")));
}

TEST_F(LedgerToolTest, FileIsLeftInRollbackJournalMode)
{
    for (const QString& database : {q("Dosavine"), q("Bindwell")})
        EXPECT_EQ(s_ledger->value(q("PRAGMA journal_mode"), database), QVariant(q("delete")));
    EXPECT_FALSE(QFile::exists(s_ledger->path() + q("-journal")));
}

TEST_F(LedgerToolTest, ProgramsStatementsUseTheIndexes)
{
    const struct
    {
        const char* statement;
        QStringList indexes;
    } cases[] = {
        {"Select A.AccountID,A.AccountName,A.ParentID,B.AccYearID,(Select Sum(Amount)from "
         "Acc_transaction where A.AccountId=Dr_Account and Fin_Year_Id=B.AccYearID)as "
         "'DebitAmt',(Select Sum(Amount)from Acc_transaction where A.AccountId=Cr_Account and "
         "Fin_Year_Id=B.AccYearID)as 'CreditAmt' from Acc_Master A,Acc_Accounting_Year B where "
         "B.AccYearID=3 and  A.parentID not in('P','B')",
         {q("IX_Acc_transaction_Dr_Account (Dr_Account=? AND Fin_Year_Id=?)"),
          q("IX_Acc_transaction_Cr_Account (Cr_Account=? AND Fin_Year_Id=?)")}},
        {"Select * From Acc_opening Where AccID='1001'and AccYearID=3",
         {q("IX_Acc_Opening_AccId (AccId=? AND AccYearID=?)")}},
        {"Update aCC_OPENING Set Opening=250 where AccId='1001' and AccYearID=3",
         {q("IX_Acc_Opening_AccId (AccId=? AND AccYearID=?)")}},
        {"Update aCC_OPENING Set OpeningType='C' where AccId='1001' and AccYearID=3",
         {q("IX_Acc_Opening_AccId (AccId=? AND AccYearID=?)")}},
    };
    for (const auto& c : cases) {
        QStringList plan;
        for (const QVariantList& row : s_ledger->rows(q("EXPLAIN QUERY PLAN ") + q(c.statement)))
            plan.append(row.last().toString());
        const QString text = plan.join(QLatin1Char('\n'));
        for (const QString& index : c.indexes)
            EXPECT_TRUE(text.contains(q("USING INDEX ") + index)) << c.statement << "\n"
                                                                  << text.toStdString();
    }
}

TEST_F(LedgerToolTest, YearsRunFromAprilToMarchWithTheLastActive)
{
    // Pinned at 31 March 2008, four years: 2004-05 to 2007-08.
    const QList<QVariantList> years =
        s_ledger->rows(q("SELECT AccYearID,Acc_Yr_Start,Acc_Yr_End,Active FROM "
                         "Acc_Accounting_Year ORDER BY AccYearID"));
    ASSERT_EQ(years.size(), 4);
    const double starts[] = {38078, 38443, 38808, 39173};
    const double ends[] = {38442, 38807, 39172, 39538};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(years[i][0].toInt(), i + 1);
        EXPECT_EQ(years[i][1].toDouble(), starts[i]);
        EXPECT_EQ(years[i][2].toDouble(), ends[i]);
        EXPECT_EQ(years[i][3].toInt(), i == 3 ? 1 : 0);
    }
}

TEST(LedgerToolYears, DefaultFirstYearPutsTheServerDateInTheLastYear)
{
    const struct
    {
        const char* serverDate;
        double lastStart;
    } cases[] = {
        {"2008-03-31T18:00", 39173}, // the last day still belongs to 2007-08
        {"2008-04-01T00:00", 39539},
        {"2008-12-31T23:59", 39539},
        {"2009-01-01T08:00", 39539},
    };
    for (const auto& c : cases) {
        LedgerFixture ledger;
        ledger.build({q("--years"), q("2"), q("--server-date"), q(c.serverDate)});
        EXPECT_EQ(ledger
                      .value(q("SELECT Acc_Yr_Start FROM Acc_Accounting_Year WHERE "
                               "Active=1"))
                      .toDouble(),
                  c.lastStart)
            << c.serverDate;
    }
}

TEST(LedgerToolYears, FirstYearOptionFixesTheYears)
{
    LedgerFixture ledger;
    ledger.build(
        {q("--first-year"), q("2005"), q("--years"), q("1"), q("--database"), q("Bindwell")});
    EXPECT_EQ(ledger.rows(q("SELECT AccYearID,Acc_Yr_Start,Acc_Yr_End,Active FROM "
                            "Acc_Accounting_Year"),
                          q("Bindwell")),
              (QList<QVariantList>{{1, 38443.0, 38807.0, 1}}));
    EXPECT_FALSE(QFile::exists(ledger.path(q("Dosavine"))));
}

TEST_F(LedgerToolTest, PinnedClockReadsBackAndCanBeMovedOrRemoved)
{
    LedgerFixture ledger;
    ledger.build({q("--empty"), q("--server-date"), q("2008-03-31T18:00")});
    EXPECT_EQ(ledger.rows(q("SELECT * FROM sproc_GetServerDate")),
              (QList<QVariantList>{{q("2008-03-31 18:00:00")}}));
    ledger.execute(q("UPDATE Sys_ServerClock SET serverdate='2008-04-01 09:30:00'"));
    EXPECT_EQ(ledger.value(q("SELECT serverdate FROM sproc_GetServerDate")),
              QVariant(q("2008-04-01 09:30:00")));
    ledger.execute(q("DELETE FROM Sys_ServerClock"));
    EXPECT_TRUE(ledger.rows(q("SELECT * FROM sproc_GetServerDate")).isEmpty());
}

TEST(LedgerToolClock, LiveClockGivesTheLocalDateTime)
{
    LedgerFixture ledger;
    ledger.build({q("--empty")});
    const QList<QVariantList> rows = ledger.rows(q("SELECT serverdate FROM sproc_GetServerDate"));
    ASSERT_EQ(rows.size(), 1);
    const QDateTime moment = QDateTime::fromString(rows[0][0].toString(), q("yyyy-MM-dd HH:mm:ss"));
    ASSERT_TRUE(moment.isValid()) << rows[0][0].toString().toStdString();
    EXPECT_LE(std::abs(moment.date().daysTo(QDate::currentDate())), 1);
}

TEST_F(LedgerToolTest, TextComparesWithoutLetterCase)
{
    EXPECT_EQ(s_ledger->value(q("SELECT count(*) FROM Acc_Master WHERE ParentID='p'")),
              s_ledger->value(q("SELECT count(*) FROM Acc_Master WHERE ParentID='P'")));
    EXPECT_GT(s_ledger->value(q("SELECT count(*) FROM Acc_Master WHERE ParentID='b'")).toInt(), 0);
    EXPECT_EQ(s_ledger->value(q("SELECT AccountID FROM Acc_Master WHERE AccountName='CASH'")),
              QVariant(q("1001")));
    LedgerFixture ledger;
    ledger.build({q("--empty")});
    ledger.execute({q("INSERT INTO Acc_Master VALUES('ab1','Stock','x9')"),
                    q("INSERT INTO Acc_Opening VALUES('AB1',1,5,'d',0,'c')"),
                    q("INSERT INTO Acc_transaction VALUES(1,2.5,'aB1','Ab1',1)")});
    EXPECT_EQ(ledger
                  .value(q("SELECT count(*) FROM Acc_Master A JOIN Acc_Opening O ON "
                           "A.AccountID=O.AccId WHERE O.OpeningType='D' AND "
                           "O.ClosingType='C' AND A.ParentID='X9'"))
                  .toInt(),
              1);
    EXPECT_EQ(ledger
                  .value(q("SELECT Sum(Amount) FROM Acc_transaction WHERE Dr_Account='AB1' "
                           "AND Cr_Account='ab1'"))
                  .toDouble(),
              2.5);
}

TEST_F(LedgerToolTest, AccountsHangBelowGroupsWithParentsPAndB)
{
    const QList<QVariantList> master =
        s_ledger->rows(q("SELECT AccountID,ParentID FROM Acc_Master"));
    QSet<QString> ids, groups;
    int primary = 0, other = 0;
    for (const QVariantList& row : master) {
        EXPECT_FALSE(ids.contains(row[0].toString())) << "duplicate id";
        ids.insert(row[0].toString());
        const QString parent = row[1].toString();
        if (parent == QLatin1String("P") || parent == QLatin1String("B")) {
            groups.insert(row[0].toString());
            (parent == QLatin1String("P") ? primary : other)++;
        }
    }
    EXPECT_GT(primary, 0);
    EXPECT_GT(other, 0);
    int ordinary = 0;
    for (const QVariantList& row : master) {
        if (groups.contains(row[0].toString()))
            continue;
        ++ordinary;
        EXPECT_TRUE(groups.contains(row[1].toString())) << row[1].toString().toStdString();
    }
    EXPECT_EQ(ordinary, 25);
}

TEST_F(LedgerToolTest, PostingsJoinTwoOrdinaryAccountsInEveryYear)
{
    EXPECT_EQ(s_ledger->value(q("SELECT count(*) FROM Acc_transaction")).toInt(), 400);
    EXPECT_EQ(s_ledger
                  ->value(q("SELECT count(*) FROM Acc_transaction WHERE "
                            "Dr_Account=Cr_Account OR Amount<=0 OR "
                            "Dr_Account NOT IN (SELECT AccountID FROM Acc_Master WHERE "
                            "ParentID NOT IN ('P','B')) OR "
                            "Cr_Account NOT IN (SELECT AccountID FROM Acc_Master WHERE "
                            "ParentID NOT IN ('P','B'))"))
                  .toInt(),
              0);
    EXPECT_EQ(s_ledger->rows(q("SELECT Fin_Year_Id,count(*) FROM Acc_transaction GROUP BY 1")),
              (QList<QVariantList>{{1, 100}, {2, 100}, {3, 100}, {4, 100}}));
    for (const QVariantList& row : s_ledger->rows(q("SELECT Amount FROM Acc_transaction"))) {
        const double cents = row[0].toDouble() * 100.0;
        EXPECT_NEAR(cents, std::round(cents), 1e-6) << row[0].toDouble();
    }
}

TEST_F(LedgerToolTest, LaterOpeningsCarryTheClosingsForward)
{
    // Year by year: closing = opening + debits - credits, stored as a
    // magnitude with its side ('D' at 0); the next year opens with it.
    const QList<QVariantList> accounts =
        s_ledger->rows(q("SELECT AccountID FROM Acc_Master WHERE ParentID NOT IN ('P','B')"));
    int withoutFirstOpening = 0;
    for (const QVariantList& account : accounts) {
        const QString id = account[0].toString();
        qint64 carried = 0;
        for (int year = 1; year <= 4; ++year) {
            const auto sum = [&](const char* side) {
                return std::llround(
                    s_ledger
                        ->value(q("SELECT coalesce(Sum(Amount),0) FROM Acc_transaction WHERE "
                                  "%1='%2' AND Fin_Year_Id=%3")
                                    .arg(q(side), id)
                                    .arg(year))
                        .toDouble() *
                    100.0);
            };
            const QList<QVariantList> opening =
                s_ledger->rows(q("SELECT Opening,OpeningType,Closing,ClosingType FROM "
                                 "Acc_Opening WHERE AccId='%1' AND AccYearID=%2")
                                   .arg(id)
                                   .arg(year));
            const qint64 flow = sum("Dr_Account") - sum("Cr_Account");
            if (year == 1 && opening.isEmpty()) {
                ++withoutFirstOpening;
                carried = flow;
                continue;
            }
            ASSERT_EQ(opening.size(), 1) << id.toStdString() << " year " << year;
            const qint64 open = signedPaise(opening[0][0], opening[0][1]);
            if (year > 1) {
                EXPECT_EQ(open, carried) << id.toStdString() << " year " << year;
            }
            if (open == 0) {
                EXPECT_EQ(opening[0][1].toString(), q("D"));
            }
            carried = open + flow;
            if (year == 4) {
                EXPECT_EQ(opening[0][2].toDouble(), 0.0);
                EXPECT_EQ(opening[0][3].toString(), q("D"));
            } else {
                EXPECT_EQ(signedPaise(opening[0][2], opening[0][3]), carried);
                if (carried == 0) {
                    EXPECT_EQ(opening[0][3].toString(), q("D"));
                }
            }
        }
    }
    // Most accounts were taken over with an opening.
    EXPECT_LT(withoutFirstOpening, static_cast<int>(accounts.size()) / 2);
    const QList<QVariantList> sides =
        s_ledger->rows(q("SELECT DISTINCT OpeningType FROM Acc_Opening WHERE AccYearID=1 "
                         "ORDER BY 1"));
    EXPECT_EQ(sides, (QList<QVariantList>{{q("C")}, {q("D")}}));
}

TEST_F(LedgerToolTest, SameSeedSameLedgerOtherSeedOtherLedger)
{
    LedgerFixture again;
    again.build(PinnedSmall);
    LedgerFixture other;
    QStringList otherSeed = PinnedSmall;
    otherSeed[otherSeed.indexOf(q("--seed")) + 1] = q("8");
    other.build(otherSeed);
    for (const QString& database : {q("Dosavine"), q("Bindwell")}) {
        EXPECT_EQ(content(again, database), content(*s_ledger, database));
        EXPECT_NE(content(other, database), content(*s_ledger, database));
    }
    EXPECT_NE(content(*s_ledger, q("Dosavine")), content(*s_ledger, q("Bindwell")));
}

} // namespace
