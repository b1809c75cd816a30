#pragma once

#include "closing/AuditBooks.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

class TerminalProgress;

// quillhaven-close: is the ledger fit to close (check), what would Migrate
// Accounts change (preview), the closing figures on paper and the auditor's
// pack (report), did the last migration come out right (verify), and are a
// pack's figures still the ledger's (attest). It loads the ledger as the
// window's refresh does and writes nothing to it.
class CloseTool
{
public:
    CloseTool(QTextStream& out, QTextStream& err) : m_out(out), m_err(err) {}

    // Runs the command line (program name first); the exit status: 0 all
    // is well, 1 something was found, 2 a failure or bad arguments.
    int run(const QStringList& arguments);

private:
    int check(TerminalProgress& progress);
    int preview(TerminalProgress& progress);
    int report(TerminalProgress& progress, const QString& csvPath, const QString& htmlPath,
               const QString& pdfPath);
    int verify(TerminalProgress& progress, const QString& head);
    int attest(TerminalProgress& progress, const QString& pdfPath, const QString& digest);

    QTextStream& m_out;
    QTextStream& m_err;
    AuditBooks m_books;
};
