#include "tools/close/CloseTool.h"

#include "closing/LedgerCheck.h"
#include "closing/MigrationVerify.h"
#include "closing/PackPdf.h"
#include "core/Failure.h"
#include "core/Texts.h"
#include "tools/close/TerminalProgress.h"
#include "tools/common/LedgerChoice.h"

#include <QCommandLineParser>
#include <QDir>
#include <QRegularExpression>

namespace {

const char* const kDescription =
    "Checks, previews, reports and proves the year-end of a ledger, writing nothing to it.\n"
    "preview and report load it as the window's connect does; check and verify read the\n"
    "years and work set-based, with one aggregate query per year over the postings.\n"
    "\n"
    "Commands:\n"
    "  check    is the ledger fit to close? One line per finding, grouped, with counts:\n"
    "           postings that reach no worksheet row (account missing from Acc_Master, a\n"
    "           group account, a Null parent; a year not in Acc_Accounting_Year), ids of\n"
    "           postings that differ from their account's only by blanks or letter case,\n"
    "           postings without an amount, duplicate or one-sided openings, no or several\n"
    "           active years, years that overlap or leave a gap, per year openings that do\n"
    "           not balance (debits and credits apart), the trial balance (closings against\n"
    "           openings) and openings not yet carried forward.\n"
    "  preview  what Migrate Accounts would do: Acc_Opening today against the rows the\n"
    "           migration would leave, by year, the largest changes first, with the totals\n"
    "           per year before and after.\n"
    "  report   the closing figures per account and year: --csv FILE, --html FILE (one\n"
    "           page with the totals per year and the check's findings on top, that prints\n"
    "           on A4) and/or --pdf FILE, the auditor's pack: the check, the proof, the\n"
    "           archive's head, per year the roll-forward of every account and its figures,\n"
    "           and the digest of the closed years' figures.\n"
    "  verify   the proof: what the last migration must have written, recomputed from the\n"
    "           postings with one aggregate query per year, against Acc_Opening row by row;\n"
    "           every difference beyond half a paisa. It starts from the openings in the\n"
    "           snapshot kept before the last migration; without one, from the books alone.\n"
    "  attest   are the closed years' figures still those of a pack? --pdf FILE names\n"
    "           every account and year that differs and by how much; --digest HEX (the\n"
    "           pack's digest) says only whether. Exit status 0 same, 1 different.\n"
    "\n"
    "A long load draws a bar on standard error when it is a terminal.\n"
    "Exit status: 0 all is well (nothing found, nothing to change, no difference),\n"
    "1 something was found, 2 a failure (its number and text on standard error) or bad\n"
    "arguments.";

} // namespace

