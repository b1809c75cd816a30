#pragma once

#include "closing/AuditBooks.h"
#include "db/Profile.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

// quillhaven-snapshots: the snapshots of one ledger (profile and server name,
// as in the window) listed, compared with the ledger as it is now, or
// restored.
class SnapshotsTool
{
public:
    SnapshotsTool(QTextStream& out, QTextStream& err) : m_out(out), m_err(err) {}

    // Runs the command line (program name first); the exit status: 0 done,
    // 1 the archive's chain is broken, 2 a failure or bad arguments.
    int run(const QStringList& arguments);

private:
    int list();
    int diff(int number);
    int restore(int number);

    QTextStream& m_out;
    QTextStream& m_err;
    QString m_profile;
    Profile::Id m_profileId = Profile::Id::Dosavine;
    QString m_server;
    QString m_head;
    AuditBooks m_books;
};
