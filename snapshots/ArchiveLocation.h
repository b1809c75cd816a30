#pragma once

#include <QString>

class Session;

// Where the snapshots of a ledger are kept and what their file is called.
class ArchiveLocation
{
public:
    // A ledger as its archive knows it: the profile, the server name as
    // typed (which the records show) and what the ledger itself is
    // (LedgerIdentity), which decides the archive: every name that reaches
    // the same ledger finds the same snapshots.
    struct Ledger
    {
        QString profile;
        QString server;
        QString identity;
    };
    // Asks the open session what its ledger is (one query on SQL Server).
    static Ledger ledgerOf(Session& session, const QString& profile, const QString& server);

    // DATA/quillhaven/snapshots/, DATA being QUILLHAVEN_DATA when set, else
    // the user's data folder (XDG_DATA_HOME or ~/.local/share on Linux,
    // %LOCALAPPDATA% on Windows).
    static QString folder();
    // The archive of a ledger. One kept under the name as typed, as the
    // program kept them before, is taken over the first time: copied whole,
    // its chain going on, the old file left as it was.
    static QString pathFor(const Ledger& ledger);
    // Where an archive was kept by the server name as typed.
    static QString namedPathFor(const QString& profile, const QString& server);
};
