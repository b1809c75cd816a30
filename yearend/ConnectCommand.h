#pragma once

#include <QString>

class YearEndContext;

// The click of cmdConnect, and Connect, which opens the chosen profile on the
// typed server.
class ConnectCommand
{
public:
    explicit ConnectCommand(YearEndContext& context) : m_context(context) {}

    // The whole command. After a successful open it runs the completion
    // steps (refresh, then both year-end buttons enabled); after a failed
    // open it stops. Failures of the refresh are thrown.
    void run();

    // Opens the connection; reports a failure by message and focus and
    // returns false, never throws.
    bool Connect(const QString& sServer);

private:
    YearEndContext& m_context;
};
