#include "closing/LedgerCheck.h"

#include "closing/ClosingLedger.h"
#include "closing/YearSums.h"
#include "core/Amounts.h"
#include "core/DayNumbers.h"
#include "core/GridColumns.h"
#include "core/Numbers.h"
#include "core/Progress.h"
#include "core/Texts.h"
#include "db/RecordSet.h"
#include "db/Session.h"
#include "db/SqlStatement.h"
#include "snapshots/LedgerSnapshot.h"
#include "worksheet/AccountWorksheet.h"
#include "worksheet/AmountsNotNumbers.h"

#include <QHash>
#include <algorithm>

namespace {

// Every id of Acc_Master, for a NOT IN test. A Null in a NOT IN list would
// make every answer unknown: kept out.
const QLatin1String
    kKnownAccounts("(Select AccountID from Acc_Master where AccountID is not null)");

// Postings whose debit or credit account is one of Acc_Master's that meets
// the condition. An IN list is worked out once, where a correlated lookup
// would scan the accounts again for every posting.
QString eitherSide(const QString& condition)
{
    const QString accounts =
        QStringLiteral("(Select AccountID from Acc_Master where %1)").arg(condition);
    return QStringLiteral("Dr_Account in%1 or Cr_Account in%1").arg(accounts);
}

// The rows behind a finding about postings or openings: the columns the
// closing reads, nothing of the application's own.
const QLatin1String
    kPostingRows("Select Dr_Account, Cr_Account, Amount, Fin_Year_Id from Acc_transaction where ");
const QLatin1String kOpeningRows("Select AccId, AccYearID, Opening, OpeningType, Closing, "
                                 "ClosingType from Acc_Opening O where ");
const QLatin1String
    kYearRows("Select AccYearID, Acc_Yr_Start, Acc_Yr_End, Active from Acc_Accounting_Year");

} // namespace

QList<double> LedgerCheck::numbers(const QString& sql, int columns)
{
    RecordSet rs = m_session.query(sql);
    QList<double> values(columns, 0);
    if (!rs.eof()) {
        for (int c = 0; c < columns; ++c)
            values[c] = Numbers::ofAnyValue(rs.field(c)); // a Sum of no rows is Null
    }
    rs.close();
    return values;
}

QList<LedgerCheck::Finding> LedgerCheck::run(Progress* progress)
{
    const auto done = [progress](int share) {
        if (progress)
            progress->setProgress(share);
    };
    QList<Finding> findings;
    done(0);
    postings(findings);
    done(300);
    idsApart(findings);
    done(450);
    openings(findings);
    notNumbers(findings);
    done(550);
    years(findings);
    done(600);
    QList<double> listed;
    const GridModel& list = m_ledger.years();
    for (int y = 1; y <= list.rows(); ++y)
        listed.append(list.numberAt(GridColumns::YrId, y));
    const QList<AccountFigures::Figure> figures = AccountFigures::compute(
        m_session, listed, OpeningRow::of(LedgerSnapshot::read(m_session).openings()));
    done(950);
    const YearSums sums(m_ledger, figures);
    sums.openingsBalance(findings);
    sums.trialBalance(findings);
    sums.carriedForward(findings);
    // A group's findings together, the groups in the order they first came.
    QStringList groups;
    for (const Finding& f : findings) {
        if (!groups.contains(f.group))
            groups.append(f.group);
    }
    std::stable_sort(findings.begin(), findings.end(),
                     [&groups](const Finding& a, const Finding& b) {
                         return groups.indexOf(a.group) < groups.indexOf(b.group);
                     });
    done(1000);
    return findings;
}

