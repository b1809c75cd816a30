#include "tests/tds/ServerControl.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString ServerControl::ledgerFile(const QString& catalog) const
{
    // Only a plain name picks a file; nothing may reach outside the folder.
    if (catalog.isEmpty() || catalog.contains(u'/') || catalog.contains(u'\\') ||
        catalog.startsWith(u'.'))
        return {};
    const QDir dir(folder);
    const QStringList files = dir.entryList({QStringLiteral("*.db")}, QDir::Files);
    for (const QString& file : files) {
        if (QFileInfo(file).completeBaseName().compare(catalog, Qt::CaseInsensitive) == 0)
            return dir.filePath(file);
    }
    return {};
}

const ServerControl::Login* ServerControl::findLogin(const QString& user,
                                                     const QString& password) const
{
    for (const Login& login : logins) {
        // Login names ignore letter case; passwords do not.
        if (login.user.compare(user, Qt::CaseInsensitive) == 0 && login.password == password)
            return &login;
    }
    return nullptr;
}

ServerControl::Fate ServerControl::arrive()
{
    const int64_t number = ++m_requests;
    if (m_dropAt != 0 && number == m_dropAt)
        return Fate::Drop;
    if (m_loseAt != 0 && number == m_loseAt)
        return Fate::Lose;
    if (m_hangAt != 0 && number >= m_hangAt)
        return Fate::Hang;
    if (m_deadlockAt != 0 && number == m_deadlockAt)
        return Fate::Deadlock;
    return Fate::Answer;
}

void ServerControl::dropAt(int k)
{
    m_dropAt = k > 0 ? m_requests + k : 0;
}

void ServerControl::loseAt(int k)
{
    m_loseAt = k > 0 ? m_requests + k : 0;
}

void ServerControl::deadlockAt(int k)
{
    m_deadlockAt = k > 0 ? m_requests + k : 0;
}

void ServerControl::hangAt(int k)
{
    m_hangAt = k > 0 ? m_requests + k : 0;
}

QString ServerControl::stats() const
{
    return QStringLiteral("requests %1 statements %2 connections %3 logins %4 encrypted-logins %5 "
                          "encrypted-sessions %6")
        .arg(m_requests.load())
        .arg(m_statements.load())
        .arg(m_connections.load())
        .arg(m_logins.load())
        .arg(m_loginsOnly.load())
        .arg(m_wholeSessions.load());
}

void ServerControl::resetCounts()
{
    m_requests = 0;
    m_statements = 0;
    m_connections = 0;
    m_logins = 0;
    m_loginsOnly = 0;
    m_wholeSessions = 0;
    m_dropAt = 0;
    m_loseAt = 0;
    m_hangAt = 0;
    m_deadlockAt = 0;
}

void ServerControl::logBatch(const QString& text)
{
    const std::lock_guard lock(m_logMutex);
    if (m_logFile.isEmpty())
        return;
    QFile file(m_logFile);
    QString line = text;
    line.replace(u'\\', QStringLiteral("\\\\")).replace(u'\n', QStringLiteral("\\n"));
    if (file.open(QIODevice::Append | QIODevice::Text))
        file.write(line.toUtf8() + "\n");
}

bool ServerControl::isCaseSensitive() const
{
    return collation.contains(QLatin1String("_CS"), Qt::CaseInsensitive) ||
           collation.contains(QLatin1String("_BIN"), Qt::CaseInsensitive);
}
