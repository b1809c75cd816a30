#include "closing/MigrationVerify.h"

#include "closing/ClosingLedger.h"
#include "core/Conversions.h"
#include "db/RecordSet.h"
#include "db/Session.h"
#include "worksheet/BalanceCalculator.h"

namespace {

struct Figure
{
    double amount = 0;
    QString side;
};

QString pairOf(const QString& account, double year)
{
    return ClosingLedger::accountKey(account) + u'\x1f' + Conversions::numberText(year);
}

// A closing from an opening and the year's sums, as the worksheet makes it.
Figure closingOf(const Figure& opening, double debit, double credit)
{
    const bool credited = opening.side.compare(QLatin1String("C"), Qt::CaseInsensitive) == 0;
    const double balance =
        credited ? (debit - credit) - opening.amount : opening.amount + (debit - credit);
    return {BalanceCalculator::closingOf(balance),
            balance >= 0 ? QStringLiteral("D") : QStringLiteral("C")};
}

// An opening as the worksheet reads it from a stored row: none or zero is
// 0 on the debit side.
Figure openingOf(const OpeningRows::Row* row)
{
    if (!row)
        return {0, QStringLiteral("D")};
    const double amount = LedgerSnapshot::amount(row->opening);
    if (amount == 0)
        return {0, QStringLiteral("D")};
    return {amount, row->openingSide};
}

} // namespace

MigrationVerify::Sums MigrationVerify::postingsOf(double year)
{
    const QString id = Conversions::numberText(year);
    RecordSet rs = m_session.query(
        QStringLiteral("Select AccId, Sum(Dr) as Dr, Sum(Cr) as Cr from (Select Dr_Account as "
                       "AccId, Amount as Dr, 0 as Cr from Acc_transaction where Fin_Year_Id=%1 "
                       "union all Select Cr_Account as AccId, 0 as Dr, Amount as Cr from "
                       "Acc_transaction where Fin_Year_Id=%1) P group by AccId")
            .arg(id));
    Sums sums;
    while (!rs.eof()) {
        auto& s = sums[ClosingLedger::accountKey(rs.field(0).toString())];
        s.first += LedgerSnapshot::amount(rs.field(1));
        s.second += LedgerSnapshot::amount(rs.field(2));
        rs.moveNext();
    }
    rs.close();
    return sums;
}

MigrationVerify::Result MigrationVerify::run(const LedgerSnapshot& before, double clockThen,
                                             const QString& basis)
{
    // The years as the migration saw them, and the year whose closings it
    // set to 0: the active one, if the server's clock was inside it.
    const LedgerSnapshot::Table& table = before.years();
    const int id = LedgerSnapshot::column(table, QStringLiteral("AccYearID"));
    const int start = LedgerSnapshot::column(table, QStringLiteral("Acc_Yr_Start"));
    const int end = LedgerSnapshot::column(table, QStringLiteral("Acc_Yr_End"));
    const int active = LedgerSnapshot::column(table, QStringLiteral("Active"));
    QList<double> years;
    qint32 current = 0;
    const qint32 today = Conversions::wholeDay(clockThen);
    for (const QVariantList& row : table.rows) {
        if (id < 0)
            break;
        years.append(LedgerSnapshot::amount(row[id]));
        if (start >= 0 && end >= 0 && active >= 0 && LedgerSnapshot::amount(row[active]) == 1 &&
            Conversions::wholeDay(Conversions::toDayNumber(row[start])) <= today &&
            today <= Conversions::wholeDay(Conversions::toDayNumber(row[end])))
            current = Conversions::toInt32(row[id]);
    }
    return compute(&before.openings(), years, current, basis);
}

MigrationVerify::Result MigrationVerify::run()
{
    QList<double> years;
    const GridModel& list = m_ledger.years();
    for (int y = 1; y <= list.rows(); ++y)
        years.append(list.numberAt(GridColumns::YrId, y));
    return compute(nullptr, years, m_ledger.currentYear(),
                   QStringLiteral("the books alone (no snapshot of a migration in this ledger's "
                                  "archive): each closing is its opening plus the year's "
                                  "postings, cut to two decimals, and each opening the closing "
                                  "of the year before"));
}

MigrationVerify::Result MigrationVerify::compute(const LedgerSnapshot::Table* openingsBefore,
                                                 const QList<double>& years, qint32 currentYear,
                                                 const QString& basis)
{
    const QList<OpeningRows::Row> now = OpeningRows::of(LedgerSnapshot::read(m_session).openings());
    // The openings the closings grow from: as stored before the migration,
    // or as stored now.
    const QList<OpeningRows::Row> from = openingsBefore ? OpeningRows::of(*openingsBefore) : now;
    // Per account and year, the row the worksheet's lookup finds: the first.
    const auto firstRows = [](const QList<OpeningRows::Row>& rows) {
        QHash<QString, const OpeningRows::Row*> first;
        for (const OpeningRows::Row& row : rows) {
            const QString pair = pairOf(row.account, row.year);
            if (!first.contains(pair))
                first.insert(pair, &row);
        }
        return first;
    };
    const QHash<QString, const OpeningRows::Row*> firstOf = firstRows(from);
    const QHash<QString, const OpeningRows::Row*> firstNow = firstRows(now);

    QStringList accounts;
    RecordSet rs = m_session.query(
        QStringLiteral("Select AccountID from Acc_Master where ParentID not in('P','B')"));
    while (!rs.eof()) {
        accounts.append(Conversions::trimBlanks(rs.field(0).toString()));
        rs.moveNext();
    }
    rs.close();

    QHash<QString, Figure> closings; // before the current year's reset
    QList<OpeningRows::Row> expected;
    for (const double year : years) {
        const Sums sums = postingsOf(year);
        for (const QString& account : accounts) {
            const auto s = sums.value(ClosingLedger::accountKey(account));
            const Figure closing =
                closingOf(openingOf(firstOf.value(pairOf(account, year))), s.first, s.second);
            closings.insert(pairOf(account, year), closing);
            expected.append({account, year, QVariant(), QString(), closing.amount, closing.side});
        }
    }
    for (OpeningRows::Row& row : expected) {
        const double previous = m_ledger.previousYear(row.year);
        Figure opening = openingOf(firstOf.value(pairOf(row.account, row.year)));
        if (openingsBefore && previous >= 0) {
            opening = closings.value(pairOf(row.account, previous), opening);
        } else if (const OpeningRows::Row* before = firstNow.value(pairOf(row.account, previous));
                   !openingsBefore && before) {
            // From the books alone: the opening is the closing stored before.
            opening = {LedgerSnapshot::amount(before->closing), before->closingSide};
        }
        row.opening = opening.amount;
        row.openingSide = opening.side;
        if (currentYear != 0 && row.year == currentYear) {
            row.closing = 0.0;
            row.closingSide = QStringLiteral("D");
        }
    }
    return {basis, OpeningRows::compare(now, expected)};
}

QString MigrationVerify::text(const Result& result)
{
    QString out = QStringLiteral("Checked against %1.\n").arg(result.basis);
    if (result.differences.isEmpty())
        return out + QStringLiteral("No differences: Acc_Opening holds what the migration must "
                                    "have written.\n");
    for (const OpeningRows::Change& change : result.differences)
        out += OpeningRows::line(change) + u'\n';
    return out + QStringLiteral("%1 differences beyond half a paisa (\"added\": a row the "
                                "migration must have written; \"removed\": a row it would not "
                                "have left)\n")
                     .arg(result.differences.size());
}
