#include "closing/ClosingReport.h"

#include "closing/ClosingLedger.h"
#include "closing/PackFigures.h"
#include "core/Amounts.h"
#include "core/Failure.h"
#include "core/Numbers.h"
#include "core/Texts.h"

#include <QDateTime>
#include <QDir>
#include <QSaveFile>

namespace {

using G = GridColumns;

QString csvField(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n'))
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString cell(const QString& text, bool number = false)
{
    return (number ? QStringLiteral("<td class=n>") : QStringLiteral("<td>")) +
           text.toHtmlEscaped() + QStringLiteral("</td>");
}

const char* const kStyle = R"(
@page { size: A4; margin: 14mm 12mm; }
body { font-family: "DejaVu Sans", Arial, sans-serif; font-size: 9pt; color: #000; margin: 0; }
h1 { font-size: 14pt; margin: 0 0 2mm; }
h2 { font-size: 11pt; margin: 6mm 0 2mm; break-after: avoid; page-break-after: avoid; }
p.meta { margin: 0 0 4mm; color: #333; }
table { border-collapse: collapse; width: 100%; }
thead { display: table-header-group; }
tr { break-inside: avoid; page-break-inside: avoid; }
th, td { border-bottom: 0.2mm solid #999; padding: 0.6mm 1.5mm; text-align: left; }
th { background: #eee; }
td.n, th.n { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; }
ul.findings { margin: 0 0 4mm 5mm; padding: 0; }
p.clean { margin: 0 0 4mm; }
section.year { break-before: page; page-break-before: always; }
)";

} // namespace

QString ClosingReport::csv() const
{
    const GridModel& sheet = m_ledger.accounts();
    QString out = QStringLiteral("Account,Name,Year,Opening,Opening side,Debit,Credit,Balance,"
                                 "Balance side,Next year opening\r\n");
    for (int r = 1; r <= sheet.rows(); ++r) {
        const QStringList fields{csvField(Texts::trimBlanks(sheet.readText(G::AccAccountId, r))),
                                 csvField(sheet.readText(G::AccName, r)),
                                 Numbers::numberText(m_ledger.yearOf(r)),
                                 Amounts::text(sheet.numberAt(G::AccOpening, r)),
                                 csvField(Texts::trimBlanks(sheet.readText(G::AccOpeningType, r))),
                                 Amounts::text(sheet.numberAt(G::AccDebit, r)),
                                 Amounts::text(sheet.numberAt(G::AccCredit, r)),
                                 Amounts::text(sheet.numberAt(G::AccBalance, r)),
                                 sheet.readText(G::AccType, r),
                                 Amounts::text(sheet.numberAt(G::AccNextOpening, r))};
        out += fields.join(u',') + QStringLiteral("\r\n");
    }
    return out;
}

QString ClosingReport::totalsTable() const
{
    QString out = QStringLiteral(
        "<table><thead><tr><th>Year</th><th class=n>Accounts</th><th class=n>Openings</th>"
        "<th class=n>Debit</th><th class=n>Credit</th><th class=n>Closings</th></tr></thead>"
        "<tbody>\n");
    const PackFigures figures = PackFigures::of(m_ledger);
    for (const PackFigures::Year& year : figures.years())
        out += QStringLiteral("<tr>") + cell(year.label) +
               cell(QString::number(year.lines.size()), true) +
               cell(Amounts::sided(year.openings), true) +
               cell(Amounts::grouped(year.debit), true) +
               cell(Amounts::grouped(year.credit), true) +
               cell(Amounts::sided(year.closings), true) + QStringLiteral("</tr>\n");
    return out + QStringLiteral("</tbody></table>\n");
}

QString ClosingReport::yearSection(double year) const
{
    const GridModel& sheet = m_ledger.accounts();
    QString out = QStringLiteral("<section class=year><h2>Year %1</h2>\n")
                      .arg(m_ledger.yearLabel(year).toHtmlEscaped());
    out += QStringLiteral("<table><thead><tr><th>Account</th><th>Name</th><th class=n>Opening</th>"
                          "<th class=n>Debit</th><th class=n>Credit</th><th class=n>Balance</th>"
                          "<th class=n>Next year's opening</th></tr></thead><tbody>\n");
    for (int r = 1; r <= sheet.rows(); ++r) {
        if (m_ledger.yearOf(r) != year)
            continue;
        const QString side = Texts::trimBlanks(sheet.readText(G::AccOpeningType, r));
        out += QStringLiteral("<tr>") +
               cell(Texts::trimBlanks(sheet.readText(G::AccAccountId, r))) +
               cell(sheet.readText(G::AccName, r)) +
               cell(Amounts::grouped(sheet.numberAt(G::AccOpening, r)) + u' ' + side, true) +
               cell(Amounts::grouped(sheet.numberAt(G::AccDebit, r)), true) +
               cell(Amounts::grouped(sheet.numberAt(G::AccCredit, r)), true) +
               cell(Amounts::grouped(sheet.numberAt(G::AccBalance, r)) + u' ' +
                        sheet.readText(G::AccType, r),
                    true) +
               cell(Amounts::grouped(sheet.numberAt(G::AccNextOpening, r)) + u' ' +
                        sheet.readText(G::AccType, r),
                    true) +
               QStringLiteral("</tr>\n");
    }
    return out + QStringLiteral("</tbody></table></section>\n");
}

QString ClosingReport::html() const
{
    QString out = QStringLiteral("<!DOCTYPE html>\n<html lang=en><head><meta charset=utf-8>"
                                 "<title>Closing figures: %1</title><style>%2</style></head>"
                                 "<body>\n")
                      .arg(m_ledgerName.toHtmlEscaped(), QString::fromLatin1(kStyle));
    out += QStringLiteral("<h1>Closing figures: %1</h1>\n").arg(m_ledgerName.toHtmlEscaped());
    out += QStringLiteral("<p class=meta>Made %1 by Quillhaven from the ledger as it stood; "
                          "amounts debit (D) or credit (C), closings cut to two decimals.</p>\n")
               .arg(QDateTime::currentDateTime().toString(QStringLiteral("d MMMM yyyy, HH:mm")));
    if (!m_archiveState.isEmpty())
        out += QStringLiteral("<p class=meta>%1</p>\n").arg(m_archiveState.toHtmlEscaped());
    out += QStringLiteral("<h2>Findings</h2>\n");
    if (m_findings.isEmpty()) {
        out += QStringLiteral("<p class=clean>Nothing found: the ledger is fit to close.</p>\n");
    } else {
        out += QStringLiteral("<ul class=findings>\n");
        for (const LedgerCheck::Finding& f : m_findings)
            out += QStringLiteral("<li>%1: %2</li>\n")
                       .arg(f.group.toHtmlEscaped(), f.text.toHtmlEscaped());
        out += QStringLiteral("</ul>\n");
    }
    out += QStringLiteral("<h2>Totals per year</h2>\n") + totalsTable();
    const GridModel& years = m_ledger.years();
    for (int y = 1; y <= years.rows(); ++y)
        out += yearSection(years.numberAt(G::YrId, y));
    return out + QStringLiteral("</body></html>\n");
}

void ClosingReport::save(const QString& path, const QString& text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        throw Failure(Failure::FileAccess,
                      QStringLiteral("The report %1 cannot be written: %2")
                          .arg(QDir::toNativeSeparators(path), file.errorString()),
                      Failure::Kind::OwnFile);
}
