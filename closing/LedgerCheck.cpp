#include "closing/LedgerCheck.h"

#include "closing/ClosingLedger.h"
#include "core/Conversions.h"
#include "db/RecordSet.h"
#include "db/Session.h"
#include "snapshots/LedgerSnapshot.h"

#include <QHash>
#include <QMap>
#include <algorithm>
#include <cmath>

namespace {

// Half a paisa: figures closer than that are the same figure.
constexpr double kHalfPaisa = 0.005;

QString money(double amount)
{
    return QString::number(amount, 'f', 2);
}

// A posting side's account as the worksheet sees it: a row of Acc_Master
// that meets the condition.
QString eitherSide(const QString& condition)
{
    return QStringLiteral("exists(Select 1 from Acc_Master A where A.AccountID=T.Dr_Account%1) or "
                          "exists(Select 1 from Acc_Master A where A.AccountID=T.Cr_Account%1)")
        .arg(condition);
}

} // namespace

QList<double> LedgerCheck::numbers(const QString& sql, int columns)
{
    RecordSet rs = m_session.query(sql);
    QList<double> values(columns, 0);
    if (!rs.eof()) {
        for (int c = 0; c < columns; ++c)
            values[c] = LedgerSnapshot::amount(rs.field(c)); // a Sum of no rows is Null
    }
    rs.close();
    return values;
}

QList<LedgerCheck::Finding> LedgerCheck::run()
{
    QList<Finding> findings;
    postings(findings);
    openings(findings);
    years(findings);
    trialBalance(findings);
    carriedForward(findings);
    return findings;
}

void LedgerCheck::postings(QList<Finding>& findings)
{
    const QString group = QStringLiteral("Postings");
    const auto add = [&](const QString& where, const QString& what) {
        const QList<double> n = numbers(
            QStringLiteral("Select Count(*), Sum(Amount) from Acc_transaction T where ") + where,
            2);
        if (n[0] > 0)
            findings.append({group,
                             QStringLiteral("%1 postings %2 (amount %3); their amounts appear in "
                                            "no worksheet row")
                                 .arg(qint64(n[0]))
                                 .arg(what, money(n[1])),
                             qint64(n[0])});
    };
    add(QStringLiteral("not exists(Select 1 from Acc_Master A where A.AccountID=T.Dr_Account) or "
                       "not exists(Select 1 from Acc_Master A where A.AccountID=T.Cr_Account)"),
        QStringLiteral("whose debit or credit account is missing from Acc_Master"));
    add(eitherSide(QStringLiteral(" and A.ParentID in('P','B')")),
        QStringLiteral("whose debit or credit account is a group account (parent 'P' or 'B')"));
    add(eitherSide(QStringLiteral(" and A.ParentID is null")),
        QStringLiteral("whose debit or credit account has no parent (Null)"));
    add(QStringLiteral("not exists(Select 1 from Acc_Accounting_Year Y where "
                       "Y.AccYearID=T.Fin_Year_Id)"),
        QStringLiteral("in a year that is not in Acc_Accounting_Year"));

    const QList<double> nulls =
        numbers(QStringLiteral("Select Count(*) from Acc_transaction where Amount is null"), 1);
    if (nulls[0] > 0)
        findings.append({group,
                         QStringLiteral("%1 postings without an amount (Null), counted as 0")
                             .arg(qint64(nulls[0])),
                         qint64(nulls[0])});
}

void LedgerCheck::openings(QList<Finding>& findings)
{
    const QString group = QStringLiteral("Openings");
    const QList<double> twice = numbers(
        QStringLiteral("Select Count(*), Sum(N) from (Select AccId, AccYearID, Count(*) as N from "
                       "Acc_Opening group by AccId, AccYearID having Count(*)>1) D"),
        2);
    if (twice[0] > 0)
        findings.append({group,
                         QStringLiteral("%1 accounts hold more than one opening for a year (%2 "
                                        "rows); the worksheet reads only one of them")
                             .arg(qint64(twice[0]))
                             .arg(qint64(twice[1])),
                         qint64(twice[0])});
    const QList<double> sides =
        numbers(QStringLiteral("Select Count(*) from Acc_Opening where OpeningType is null or "
                               "upper(ltrim(rtrim(OpeningType))) not in('D','C')"),
                1);
    if (sides[0] > 0)
        findings.append({group,
                         QStringLiteral("%1 stored openings with a side other than D or C; a "
                                        "non-zero one counts as debit")
                             .arg(qint64(sides[0])),
                         qint64(sides[0])});
}

