#pragma once

#include "tests/support/CapturingSink.h"
#include "tests/support/FakeControls.h"
#include "yearend/YearEndContext.h"

#include <QString>
#include <functional>

// The window's commands without a window: connect (pharmacy), Migrate
// Accounts and Create Accounting Year clicked on fake controls, each true
// when it finished without a message.
class WindowDriver
{
public:
    WindowDriver() = default;
    explicit WindowDriver(QString serverName, const SessionOptions& options = {})
        : server(std::move(serverName))
    {
        context.setSessionOptions(options);
    }

    bool click(const std::function<void()>& command);
    bool connect();
    bool migrate();
    bool createYear();
    QString messages() const { return sink.texts().join(u'\n'); }

    QString server; // typed into the server name at each connect
    FakeControls controls;
    CapturingSink sink;
    YearEndContext context{controls, sink};
};
