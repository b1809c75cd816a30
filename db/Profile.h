#pragma once

#include <QString>

class Session;

// The two built-in databases the operator can choose, each with its
// connection string prefix; the server name follows the prefix directly.
class Profile
{
public:
    enum class Id
    {
        Dosavine,
        Bindwell
    };

    static QString prefix(Id id);
    static QString catalog(Id id);
    static QString connectionString(Id id, const QString& sServer);
    // The opening part of Connect: opens the session with the profile's
    // connection string and the server name. Failures are thrown.
    static void connect(Session& session, Id id, const QString& sServer);
};
