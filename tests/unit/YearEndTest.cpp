#include "yearend/CommandRunner.h"
#include "yearend/YearEndContext.h"
#include "yearend/ConnectCommand.h"
#include "yearend/MigrateCommand.h"
#include "tests/support/CapturingSink.h"
#include "tests/support/FakeControls.h"
#include "tests/support/LedgerFixture.h"
#include "tests/support/LedgerRoad.h"
#include "yearend/CreateYearCommand.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <string>

namespace {

// Amounts in the generated ledger are whole paise; the expected figures are
// worked out in integers so that nothing here shares the program's doubles.
qint64 paise(const QVariant& amount)
{
    return std::llround(amount.toDouble() * 100);
}

std::string sideOf(qint64 balance)
{
    return balance >= 0 ? "D" : "C";
}

struct Opening
{
    qint64 opening = 0;
    std::string openingType;
    qint64 closing = 0;
    std::string closingType;

    bool operator==(const Opening&) const = default;
};

void PrintTo(const Opening& o, std::ostream* out)
{
    *out << o.opening << ' ' << o.openingType << " / " << o.closing << ' ' << o.closingType;
}

using Key = std::pair<std::string, int>; // account, year

// The whole year-end on a ledger of three years whose clock stands ten days
// after the last year's end: connect, create the fourth year, migrate.
class YearEndTest : public ::testing::TestWithParam<const char*>
{
protected:
    LedgerFixture ledger;
    LedgerRoad road{QString::fromLatin1(GetParam())};
    FakeControls controls;
    CapturingSink sink;
    YearEndContext context{controls, sink};

    static constexpr int Years = 3;
    static constexpr int NewYear = Years + 1;

    void SetUp() override
    {
        ledger.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                      QStringLiteral("--accounts"), QStringLiteral("30"), QStringLiteral("--years"),
                      QString::number(Years), QStringLiteral("--postings"), QStringLiteral("900"),
                      QStringLiteral("--seed"), QStringLiteral("11"),
                      QStringLiteral("--first-year"), QStringLiteral("2005"),
                      QStringLiteral("--server-date"), QStringLiteral("2008-04-10T09:30")});
    }

    // What Acc_Opening must hold after the year-end, computed from the
    // ledger as it was built: each year closes at its stored opening plus
    // its postings, opens at the previous year's closing (the first year
    // keeps its stored opening), and the year now in force closes at nil.
    std::map<Key, Opening> expectedOpenings() const
    {
        QStringList accounts;
        for (const QVariantList& row : ledger.rows(QStringLiteral(
                 "SELECT AccountID FROM Acc_Master WHERE ParentID NOT IN ('P','B')")))
            accounts.append(row[0].toString());

        std::map<Key, qint64> balance; // signed, debit positive
        std::map<Key, bool> seen;
        for (const QVariantList& row : ledger.rows(QStringLiteral(
                 "SELECT AccId,AccYearID,Opening,OpeningType FROM Acc_Opening ORDER BY rowid"))) {
            const Key key{row[0].toString().toStdString(), row[1].toInt()};
            if (seen[key])
                continue; // the program reads the first row only
            seen[key] = true;
            const qint64 amount = paise(row[2]);
            balance[key] += row[3].toString() == QLatin1String("C") ? -amount : amount;
        }
        std::map<Key, qint64> stored = balance;
        for (const QVariantList& row : ledger.rows(QStringLiteral(
                 "SELECT Dr_Account,Cr_Account,Fin_Year_Id,Amount FROM Acc_transaction"))) {
            const int year = row[2].toInt();
            balance[{row[0].toString().toStdString(), year}] += paise(row[3]);
            balance[{row[1].toString().toStdString(), year}] -= paise(row[3]);
        }

        std::map<Key, Opening> expected;
        for (const QString& account : accounts) {
            const std::string id = account.toStdString();
            for (int year = 1; year <= NewYear; ++year) {
                Opening& o = expected[{id, year}];
                const qint64 opening = year == 1 ? stored[{id, 1}] : balance[{id, year - 1}];
                o.opening = std::llabs(opening);
                o.openingType = sideOf(opening);
                const qint64 closing = year == NewYear ? 0 : balance[{id, year}];
                o.closing = std::llabs(closing);
                o.closingType = sideOf(closing);
            }
        }
        return expected;
    }

    std::map<Key, Opening> storedOpenings() const
    {
        std::map<Key, Opening> stored;
        for (const QVariantList& row : ledger.rows(
                 QStringLiteral("SELECT AccId,AccYearID,Opening,OpeningType,Closing,ClosingType "
                                "FROM Acc_Opening"))) {
            const Key key{row[0].toString().toStdString(), row[1].toInt()};
            EXPECT_EQ(stored.count(key), 0u) << key.first << " year " << key.second;
            stored[key] = {paise(row[2]), row[3].toString().toStdString(), paise(row[4]),
                           row[5].toString().toStdString()};
        }
        return stored;
    }
};

TEST_P(YearEndTest, ConnectCreateMigrate)
{
    const std::map<Key, Opening> expected = expectedOpenings();
    ASSERT_FALSE(expected.empty());

    controls.pharma = true;
    controls.server = road.serverName(ledger.folder());
    ASSERT_TRUE(CommandRunner::run(sink, [this] { ConnectCommand(context).run(); }));
    ASSERT_TRUE(controls.createEnabled);
    ASSERT_TRUE(controls.migrateEnabled);
    const int accounts = static_cast<int>(expected.size()) / NewYear;
    ASSERT_EQ(context.accounts().rows(), accounts * Years);

    ASSERT_TRUE(CommandRunner::run(sink, [this] { CreateYearCommand(context).run(); }));
    EXPECT_FALSE(controls.createVisible);
    EXPECT_EQ(context.accounts().rows(), accounts * NewYear);

    ASSERT_TRUE(CommandRunner::run(sink, [this] { MigrateCommand(context).run(); }));
    EXPECT_TRUE(sink.messages.isEmpty()) << sink.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(controls.migrateEnabled);
    EXPECT_EQ(controls.status.toStdString(), "Accounts Migration Completed");

    // The new year is the only active one, from 1 April 2008 to 31 March 2009.
    const QList<QVariantList> years = ledger.rows(
        QStringLiteral("SELECT AccYearID,Acc_Yr_Start,Acc_Yr_End,Active FROM Acc_Accounting_Year "
                       "ORDER BY AccYearID"));
    ASSERT_EQ(years.size(), NewYear);
    for (int i = 0; i < Years; ++i)
        EXPECT_EQ(years[i][3].toInt(), 0) << "year " << i + 1;
    EXPECT_EQ(years[Years][0].toInt(), NewYear);
    EXPECT_EQ(years[Years][1].toDouble(), 39539);
    EXPECT_EQ(years[Years][2].toDouble(), 39903);
    EXPECT_EQ(years[Years][3].toInt(), 1);

    const std::map<Key, Opening> stored = storedOpenings();
    EXPECT_EQ(stored.size(), expected.size());
    for (const auto& [key, want] : expected) {
        const auto found = stored.find(key);
        if (found == stored.end()) {
            ADD_FAILURE() << "no opening row for " << key.first << " year " << key.second;
            continue;
        }
        EXPECT_EQ(found->second, want) << key.first << " year " << key.second;
    }
}

std::string serverLabel(const ::testing::TestParamInfo<const char*>& server)
{
    return server.param;
}

INSTANTIATE_TEST_SUITE_P(Servers, YearEndTest, ::testing::ValuesIn(LedgerRoad::names()),
                         serverLabel);

} // namespace
