#pragma once

#include <QString>

class Session;

// Lets the inserts made while it lives give a table's identity column its
// values. SQL Server takes such values only between SET IDENTITY_INSERT ON
// and OFF, and refuses that SET for a table without an identity; SQLite
// takes given ids as they are. Nothing is sent where nothing is needed.
// Each SET goes as a request of its own: it gives no result, and a request
// of statements that each give one must not hold it.
class IdentityInsert
{
public:
    // needed: the inserts name the table's identity column.
    IdentityInsert(Session& session, const QString& table, bool needed);
    // SET ... OFF, once the inserts are sent. Left out when a failure ends
    // the scope: the transaction's rollback and the connection's end undo it.
    void end();

private:
    Session& m_session;
    QString m_table;
    bool m_on = false;
};