void LedgerCheck::years(QList<Finding>& findings)
{
    const QString group = QStringLiteral("Years");
    const qint64 active = qint64(
        numbers(QStringLiteral("Select Count(*) from Acc_Accounting_Year where Active=1"), 1)[0]);
    if (active == 0)
        findings.append({group, QStringLiteral("no active year"), 1});
    else if (active > 1)
        findings.append(
            {group, QStringLiteral("%1 active years; there must be one").arg(active), active});

    struct Span
    {
        qint32 start, end;
        double id;
    };
    const GridModel& list = m_ledger.years();
    QList<Span> spans;
    for (int r = 1; r <= list.rows(); ++r)
        spans.append({Conversions::wholeDay(list.numberAt(GridColumns::YrStartValue, r)),
                      Conversions::wholeDay(list.numberAt(GridColumns::YrEndValue, r)),
                      list.numberAt(GridColumns::YrId, r)});
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.start < b.start; });
    for (qsizetype i = 1; i < spans.size(); ++i) {
        const Span& before = spans[i - 1];
        const Span& after = spans[i];
        const qint32 days = after.start - before.end - 1;
        if (days == 0)
            continue;
        const QString what = days > 0 ? QStringLiteral("leave a gap of %1 days").arg(days)
                                      : QStringLiteral("overlap by %1 days").arg(-days);
        findings.append(
            {group,
             QStringLiteral("years %1 and %2 %3")
                 .arg(m_ledger.yearLabel(before.id), m_ledger.yearLabel(after.id), what),
             1});
    }
}

void LedgerCheck::trialBalance(QList<Finding>& findings) const
{
    // Double entry: every posting is a debit of one worksheet row and a
    // credit of another, so per year the closings sum to the openings.
    QMap<double, std::pair<double, double>> byYear; // openings, closings
    const GridModel& sheet = m_ledger.accounts();
    for (int r = 1; r <= sheet.rows(); ++r) {
        auto& sums = byYear[m_ledger.yearOf(r)];
        sums.first += m_ledger.signedOpening(r);
        sums.second += m_ledger.signedClosing(r);
    }
    for (auto it = byYear.cbegin(); it != byYear.cend(); ++it) {
        const double difference = it->second - it->first;
        if (std::fabs(difference) < kHalfPaisa)
            continue;
        findings.append({QStringLiteral("Trial balance"),
                         QStringLiteral("year %1: the closings sum to %2, the openings to %3, a "
                                        "difference of %4")
                             .arg(m_ledger.yearLabel(it.key()), money(it->second), money(it->first),
                                  money(difference)),
                         1});
    }
}

void LedgerCheck::carriedForward(QList<Finding>& findings) const
{
    const GridModel& sheet = m_ledger.accounts();
    QHash<QString, double> closing; // account key and year -> signed closing
    const auto key = [&](int row, double year) {
        return m_ledger.accountKey(row) + u'\x1f' + Conversions::numberText(year);
    };
    for (int r = 1; r <= sheet.rows(); ++r) {
        const QString k = key(r, m_ledger.yearOf(r));
        if (!closing.contains(k))
            closing.insert(k, m_ledger.signedClosing(r));
    }
    QMap<double, qint64> differing;
    for (int r = 1; r <= sheet.rows(); ++r) {
        const double year = m_ledger.yearOf(r);
        const double previous = m_ledger.previousYear(year);
        const auto before = closing.constFind(key(r, previous));
        if (previous < 0 || before == closing.cend())
            continue;
        if (std::fabs(m_ledger.signedOpening(r) - *before) >= kHalfPaisa)
            ++differing[year];
    }
    for (auto it = differing.cbegin(); it != differing.cend(); ++it)
        findings.append({QStringLiteral("Carried forward"),
                         QStringLiteral("year %1: %2 accounts whose opening differs from their "
                                        "closing of year %3 (not carried forward yet: a "
                                        "migration changes them)")
                             .arg(m_ledger.yearLabel(it.key()))
                             .arg(*it)
                             .arg(Conversions::numberText(m_ledger.previousYear(it.key()))),
                         *it});
}

QString LedgerCheck::text(const QList<Finding>& findings)
{
    if (findings.isEmpty())
        return QStringLiteral("Nothing found: the ledger is fit to close.\n");
    QString out;
    QString group;
    for (const Finding& f : findings) {
        if (f.group != group) {
            group = f.group;
            out += group + u'\n';
        }
        out += QStringLiteral("  ") + f.text + u'\n';
    }
    out += QStringLiteral("%1 findings\n").arg(findings.size());
    return out;
}
