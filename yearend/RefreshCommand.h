#pragma once

class YearEndContext;

// Rebuilds the years list, the worksheet and its balances from the open
// database, then enables the year-end commands once the server's date has
// reached the active year's last day. Also the completion of the connect
// command.
class RefreshCommand
{
public:
    explicit RefreshCommand(YearEndContext& context) : m_context(context) {}

    // The refresh itself (throws Failure; the worksheet is then unsound).
    void run();
    // The connect command's completion: refresh, then enable both buttons.
    void completeConnect();

private:
    YearEndContext& m_context;
};
