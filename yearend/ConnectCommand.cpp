#include "yearend/ConnectCommand.h"

#include "core/Failure.h"
#include "core/Prompts.h"
#include "core/Texts.h"
#include "db/Profile.h"
#include "snapshots/SnapshotArchive.h"
#include "snapshots/SnapshotKeeper.h"
#include "yearend/ButtonStates.h"
#include "yearend/FormControls.h"
#include "yearend/RefreshCommand.h"
#include "yearend/YearEndContext.h"

void ConnectCommand::run()
{
    m_context.replaceSession();
    m_context.setWorksheetSound(false);

    // The earlier connection is gone from here on: the status line must not
    // claim it, nor may a year-end command be offered, until this connect
    // succeeds.
    FormControls& controls = m_context.controls();
    controls.setStatusText(QString());
    ButtonStates::apply(ButtonStates::Moment::ConnectStarted, controls);
    const bool pharma = controls.isPharmaChecked();
    const bool stores = controls.isStoresChecked();
    if (!pharma && !stores) {
        m_context.prompts().tell(QStringLiteral("Select Any One Database Name"),
                                 Prompts::Icon::Information);
        return;
    }

    const QString server = Texts::trimBlanks(controls.serverText());
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
        // A server that accepts and never answers holds the open for the
        // login time-out; the window keeps painting meanwhile.
        session.setWhileOpening([&controls] { controls.keepPainting(); });
        const Profile::Id profile =
            controls.isPharmaChecked() ? Profile::Id::Dosavine : Profile::Id::Bindwell;
        if (controls.isPharmaChecked() || controls.isStoresChecked()) {
            Profile::connect(session, profile, sServer);
            m_context.setLedger(
                ArchiveLocation::ledgerOf(session, Profile::catalog(profile), sServer));
            // The outcome of a command whose program died is settled before
            // anyone reads the archive.
            SnapshotKeeper::settle(session, SnapshotArchive::of(m_context.ledger()));
        }
        controls.setStatusText(QStringLiteral("Server Connected"));
        return true;
    } catch (const Failure& failure) {
        const QString wrongServer = QStringLiteral("Please enter Valid Server Name ");
        // An embedded ledger's path can say what is wrong with it.
        if (failure.kind() == Failure::Kind::LedgerFile)
            m_context.prompts().tell(wrongServer + u'\n' + failure.description(),
                                     Prompts::Icon::None);
        else if (failure.kind() == Failure::Kind::Unreachable)
            m_context.prompts().tell(wrongServer, Prompts::Icon::None);
        else
            m_context.prompts().tellFailure(failure);
        // The bar no longer shows the last ledger's load.
        controls.setProgress(0);
        controls.focusServer();
        return false;
    }
}