int CloseTool::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    LedgerChoice choice;
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 QStringLiteral("report: write the figures as CSV to FILE."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption html(QStringLiteral("html"),
                                  QStringLiteral("report: write the figures as HTML to FILE."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption pdf(
        QStringLiteral("pdf"),
        QStringLiteral("report: write the auditor's pack to FILE; attest: the pack to attest."),
        QStringLiteral("FILE"));
    const QCommandLineOption digest(QStringLiteral("digest"),
                                    QStringLiteral("attest: the digest a pack printed."),
                                    QStringLiteral("HEX"));
    const QCommandLineOption head = LedgerChoice::headOption("verify");
    parser.addOptions({csv, html, pdf, digest, head});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("check, preview, report, verify or attest"));
    if (const std::optional<int> done = choice.parse(parser, arguments, m_out, m_err))
        return *done;
    const QStringList words = parser.positionalArguments();
    const QString command = words.value(0);
    static const QStringList kCommands{QStringLiteral("check"), QStringLiteral("preview"),
                                       QStringLiteral("report"), QStringLiteral("verify"),
                                       QStringLiteral("attest")};
    if (words.size() != 1 || !kCommands.contains(command)) {
        m_err << "give one command: check, preview, report, verify or attest (see --help)"
              << Qt::endl;
        return 2;
    }
    if (command == QLatin1String("report") && !parser.isSet(csv) && !parser.isSet(html) &&
        !parser.isSet(pdf)) {
        m_err << "report writes to --csv FILE, --html FILE and/or --pdf FILE" << Qt::endl;
        return 2;
    }
    if (command == QLatin1String("attest") && parser.isSet(pdf) == parser.isSet(digest)) {
        m_err << "attest takes the pack, --pdf FILE, or its digest, --digest HEX" << Qt::endl;
        return 2;
    }
    // An option the command does not take would be ignored without a word.
    const auto only = [&](const QCommandLineOption& option, const QStringList& takenBy) {
        if (!parser.isSet(option) || takenBy.contains(command))
            return true;
        m_err << "--" << option.names().constFirst() << " goes with "
              << takenBy.join(QStringLiteral(" or ")) << " only" << Qt::endl;
        return false;
    };
    const QStringList reportOnly{QStringLiteral("report")};
    if (!only(csv, reportOnly) || !only(html, reportOnly) ||
        !only(pdf, {QStringLiteral("report"), QStringLiteral("attest")}) ||
        !only(digest, {QStringLiteral("attest")}) || !only(head, {QStringLiteral("verify")}))
        return 2;
    static const QRegularExpression sha256(QStringLiteral("^[0-9a-fA-F]{64}$"));
    if (parser.isSet(digest) && !sha256.match(parser.value(digest)).hasMatch()) {
        m_err << "--digest takes the pack's digest: 64 hexadecimal digits" << Qt::endl;
        return 2;
    }
    QString heldHead;
    if (!LedgerChoice::readHead(parser, head, heldHead, m_err))
        return 2;
    try {
        m_books.open(choice.profile(), choice.server());
        TerminalProgress progress(stderr);
        if (command == QLatin1String("check"))
            return check(progress);
        if (command == QLatin1String("preview"))
            return preview(progress);
        if (command == QLatin1String("report"))
            return report(progress, parser.value(csv), parser.value(html), parser.value(pdf));
        if (command == QLatin1String("attest"))
            return attest(progress, parser.value(pdf), parser.value(digest));
        return verify(progress, heldHead);
    } catch (const Failure& failure) {
        m_err << failure.text() << Qt::endl;
        return 2;
    }
}

int CloseTool::check(TerminalProgress& progress)
{
    const QList<LedgerCheck::Finding> findings = m_books.check(progress);
    m_out << LedgerCheck::text(findings) << Qt::flush;
    return findings.isEmpty() ? 0 : 1;
}

int CloseTool::preview(TerminalProgress& progress)
{
    progress.expect(m_books.loadWork());
    const AuditBooks::Preview preview = m_books.preview(progress);
    progress.finish();
    m_out << preview.text << Qt::flush;
    return preview.changes ? 1 : 0;
}

int CloseTool::report(TerminalProgress& progress, const QString& csvPath, const QString& htmlPath,
                      const QString& pdfPath)
{
    progress.expect(m_books.loadWork());
    AuditBooks::Pack pack;
    const AuditBooks::Report report =
        m_books.report(htmlPath, csvPath, progress, pdfPath.isEmpty() ? nullptr : &pack);
    progress.finish();
    if (!pdfPath.isEmpty())
        PackPdf::write(pdfPath, pack);
    m_out << QStringLiteral("%1 written; %2\n")
                 .arg(Texts::counted(report.worksheetRows, "worksheet row", "worksheet rows"),
                      Texts::counted(report.findings.size(), "finding", "findings"));
    if (!pdfPath.isEmpty())
        m_out << "pack digest " << pack.digest << '\n';
    m_out.flush();
    return report.findings.isEmpty() ? 0 : 1;
}

int CloseTool::attest(TerminalProgress& progress, const QString& pdfPath, const QString& digest)
{
    const QString figures = pdfPath.isEmpty() ? QString() : PackPdf::figuresOf(pdfPath);
    progress.expect(m_books.loadWork());
    const AuditBooks::Attestation attestation = pdfPath.isEmpty()
                                                    ? m_books.attestDigest(digest, progress)
                                                    : m_books.attestFigures(figures, progress);
    progress.finish();
    m_out << attestation.text << Qt::flush;
    return attestation.same ? 0 : 1;
}

int CloseTool::verify(TerminalProgress& progress, const QString& head)
{
    const AuditBooks::Proof proof = m_books.prove(progress, head);
    m_out << MigrationVerify::text(proof.result) << proof.archiveState << '\n' << Qt::flush;
    return proof.result.differences.isEmpty() && proof.chain.intact ? 0 : 1;
}