void LedgerCheck::postings(QList<Finding>& findings)
{
    const QString group = QStringLiteral("Postings");
    const auto add = [&](const QString& where, const QString& what) {
        const QList<double> n = numbers(
            QStringLiteral("Select Count(*), Sum(Amount) from Acc_transaction where ") + where, 2);
        if (n[0] > 0)
            findings.append({group,
                             QStringLiteral("%1 %2 (amount %3); their amounts appear in "
                                            "no worksheet row")
                                 .arg(Texts::counted(qint64(n[0]), "posting", "postings"), what,
                                      Amounts::grouped(n[1])),
                             qint64(n[0]),
                             n[1],
                             kPostingRows + where,
                             {}});
    };
    add(QStringLiteral("Dr_Account is null or Cr_Account is null or Dr_Account not in%1 or "
                       "Cr_Account not in%1")
            .arg(kKnownAccounts),
        QStringLiteral("whose debit or credit account is missing from Acc_Master"));
    add(eitherSide(QStringLiteral("ParentID in('P','B')")),
        QStringLiteral("whose debit or credit account is a group account (parent 'P' or 'B')"));
    add(eitherSide(QStringLiteral("ParentID is null")),
        QStringLiteral("whose debit or credit account has no parent (Null)"));
    add(QStringLiteral("Fin_Year_Id is null or Fin_Year_Id not in(Select AccYearID from "
                       "Acc_Accounting_Year where AccYearID is not null)"),
        QStringLiteral("in a year that is not in Acc_Accounting_Year"));

    const QList<double> nulls =
        numbers(QStringLiteral("Select Count(*) from Acc_transaction where Amount is null"), 1);
    if (nulls[0] > 0)
        findings.append({group,
                         QStringLiteral("%1 without an amount (Null), counted as 0")
                             .arg(Texts::counted(qint64(nulls[0]), "posting", "postings")),
                         qint64(nulls[0]),
                         std::nullopt,
                         kPostingRows + QLatin1String("Amount is null"),
                         {}});
}

void LedgerCheck::notNumbers(QList<Finding>& findings)
{
    const AmountsNotNumbers found = AmountsNotNumbers::count(m_session);
    for (qsizetype c = 0; c < found.counts.size(); ++c) {
        if (found.counts[c] == 0)
            continue;
        const AmountsNotNumbers::Column& column = AmountsNotNumbers::columns().at(c);
        const bool posting = column.table == QLatin1String("Acc_transaction");
        findings.append(
            {posting ? QStringLiteral("Postings") : QStringLiteral("Openings"),
             QStringLiteral("%1 whose %2 is not a number, counted as the number its text "
                            "begins with (0 where it begins with none)")
                 .arg(Texts::counted(found.counts[c], column.one, column.many), column.column),
             found.counts[c],
             std::nullopt,
             (posting ? QString(kPostingRows) : QString(kOpeningRows)) +
                 AmountsNotNumbers::condition(m_session, column),
             {}});
    }
}

void LedgerCheck::idsApart(QList<Finding>& findings)
{
    // What a person would take for the same id.
    const auto loose = [](const QString& id) { return Texts::trimBlanks(id).toCaseFolded(); };
    QHash<QString, QStringList> accounts;
    RecordSet master =
        m_session.query(QStringLiteral("Select AccountID from Acc_Master where ParentID ") +
                        AccountWorksheet::ListedParents);
    while (!master.eof()) {
        const QString id = master.field(0).toString();
        QStringList& same = accounts[loose(id)];
        if (!same.contains(id))
            same.append(id);
        master.moveNext();
    }
    master.close();
    if (accounts.isEmpty())
        return;
    RecordSet unmatched = m_session.query(
        QStringLiteral("Select Id, Count(*), Sum(Amount) from (Select Dr_Account as Id, Amount "
                       "from Acc_transaction union all Select Cr_Account as Id, Amount from "
                       "Acc_transaction) P where Id not in%1 group by Id")
            .arg(kKnownAccounts));
    while (!unmatched.eof()) {
        const QString id = unmatched.field(0).toString();
        const auto same = accounts.constFind(loose(id));
        if (!unmatched.field(0).isNull() && same != accounts.cend()) {
            const qint64 count = qint64(Numbers::ofAnyValue(unmatched.field(1)));
            const double amount = Numbers::ofAnyValue(unmatched.field(2));
            const QString quoted = SqlStatement::literal(id);
            QStringList named;
            for (const QString& account : *same)
                named.append(u'\'' + account + u'\'');
            findings.append(
                {QStringLiteral("Account ids"),
                 QStringLiteral("%1 name '%2', the account is %3 (amount %4); the "
                                "worksheet counts none of them: the ids differ by blanks or "
                                "letter case")
                     .arg(Texts::counted(count, "posting", "postings"), id,
                          named.join(QStringLiteral(" or ")), Amounts::grouped(amount)),
                 count,
                 amount,
                 kPostingRows + QStringLiteral("Dr_Account=%1 or Cr_Account=%1").arg(quoted),
                 {}});
        }
        unmatched.moveNext();
    }
    unmatched.close();
}

