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
    explicit WindowDriver(QString server) : m_server(std::move(server)) {}

    bool click(const std::function<void()>& command);
    bool connect();
    bool migrate();
    bool createYear();
    QString messages() const { return sink.texts().join(u'\n'); }

    FakeControls controls;
    CapturingSink sink;
    YearEndContext context{controls, sink};

private:
    QString m_server;
};
