#pragma once

#include "db/Session.h"
#include "snapshots/SnapshotArchive.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

class ClosingLedger;
class LedgerChoice;
class TerminalProgress;

// quillhaven-close: is the ledger fit to close (check), what would Migrate
// Accounts change (preview), the closing figures on paper (report), and
// did the last migration come out right (verify). It loads the ledger as
// the window's refresh does and writes nothing to it.
class CloseTool
{
public:
    CloseTool(QTextStream& out, QTextStream& err) : m_out(out), m_err(err) {}

    // Runs the command line (program name first); the exit status: 0 all
    // is well, 1 something was found, 2 a failure or bad arguments.
    int run(const QStringList& arguments);

private:
    void load(ClosingLedger& ledger, TerminalProgress& progress);
    int check(const ClosingLedger& ledger);
    int preview(const ClosingLedger& ledger);
    int report(const ClosingLedger& ledger, const LedgerChoice& choice, const QString& csvPath,
               const QString& htmlPath);
    int verify(const ClosingLedger& ledger, const LedgerChoice& choice, const QString& head);
    // The ledger's snapshot archive.
    SnapshotArchive archiveOf(const LedgerChoice& choice);

    QTextStream& m_out;
    QTextStream& m_err;
    Session m_session;
};
