#include "tools/common/LedgerChoice.h"

#include "snapshots/SnapshotArchive.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QTextStream>

LedgerChoice::LedgerChoice()
    : m_profileOption(QStringLiteral("profile"),
                      QStringLiteral("The database: dosavine or bindwell."),
                      QStringLiteral("NAME")),
      m_serverOption(QStringLiteral("server"),
                     QStringLiteral("The server name as typed in the window (a SQL Server, "
                                    "sqlite:FOLDER or sqliteodbc:FOLDER)."),
                     QStringLiteral("NAME"))
{
}

void LedgerChoice::addOptions(QCommandLineParser& parser) const
{
    parser.addOptions({m_profileOption, m_serverOption});
}

QCommandLineOption LedgerChoice::headOption(const char* command)
{
    return QCommandLineOption(QStringLiteral("head"),
                              QStringLiteral("%1: the head N:HASH of the snapshot archive noted "
                                             "before; the chain must still hold it as it was.")
                                  .arg(QLatin1String(command)),
                              QStringLiteral("N:HASH"));
}

bool LedgerChoice::readHead(const QCommandLineParser& parser, const QCommandLineOption& option,
                            QString& head, QTextStream& err)
{
    head = parser.value(option);
    if (!parser.isSet(option) || SnapshotArchive::isHead(head))
        return true;
    err << "--head takes the head as quillhaven-snapshots list prints it: NUMBER:HASH" << Qt::endl;
    return false;
}

bool LedgerChoice::read(const QCommandLineParser& parser, QTextStream& err)
{
    // Of two, the parser would silently take the last.
    for (const QCommandLineOption* option : {&m_profileOption, &m_serverOption}) {
        if (parser.values(*option).size() > 1) {
            err << "--" << option->names().constFirst() << " is given more than once" << Qt::endl;
            return false;
        }
    }
    const QString which = parser.value(m_profileOption).toLower();
    if (which != QLatin1String("dosavine") && which != QLatin1String("bindwell")) {
        err << "--profile takes dosavine or bindwell" << Qt::endl;
        return false;
    }
    m_profile = which == QLatin1String("dosavine") ? Profile::Id::Dosavine : Profile::Id::Bindwell;
    m_server = parser.value(m_serverOption).trimmed();
    if (m_server.isEmpty()) {
        err << "--server takes the server name as typed in the window" << Qt::endl;
        return false;
    }
    return true;
}

std::optional<int> LedgerChoice::parse(QCommandLineParser& parser, const QStringList& arguments,
                                       QTextStream& out, QTextStream& err)
{
    addOptions(parser);
    parser.addHelpOption();
    // "-1" reads as an option; a snapshot's or a year's number never is one.
    static const QRegularExpression negative(QStringLiteral("^-[0-9]+$"));
    for (const QString& argument : arguments.mid(1)) {
        if (negative.match(argument).hasMatch()) {
            err << argument << " is no number of this tool's: numbers start at 1" << Qt::endl;
            return 2;
        }
    }
    if (!parser.parse(arguments)) {
        err << parser.errorText() << Qt::endl;
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        out << parser.helpText() << Qt::flush;
        return 0;
    }
    if (!read(parser, err))
        return 2;
    return std::nullopt;
}
