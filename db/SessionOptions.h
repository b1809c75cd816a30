#pragma once

#include "db/SqlDialect.h"

// How one connection waits and how much it sends at once. The defaults are
// the operator's; tests shorten the waits and the bench changes the batch
// limits, each on its own connections only.
struct SessionOptions
{
    // How long opening a SQL Server connection waits for the server to
    // answer (15, as the old provider waited).
    int loginTimeoutSeconds = 15;
    // How long a request to SQL Server waits for its answer before the
    // command fails (30, the old provider's command timeout).
    int queryTimeoutSeconds = 30;
    // How long a SQL Server statement waits for a lock another connection
    // holds before it fails with 1222 (0: it never waits). SQL Server's own
    // default is to wait for ever.
    int lockTimeoutSeconds = 30;
    // How much one batched request may hold.
    int batchStatements = SqlDialect::BatchStatements;
    qsizetype batchCharacters = SqlDialect::BatchCharacters;
};
