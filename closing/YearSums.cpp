#include "closing/YearSums.h"

#include "closing/ClosingLedger.h"
#include "core/Amounts.h"
#include "core/Numbers.h"
#include "core/Texts.h"

#include <QHash>
#include <QMap>
#include <cmath>

YearSums::YearSums(const ClosingLedger& ledger, const QList<AccountFigures::Figure>& figures)
    : m_ledger(ledger), m_figures(figures)
{
    for (const AccountFigures::Figure& f : m_figures) {
        Totals& totals = m_totals[f.year];
        totals.openings += f.signedOpening();
        totals.closings += f.signedClosing();
    }
}

void YearSums::openingsBalance(QList<LedgerCheck::Finding>& findings) const
{
    QMap<double, QList<QVariantList>> accounts;
    for (const AccountFigures::Figure& f : m_figures) {
        if (!Amounts::same(f.signedOpening(), 0))
            accounts[f.year].append({f.account, f.signedOpening()});
    }
    for (auto it = m_totals.cbegin(); it != m_totals.cend(); ++it) {
        const double sum = it->openings;
        if (Amounts::same(sum, 0))
            continue;
        findings.append({QStringLiteral("Openings"),
                         QStringLiteral("year %1: the openings do not balance, %2 exceed %3 by %4")
                             .arg(m_ledger.yearLabel(it.key()),
                                  sum > 0 ? QStringLiteral("debits") : QStringLiteral("credits"),
                                  sum > 0 ? QStringLiteral("credits") : QStringLiteral("debits"),
                                  Amounts::grouped(std::fabs(sum))),
                         1,
                         sum,
                         QString(),
                         {{QStringLiteral("Account"), QStringLiteral("Opening (debit +)")},
                          accounts.value(it.key())}});
    }
}

void YearSums::trialBalance(QList<LedgerCheck::Finding>& findings) const
{
    // Double entry: every posting is a debit of one worksheet row and a
    // credit of another, so per year the closings sum to the openings.
    QMap<double, QList<QVariantList>> accounts;
    for (const AccountFigures::Figure& f : m_figures)
        accounts[f.year].append(
            {f.account, f.signedOpening(), f.debit, f.credit, f.signedClosing()});
    for (auto it = m_totals.cbegin(); it != m_totals.cend(); ++it) {
        const double difference = it->closings - it->openings;
        if (Amounts::same(it->closings, it->openings))
            continue;
        findings.append({QStringLiteral("Trial balance"),
                         QStringLiteral("year %1: the closings sum to %2, the openings to %3, a "
                                        "difference of %4")
                             .arg(m_ledger.yearLabel(it.key()), Amounts::sided(it->closings),
                                  Amounts::sided(it->openings), Amounts::sided(difference)),
                         1,
                         difference,
                         QString(),
                         {{QStringLiteral("Account"), QStringLiteral("Opening (debit +)"),
                           QStringLiteral("Debit"), QStringLiteral("Credit"),
                           QStringLiteral("Closing (debit +)")},
                          accounts.value(it.key())}});
    }
}

void YearSums::carriedForward(QList<LedgerCheck::Finding>& findings) const
{
    QHash<QString, double> closing; // per account and year, signed
    for (const AccountFigures::Figure& f : m_figures)
        closing.insert(m_ledger.pairKey(f.account, f.year), f.signedClosing());
    QMap<double, QList<QVariantList>> differing; // per year: account, opening, closing before
    QMap<double, double> moved;
    for (const AccountFigures::Figure& f : m_figures) {
        const auto before =
            closing.constFind(m_ledger.pairKey(f.account, m_ledger.previousYear(f.year)));
        const double opening = f.signedOpening();
        if (before != closing.cend() && !Amounts::same(opening, *before)) {
            differing[f.year].append({f.account, opening, *before, *before - opening});
            moved[f.year] += std::fabs(*before - opening);
        }
    }
    for (auto it = differing.cbegin(); it != differing.cend(); ++it)
        findings.append(
            {QStringLiteral("Carried forward"),
             QStringLiteral("year %1: %2 whose opening differs from their "
                            "closing of year %3 (not carried forward yet: a "
                            "migration changes them)")
                 .arg(m_ledger.yearLabel(it.key()),
                      Texts::counted(it->size(), "account", "accounts"))
                 .arg(Numbers::numberText(m_ledger.previousYear(it.key()))),
             it->size(),
             moved.value(it.key()),
             QString(),
             {{QStringLiteral("Account"), QStringLiteral("Opening (debit +)"),
               QStringLiteral("Closing before (debit +)"), QStringLiteral("Difference")},
              *it}});
}
