#pragma once

#include <QString>

class Session;

// What the ledger behind an open session itself is, whatever name it was
// reached by: for an embedded ledger its file's canonical path; for SQL
// Server what the server says (its name, the database's name, id and
// creation date), which costs one query.
class LedgerIdentity
{
public:
    static QString of(Session& session);
};
