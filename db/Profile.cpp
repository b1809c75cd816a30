#include "db/Profile.h"

#include "db/Session.h"

QString Profile::prefix(Id id)
{
    // Sent exactly as the business applications' own tools send them: the key
    // order and the spelling of the catalog key differ on purpose.
    switch (id) {
    case Id::Dosavine:
        return QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=False;User ID=Dosavine;"
                              "Password=QuintonVaresse;Initial catalog=Dosavine;Data Source=");
    case Id::Bindwell:
        break;
    }
    return QStringLiteral("Provider=SQLOLEDB.1;Password=QuintonVaresse;Persist Security Info=False;"
                          "User ID=Bindwell;Initial Catalog=Bindwell;Data Source=");
}

QString Profile::catalog(Id id)
{
    return id == Id::Dosavine ? QStringLiteral("Dosavine") : QStringLiteral("Bindwell");
}

QString Profile::connectionString(Id id, const QString& sServer)
{
    return prefix(id) + sServer;
}

void Profile::connect(Session& session, Id id, const QString& sServer)
{
    session.open(connectionString(id, sServer));
}
