// Migrating generated ledgers of several years: every row of Acc_Opening is
// checked against figures worked out here from the ledger's own postings and
// openings, in whole paise so every figure is exact, not with the program's
// code.

#include "tests/unit/MigrationHarness.h"

#include <QHash>
#include <QPair>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <tuple>

namespace {

using Backend = MigrationHarness::Backend;
using Key = QPair<QString, qint64>; // account id, year id

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

// Ledger amounts are whole paise; in paise every figure is exact.
qint64 paise(const QVariant& amount)
{
    return std::llround(amount.toDouble() * 100);
}

struct Opening
{
    QString id;
    qint64 year = 0;
    double opening = 0;
    QString openingType;
    double closing = 0;
    QString closingType;

    auto tied() const { return std::tie(id, year, opening, openingType, closing, closingType); }
    bool operator==(const Opening& other) const { return tied() == other.tied(); }
    bool operator<(const Opening& other) const { return tied() < other.tied(); }
};

std::ostream& operator<<(std::ostream& out, const Opening& o)
{
    return out << o.id.toStdString() << " year " << o.year << ": opening " << o.opening << ' '
               << o.openingType.toStdString() << ", closing " << o.closing << ' '
               << o.closingType.toStdString();
}

// What the table must hold after the migration of the ledger as it stands.
QList<Opening> expectedTable(const LedgerFixture& ledger, qint64 currentYear)
{
    QList<qint64> years;
    for (const QVariantList& row : ledger.rows(s("SELECT AccYearID FROM Acc_Accounting_Year")))
        years.append(row[0].toLongLong());
    QStringList accounts;
    for (const QVariantList& row :
         ledger.rows(s("SELECT AccountID FROM Acc_Master WHERE ParentID NOT IN ('P','B')")))
        accounts.append(row[0].toString());

    QHash<Key, qint64> movements; // debits less credits
    for (const QVariantList& row : ledger.rows(
             s("SELECT Dr_Account, Cr_Account, Fin_Year_Id, Amount FROM Acc_transaction"))) {
        const qint64 year = row[2].toLongLong();
        movements[{row[0].toString(), year}] += paise(row[3]);
        movements[{row[1].toString(), year}] -= paise(row[3]);
    }

    struct Stored
    {
        qint64 amount;
        QString side;
    };
    QHash<Key, Stored> stored; // the first opening row of each account and year
    for (const QVariantList& row : ledger.rows(
             s("SELECT AccId, AccYearID, Opening, OpeningType FROM Acc_Opening ORDER BY rowid"))) {
        const Key key{row[0].toString(), row[1].toLongLong()};
        if (!stored.contains(key))
            stored.insert(key, {paise(row[2]), row[3].toString()});
    }

    struct Closed
    {
        qint64 opening;
        QString openingSide;
        qint64 magnitude;
        QString side;
    };
    QHash<Key, Closed> closed;
    for (qint64 year : years) {
        for (const QString& id : accounts) {
            const Key key{id, year};
            qint64 opening = 0;
            QString side = s("D");
            if (stored.contains(key) && stored[key].amount != 0) {
                opening = stored[key].amount;
                side = stored[key].side;
            }
            const qint64 movement = movements.value(key);
            const qint64 balance = side == u"C" ? movement - opening : opening + movement;
            closed.insert(key, {opening, side, std::abs(balance), balance >= 0 ? s("D") : s("C")});
        }
    }

    QList<Opening> table;
    for (auto it = closed.cbegin(); it != closed.cend(); ++it) {
        const Key& key = it.key();
        Opening row;
        row.id = key.first;
        row.year = key.second;
        const auto previous = closed.constFind({key.first, key.second - 1});
        if (previous != closed.cend()) {
            row.opening = previous->magnitude / 100.0;
            row.openingType = previous->side;
        } else {
            row.opening = it->opening / 100.0;
            row.openingType = it->openingSide;
        }
        const bool current = key.second == currentYear;
        row.closing = current ? 0 : it->magnitude / 100.0;
        row.closingType = current ? s("D") : it->side;
        table.append(row);
    }
    std::sort(table.begin(), table.end());
    return table;
}

QList<Opening> actualTable(const MigrationHarness& h)
{
    QList<Opening> table;
    for (const QVariantList& row : h.openings())
        table.append({row[0].toString(), row[1].toLongLong(), row[2].toDouble(), row[3].toString(),
                      row[4].toDouble(), row[5].toString()});
    std::sort(table.begin(), table.end());
    return table;
}

struct LedgerCase
{
    Backend backend;
    bool clockInActiveYear;
    const char* seed;
};

class MigrationLedger : public ::testing::TestWithParam<LedgerCase>
{
protected:
    MigrationHarness h{GetParam().backend};
};

TEST_P(MigrationLedger, TableHoldsTheCarriedBalances)
{
    constexpr int kYears = 4;
    constexpr int kAccounts = 25;
    h.build({s("--years"), QString::number(kYears), s("--accounts"), QString::number(kAccounts),
             s("--postings"), s("900"), s("--seed"), s(GetParam().seed), s("--server-date"),
             s("2011-06-15T10:00")});
    // Rows the worksheet does not hold must go: a year not listed, an
    // account outside the worksheet, a group account.
    h.ledger.execute({s("INSERT INTO Acc_Opening VALUES('1001',99,5,'D',6,'C')"),
                      s("INSERT INTO Acc_Master VALUES('7777','Suspense',NULL)"),
                      s("INSERT INTO Acc_Opening VALUES('7777',1,5,'D',6,'C')"),
                      s("INSERT INTO Acc_Opening SELECT AccountID,1,1,'C',1,'C' FROM Acc_Master "
                        "WHERE ParentID IN ('P','B') LIMIT 2")});
    qint64 currentYear = kYears;
    if (!GetParam().clockInActiveYear) {
        h.ledger.execute(s("UPDATE Sys_ServerClock SET serverdate='2012-04-02 08:00:00'"));
        currentYear = 0;
    }
    ASSERT_EQ(h.ledger.value(s("SELECT max(AccYearID) FROM Acc_Accounting_Year")).toInt(), kYears);
    const QList<Opening> expected = expectedTable(h.ledger, currentYear);
    ASSERT_EQ(expected.size(), kYears * kAccounts);

    ASSERT_TRUE(h.connect()) << h.sink.texts().join(u'\n').toStdString();
    const int rows = h.context.accounts().rows();
    ASSERT_EQ(rows, kYears * kAccounts);
    h.sink.clear();
    ASSERT_TRUE(h.migrate()) << h.sink.texts().join(u'\n').toStdString();
    EXPECT_TRUE(h.sink.messages.isEmpty());
    EXPECT_EQ(h.log.size(), 1 + 3 + 5 * rows + 3 + 2);

    const QList<Opening> actual = actualTable(h);
    ASSERT_EQ(actual.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i)
        EXPECT_EQ(actual[i], expected[i]);
    EXPECT_FALSE(h.controls.migrateEnabled);
    EXPECT_EQ(h.controls.status, s("Accounts Migration Completed"));
}

TEST_P(MigrationLedger, MigratingTwiceChangesNothingMore)
{
    h.build({s("--years"), s("3"), s("--accounts"), s("12"), s("--postings"), s("300"), s("--seed"),
             s(GetParam().seed), s("--server-date"), s("2011-06-15T10:00")});
    if (!GetParam().clockInActiveYear)
        h.ledger.execute(s("UPDATE Sys_ServerClock SET serverdate='2012-04-02 08:00:00'"));
    ASSERT_TRUE(h.connect());
    ASSERT_TRUE(h.migrate());
    const std::string once = h.dump();
    // A fresh connect reads the migrated openings back; the same figures
    // come out again.
    ASSERT_TRUE(h.connect());
    ASSERT_TRUE(h.migrate());
    EXPECT_EQ(h.dump(), once);
}

std::string caseName(const ::testing::TestParamInfo<LedgerCase>& info)
{
    std::string name = info.param.backend == Backend::Odbc ? "Odbc" : "Native";
    name += info.param.clockInActiveYear ? "InYear" : "AfterYear";
    return name + "Seed" + info.param.seed;
}

std::vector<LedgerCase> ledgerCases()
{
    std::vector<LedgerCase> cases;
    for (const LedgerCase& c :
         {LedgerCase{Backend::Native, true, "1"}, LedgerCase{Backend::Native, false, "2"},
          LedgerCase{Backend::Native, true, "3"}, LedgerCase{Backend::Odbc, true, "4"},
          LedgerCase{Backend::Odbc, false, "5"}}) {
        if (MigrationHarness::isAvailable(c.backend))
            cases.push_back(c);
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Ledgers, MigrationLedger, ::testing::ValuesIn(ledgerCases()), caseName);

} // namespace
