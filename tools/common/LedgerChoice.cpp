#include "tools/common/LedgerChoice.h"

#include <QCommandLineParser>
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

bool LedgerChoice::read(const QCommandLineParser& parser, QTextStream& err)
{
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
