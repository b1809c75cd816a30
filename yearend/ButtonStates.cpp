#include "yearend/ButtonStates.h"

#include "yearend/FormControls.h"

QList<ButtonStates::Change> ButtonStates::at(Moment moment)
{
    constexpr Button migrate = Button::Migrate;
    constexpr Button create = Button::Create;
    switch (moment) {
    case Moment::Load:
    case Moment::ConnectStarted:
    case Moment::LoadFailed:
        return {{migrate, Action::Disable}, {create, Action::Disable}};
    case Moment::YearOver:
        return {{create, Action::Enable}, {migrate, Action::Enable}};
    case Moment::ConnectCompleted:
        // Whatever the refresh decided.
        return {{migrate, Action::Enable}, {create, Action::Enable}};
    case Moment::Migrated:
    case Moment::CommitUnknown:
        return {{migrate, Action::Disable}};
    case Moment::YearCheckPassed:
        // Hidden until the program ends; a later connect enables it unseen.
        return {{create, Action::Disable}, {create, Action::Hide}};
    case Moment::YearCreationUndone:
        return {{create, Action::Enable}, {create, Action::Show}};
    }
    return {};
}

void ButtonStates::apply(Moment moment, FormControls& controls)
{
    for (const Change& change : at(moment)) {
        switch (change.action) {
        case Action::Enable:
        case Action::Disable: {
            const bool enabled = change.action == Action::Enable;
            if (change.button == Button::Migrate)
                controls.setMigrateEnabled(enabled);
            else
                controls.setCreateEnabled(enabled);
            break;
        }
        case Action::Show:
        case Action::Hide:
            controls.setCreateVisible(change.action == Action::Show);
            break;
        }
    }
}
