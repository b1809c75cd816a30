#pragma once

#include <QList>

class FormControls;

// The one table of what each moment of a run does to the two year-end
// buttons, Migrate Accounts (CmdMigrate) and Create Accounting Year
// (cmdAccYrCreate). The window's load step and every command ask it; no
// other code sets those states. Connect and Show Accounting Years stay
// enabled throughout.
class ButtonStates
{
public:
    ButtonStates() = delete;

    enum class Moment
    {
        Load,               // the window's load step
        ConnectStarted,     // a connect begins: nothing may be written until it ends well
        YearOver,           // a refresh found the server's day at or past the active year's end
        LoadFailed,         // a refresh stopped part-way: half a worksheet is never written
        ConnectCompleted,   // the connect's completion steps, after the refresh
        Migrated,           // Migrate Accounts ran all its statements
        YearCheckPassed,    // Create Accounting Year passed its date check
        YearCreationUndone, // it failed before its commit: all is as before
        CommitUnknown       // its commit failed: the server may have kept it
    };

    enum class Button
    {
        Migrate,
        Create
    };
    enum class Action
    {
        Enable,
        Disable,
        Show,
        Hide
    };
    struct Change
    {
        Button button;
        Action action;
        bool operator==(const Change&) const = default;
    };

    // The changes of a moment, in the order they are made.
    static QList<Change> at(Moment moment);
    static void apply(Moment moment, FormControls& controls);
};