void LedgerCheck::openings(QList<Finding>& findings)
{
    const QString group = QStringLiteral("Openings");
    static const char* const kOddSides =
        "OpeningType is null or upper(ltrim(rtrim(OpeningType))) not in('D','C')";
    const QList<double> twice = numbers(
        QStringLiteral("Select Count(*), Sum(N) from (Select AccId, AccYearID, Count(*) as N from "
                       "Acc_Opening group by AccId, AccYearID having Count(*)>1) D"),
        2);
    if (twice[0] > 0)
        findings.append({group,
                         QStringLiteral("%1 with more than one opening for a year (%2); the "
                                        "worksheet reads only one of them")
                             .arg(Texts::counted(qint64(twice[0]), "account", "accounts"),
                                  Texts::counted(qint64(twice[1]), "row", "rows")),
                         qint64(twice[0]),
                         std::nullopt,
                         kOpeningRows + QLatin1String("(Select Count(*) from Acc_Opening D where "
                                                      "D.AccId=O.AccId and "
                                                      "D.AccYearID=O.AccYearID)>1"),
                         {}});
    const QList<double> sides = numbers(
        QStringLiteral("Select Count(*) from Acc_Opening where ") + QLatin1String(kOddSides), 1);
    if (sides[0] > 0)
        findings.append(
            {group,
             QStringLiteral("%1 with a side other than D or C; a "
                            "non-zero one counts as debit")
                 .arg(Texts::counted(qint64(sides[0]), "stored opening", "stored openings")),
             qint64(sides[0]),
             std::nullopt,
             kOpeningRows + QLatin1String(kOddSides),
             {}});
}

void LedgerCheck::years(QList<Finding>& findings)
{
    const QString group = QStringLiteral("Years");
    const qint64 active = qint64(
        numbers(QStringLiteral("Select Count(*) from Acc_Accounting_Year where Active=1"), 1)[0]);
    if (active == 0)
        findings.append({group, QStringLiteral("no active year"), 1, std::nullopt, kYearRows, {}});
    else if (active > 1)
        findings.append({group,
                         QStringLiteral("%1 active years; there must be one").arg(active),
                         active,
                         std::nullopt,
                         kYearRows + QLatin1String(" where Active=1"),
                         {}});

    struct Span
    {
        qint32 start, end;
        double id;
    };
    const GridModel& list = m_ledger.years();
    QList<Span> spans;
    for (int r = 1; r <= list.rows(); ++r)
        spans.append({DayNumbers::wholeDay(list.numberAt(GridColumns::YrStartValue, r)),
                      DayNumbers::wholeDay(list.numberAt(GridColumns::YrEndValue, r)),
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
             1,
             std::nullopt,
             kYearRows + QStringLiteral(" where AccYearID in(%1,%2)")
                             .arg(Numbers::numberText(before.id), Numbers::numberText(after.id)),
             {}});
    }
}

LedgerCheck::Rows LedgerCheck::rowsBehind(Session& session, const Finding& finding, int most)
{
    if (finding.rowsQuery.isEmpty()) {
        Rows rows = finding.rows;
        if (rows.values.size() > most)
            rows.values.resize(most);
        return rows;
    }
    Rows rows;
    RecordSet rs = session.query(finding.rowsQuery);
    rows.columns = rs.columns();
    while (!rs.eof() && rows.values.size() < most) {
        QVariantList row;
        for (int c = 0; c < rows.columns.size(); ++c)
            row.append(rs.field(c));
        rows.values.append(row);
        rs.moveNext();
    }
    rs.close();
    return rows;
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
    out += Texts::counted(findings.size(), "finding", "findings") + u'\n';
    return out;
}
