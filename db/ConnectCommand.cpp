#include "db/ConnectCommand.h"

#include "app/FormControls.h"
#include "app/MessageSink.h"
#include "app/RefreshCommand.h"
#include "app/YearEndContext.h"
#include "db/Failure.h"
#include "db/Profile.h"

namespace {

// Leading and trailing space characters only; tabs and other blanks stay.
QString trimSpaces(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == u' ')
        ++first;
    while (last > first && text.at(last - 1) == u' ')
        --last;
    return text.mid(first, last - first);
}

} // namespace

void ConnectCommand::run()
{
    m_context.replaceSession();
    m_context.setWorksheetSound(false);

    FormControls& controls = m_context.controls();
    const bool pharma = controls.isPharmaChecked();
    const bool stores = controls.isStoresChecked();
    if (!pharma && !stores) {
        m_context.sink().show(QStringLiteral("Select Any One Database Name"),
                              MessageSink::Icon::Information);
        return;
    }

    const QString server = trimSpaces(controls.serverText());
    if (server.isEmpty()) {
        if (controls.isServerEnabled())
            controls.focusServer();
        return;
    }

    // A failed open has been reported already; refreshing on a closed
    // connection would only add a second message.
    if (!Connect(server))
        return;
    RefreshCommand(m_context).completeConnect();
}

bool ConnectCommand::Connect(const QString& sServer)
{
    FormControls& controls = m_context.controls();
    try {
        Session& session = m_context.replaceSession();
        if (controls.isPharmaChecked())
            session.open(Profile::connectionString(Profile::Id::Dosavine, sServer));
        else if (controls.isStoresChecked())
            session.open(Profile::connectionString(Profile::Id::Bindwell, sServer));
        controls.setStatusText(QStringLiteral("Server Connected"));
        return true;
    } catch (const Failure& failure) {
        if (failure.number() == Failure::E_FAIL)
            m_context.sink().show(QStringLiteral("Please enter Valid Server Name "),
                                  MessageSink::Icon::None);
        else
            m_context.sink().showFailure(failure);
        controls.focusServer();
        return false;
    }
}
