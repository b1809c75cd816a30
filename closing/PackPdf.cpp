#include "closing/PackPdf.h"

#include "closing/PdfPages.h"
#include "core/Amounts.h"
#include "core/Failure.h"
#include "core/Texts.h"

#include <QDir>
#include <QFile>
#include <QPageLayout>
#include <QPdfWriter>
#include <QSaveFile>

namespace {

const QByteArray kFiguresOpen = QByteArrayLiteral("<qh:figures>");
const QByteArray kFiguresClose = QByteArrayLiteral("</qh:figures>");
const QByteArray kDigestOpen = QByteArrayLiteral("<qh:digest>");
const QByteArray kDigestClose = QByteArrayLiteral("</qh:digest>");
// The proof's differences the first page lists; the tool's verify lists all.
constexpr qsizetype kProofLines = 8;

QByteArray xmp(const AuditBooks::Pack& pack, const QString& title)
{
    return QByteArrayLiteral("<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
                             "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
                             "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
                             "<rdf:Description rdf:about=\"\" "
                             "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
                             "xmlns:qh=\"urn:quillhaven:pack:1\">\n"
                             "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">") +
           title.toHtmlEscaped().toUtf8() + QByteArrayLiteral("</rdf:li></rdf:Alt></dc:title>\n") +
           kDigestOpen + pack.digest.toLatin1() + kDigestClose + '\n' + kFiguresOpen +
           qCompress(pack.canonical.toUtf8(), 9).toBase64() + kFiguresClose +
           QByteArrayLiteral("\n</rdf:Description>\n</rdf:RDF>\n</x:xmpmeta>\n"
                             "<?xpacket end=\"w\"?>");
}

QByteArray between(const QByteArray& data, const QByteArray& open, const QByteArray& close)
{
    const qsizetype from = data.indexOf(open);
    const qsizetype to = from < 0 ? -1 : data.indexOf(close, from + open.size());
    return to < 0 ? QByteArray() : data.mid(from + open.size(), to - from - open.size());
}

Failure unreadable(const QString& path, const QString& why)
{
    return Failure(Failure::FileAccess,
                   QStringLiteral("The pack %1 %2.").arg(QDir::toNativeSeparators(path), why),
                   Failure::Kind::OwnFile);
}

void firstPage(PdfPages& pages, const AuditBooks::Pack& pack)
{
    pages.title(QStringLiteral("Year-end pack: ") + pack.ledger);
    pages.fact(QStringLiteral("Database"), pack.identity.profile);
    pages.fact(QStringLiteral("Server"), pack.identity.server);
    pages.fact(QStringLiteral("Identity"), pack.identity.identity);
    pages.fact(QStringLiteral("Made"),
               pack.madeAt.toString(QStringLiteral("d MMMM yyyy, HH:mm:ss")) +
                   QStringLiteral(" by the server's clock"));
    pages.fact(QStringLiteral("By"), QStringLiteral("%1 on %2").arg(pack.user, pack.machine));
    pages.fact(QStringLiteral("Archive"),
               !pack.chain.intact ? QStringLiteral("chain broken: ") + pack.chain.problem
               : pack.chain.head == 0
                   ? QStringLiteral("no snapshots")
                   : QStringLiteral("chain intact, head ") + pack.chain.headText());
    pages.fact(QStringLiteral("Digest"), pack.digest);
    pages.fact(QString(),
               QStringLiteral("SHA-256 of the figures of the closed years (%1): quillhaven-close "
                              "attest checks the ledger against it")
                   .arg(PackFigures::yearsText(pack.figures.closedYears())));

    pages.heading(QStringLiteral("Check: ") +
                  (pack.findings.isEmpty()
                       ? QStringLiteral("nothing found, the ledger is fit to close")
                       : Texts::counted(pack.findings.size(), "finding", "findings")));
    for (const LedgerCheck::Finding& finding : pack.findings)
        pages.paragraph(finding.group + QStringLiteral(": ") + finding.text);

    pages.heading(
        QStringLiteral("Proof: ") +
        (pack.proof.differences.isEmpty()
             ? QStringLiteral("Acc_Opening holds what the last migration must have "
                              "written")
             : Texts::counted(pack.proof.differences.size(), "difference", "differences") +
                   QStringLiteral(" beyond half a paisa")));
    QStringList proofLines = MigrationVerify::text(pack.proof).split(u'\n', Qt::SkipEmptyParts);
    if (proofLines.size() > kProofLines + 2) {
        const qsizetype more = proofLines.size() - 2 - kProofLines;
        proofLines = proofLines.mid(0, kProofLines + 1);
        proofLines.append(
            QStringLiteral("... and %1 more (quillhaven-close verify lists them)").arg(more));
    }
    for (const QString& line : std::as_const(proofLines))
        pages.paragraph(line);

    pages.heading(QStringLiteral("Totals per year"));
    pages.beginTable({{QStringLiteral("Year"), 125},
                      {QStringLiteral("Accounts"), 45, true},
                      {QStringLiteral("Openings"), 75, true},
                      {QStringLiteral("Debit"), 70, true},
                      {QStringLiteral("Credit"), 70, true},
                      {QStringLiteral("Closings"), 75, true},
                      {QStringLiteral("Carried"), 60, true}});
    for (const PackFigures::Year& year : pack.figures.years())
        pages.row({year.label, QString::number(year.lines.size()), Amounts::sided(year.openings),
                   Amounts::grouped(year.debit), Amounts::grouped(year.credit),
                   Amounts::sided(year.closings),
                   !year.closed          ? QStringLiteral("last year")
                   : year.differing == 0 ? QStringLiteral("all")
                                         : QStringLiteral("%1 not carried").arg(year.differing)},
                  year.differing > 0);
    pages.endTable();
}

void yearPages(PdfPages& pages, const PackFigures::Year& year)
{
    pages.newPage();
    pages.title(QStringLiteral("Year ") + year.label);
    pages.paragraph(QStringLiteral("%1; openings %2, debit %3, credit %4, closings %5.")
                        .arg(Texts::counted(year.lines.size(), "account", "accounts"),
                             Amounts::sided(year.openings), Amounts::grouped(year.debit),
                             Amounts::grouped(year.credit), Amounts::sided(year.closings)));
    if (year.closed) {
        pages.heading(QStringLiteral("Roll-forward into year ") + year.nextLabel);
        pages.paragraph(
            year.differing == 0
                ? QStringLiteral("Every closing is the next year's opening as stored.")
                : QStringLiteral("%1 not carried: marked \"differs\".")
                      .arg(Texts::counted(year.differing, "closing is", "closings are")));
        pages.beginTable({{QStringLiteral("Account"), 55},
                          {QStringLiteral("Name"), 120},
                          {QStringLiteral("Closing (postings)"), 80, true},
                          {QStringLiteral("Next opening (stored)"), 80, true},
                          {QStringLiteral("Difference"), 75, true},
                          {QString(), 40}});
        for (const PackFigures::Line& line : year.lines)
            pages.row({line.account, line.name, Amounts::sided(line.closing),
                       Amounts::sided(*line.storedNext), Amounts::sided(line.difference()),
                       line.differs() ? QStringLiteral("differs") : QString()},
                      line.differs());
        pages.endTable();
    } else {
        pages.paragraph(QStringLiteral("The last year: no next year's openings yet."));
    }
    pages.heading(QStringLiteral("Figures per account"));
    pages.beginTable({{QStringLiteral("Account"), 52},
                      {QStringLiteral("Name"), 100},
                      {QStringLiteral("Opening"), 76, true},
                      {QStringLiteral("Debit"), 68, true},
                      {QStringLiteral("Credit"), 68, true},
                      {QStringLiteral("Balance"), 76, true},
                      {QStringLiteral("Next opening"), 80, true}});
    for (const PackFigures::Line& line : year.lines)
        pages.row({line.account, line.name, Amounts::sided(line.opening),
                   Amounts::grouped(line.debit), Amounts::grouped(line.credit),
                   Amounts::sided(line.closing), Amounts::sided(line.carried)});
    pages.endTable();
}

} // namespace

void PackPdf::write(const QString& path, const AuditBooks::Pack& pack)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw unreadable(path, QStringLiteral("cannot be written: ") + file.errorString());
    {
        QPdfWriter writer(&file);
        const QString title = QStringLiteral("Year-end pack: ") + pack.ledger;
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Quillhaven"));
        writer.setResolution(72);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(12, 14, 12, 12), QPageLayout::Millimeter));
        writer.setDocumentXmpMetadata(xmp(pack, title));
        PdfPages::print(writer,
                        QStringLiteral("%1, digest %2").arg(pack.ledger, pack.digest.left(16)),
                        [&](PdfPages& pages) {
                            firstPage(pages, pack);
                            for (const PackFigures::Year& year : pack.figures.years())
                                yearPages(pages, year);
                        });
    }
    if (!file.commit())
        throw unreadable(path, QStringLiteral("cannot be written: ") + file.errorString());
}

QString PackPdf::figuresOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw unreadable(path, QStringLiteral("cannot be read: ") + file.errorString());
    const QByteArray data = file.readAll();
    const QByteArray packed = between(data, kFiguresOpen, kFiguresClose);
    const QString digest = QString::fromLatin1(between(data, kDigestOpen, kDigestClose));
    if (packed.isEmpty() || digest.isEmpty())
        throw unreadable(path, QStringLiteral("is no Quillhaven pack: it carries no figures"));
    QString figures = QString::fromUtf8(qUncompress(QByteArray::fromBase64(packed)));
    if (PackFigures::digestOf(figures) != digest)
        throw unreadable(path,
                         QStringLiteral("was altered: its figures no longer have its digest"));
    return figures;
}
