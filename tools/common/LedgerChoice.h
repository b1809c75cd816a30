#pragma once

#include "db/Profile.h"

#include <QCommandLineOption>
#include <QString>
#include <QStringList>
#include <optional>

class QCommandLineParser;
class QTextStream;

// The ledger a command-line tool works on, named as in the window: the
// profile (--profile dosavine|bindwell) and the server name (--server).
class LedgerChoice
{
public:
    LedgerChoice();

    void addOptions(QCommandLineParser& parser) const;
    // False, with a line on err, when either is missing or wrong.
    bool read(const QCommandLineParser& parser, QTextStream& err);
    // Parses the command line with these options added: the exit status
    // when the tool is done already (0 after --help, 2 for bad arguments,
    // with a line on err), nothing when it goes on.
    std::optional<int> parse(QCommandLineParser& parser, const QStringList& arguments,
                             QTextStream& out, QTextStream& err);

    // --head N:HASH, the snapshot archive's head noted before, for the
    // command named; and its value once it has been checked to be a head
    // (false, with a line on err, when it is not).
    static QCommandLineOption headOption(const char* command);
    static bool readHead(const QCommandLineParser& parser, const QCommandLineOption& option,
                         QString& head, QTextStream& err);

    Profile::Id profile() const noexcept { return m_profile; }
    // "Dosavine" or "Bindwell", as the snapshot archive names the ledger.
    QString profileName() const { return Profile::catalog(m_profile); }
    const QString& server() const noexcept { return m_server; }

private:
    QCommandLineOption m_profileOption;
    QCommandLineOption m_serverOption;
    Profile::Id m_profile = Profile::Id::Dosavine;
    QString m_server;
};
