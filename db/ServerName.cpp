#include "db/ServerName.h"

#include <QRegularExpression>

namespace {

const QString kForms = QStringLiteral("Type the server as HOST, HOST\\INSTANCE or HOST,PORT.");

// The protocol prefixes SQL Server's clients know; only TCP reaches a server
// from this machine.
bool hasOtherProtocol(const QString& text, QString& protocol)
{
    for (const char* prefix : {"np:", "lpc:", "admin:", "via:"}) {
        if (text.startsWith(QLatin1String(prefix), Qt::CaseInsensitive)) {
            protocol = QString::fromLatin1(prefix).chopped(1);
            return true;
        }
    }
    return false;
}

} // namespace

ServerName::ServerName(const QString& typed) : m_typed(typed)
{
    QString text = typed.trimmed();
    QString protocol;
    if (hasOtherProtocol(text, protocol)) {
        fail(QStringLiteral("The server name \"%1\" asks for the %2 protocol, which cannot reach "
                            "a server from this computer. %3")
                 .arg(typed, protocol, kForms));
        return;
    }
    if (text.startsWith(QLatin1String("tcp:"), Qt::CaseInsensitive))
        text = text.mid(4);

    const qsizetype comma = text.lastIndexOf(u',');
    if (comma >= 0) {
        if (!readPort(text.mid(comma + 1)))
            return;
        text = text.left(comma);
    }
    const qsizetype backslash = text.indexOf(u'\\');
    if (backslash >= 0) {
        if (!readInstance(text.mid(backslash + 1)))
            return;
        text = text.left(backslash);
    }
    if (!readHost(text))
        return;
    if (m_port != 0)
        m_instance.clear(); // a port given wins, as SQL Server's clients have it
    else if (m_instance.isEmpty())
        m_port = DefaultPort;
}

bool ServerName::fail(const QString& problem)
{
    m_problem = problem;
    m_host.clear();
    m_instance.clear();
    m_port = 0;
    return false;
}

bool ServerName::readPort(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,5}$"));
    const QString port = text.trimmed();
    const int number = port.toInt();
    if (!digits.match(port).hasMatch() || number < 1 || number > 65535)
        return fail(QStringLiteral("The server name \"%1\" has \"%2\" as its port; a port is a "
                                   "number from 1 to 65535. %3")
                        .arg(m_typed, port, kForms));
    m_port = number;
    return true;
}

bool ServerName::readInstance(const QString& text)
{
    // SQL Server's rule for instance names: up to 16 characters, a letter,
    // "_", "&" or "#" first, then letters, digits, "_", "$", "&" or "#".
    static const QRegularExpression rule(QStringLiteral("^[A-Za-z_&#][A-Za-z0-9_$&#]{0,15}$"));
    const QString instance = text.trimmed();
    if (!rule.match(instance).hasMatch())
        return fail(QStringLiteral("The server name \"%1\" has \"%2\" as its instance, which is "
                                   "no instance name. %3")
                        .arg(m_typed, instance, kForms));
    // The default instance by its own name is the default instance.
    if (instance.compare(QLatin1String("MSSQLSERVER"), Qt::CaseInsensitive) != 0)
        m_instance = instance;
    return true;
}

bool ServerName::readHost(const QString& text)
{
    QString host = text.trimmed();
    if (host == QLatin1String(".") ||
        host.compare(QLatin1String("(local)"), Qt::CaseInsensitive) == 0)
        host = QStringLiteral("localhost");
    // An IPv6 address may come in brackets.
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    static const QRegularExpression name(
        QStringLiteral("^(?:[A-Za-z0-9_](?:[A-Za-z0-9_.-]{0,251}[A-Za-z0-9_])?|[0-9A-Fa-f:.]+)$"));
    if (host.isEmpty())
        return fail(
            QStringLiteral("The server name \"%1\" names no computer. %2").arg(m_typed, kForms));
    if (!name.match(host).hasMatch() || host.contains(QLatin1String("..")))
        return fail(QStringLiteral("The server name \"%1\" is no computer name or address: such a "
                                   "name holds only letters, digits, \"-\", \"_\" and \".\". %2")
                        .arg(m_typed, kForms));
    m_host = host;
    return true;
}
