#pragma once

class YearEndContext;

// The click of CmdMigrate: rebuilds Acc_Opening from the worksheet, all or
// nothing, once the ledger still holds the years the worksheet was loaded
// with.
class MigrateCommand
{
public:
    explicit MigrateCommand(YearEndContext& context) : m_context(context) {}

    void run();

private:
    YearEndContext& m_context;
};
