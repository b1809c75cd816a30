// The window's button states read as the table they are, and what a run of
// moments leaves on the two year-end buttons.

#include "yearend/ButtonStates.h"
#include "tests/support/FakeControls.h"

#include <gtest/gtest.h>

namespace {

using Moment = ButtonStates::Moment;

struct Buttons
{
    bool migrate;
    bool create;
    bool createVisible;
    bool operator==(const Buttons&) const = default;
};

Buttons after(std::initializer_list<Moment> moments)
{
    FakeControls controls;
    for (const Moment moment : moments)
        ButtonStates::apply(moment, controls);
    return {controls.migrateEnabled, controls.createEnabled, controls.createVisible};
}

TEST(ButtonStates, TheRunOfAnOperator)
{
    // Opened, connected, migrated: only Create Accounting Year is left.
    EXPECT_EQ(after({Moment::Load}), (Buttons{false, false, true}));
    EXPECT_EQ(after({Moment::Load, Moment::ConnectStarted, Moment::ConnectCompleted}),
              (Buttons{true, true, true}));
    EXPECT_EQ(
        after({Moment::Load, Moment::ConnectStarted, Moment::ConnectCompleted, Moment::Migrated}),
        (Buttons{false, true, true}));
    // A year created hides its button for good; a later connect enables it
    // unseen, and Migrate Accounts again.
    EXPECT_EQ(after({Moment::Load, Moment::ConnectStarted, Moment::ConnectCompleted,
                     Moment::YearCheckPassed, Moment::ConnectStarted, Moment::ConnectCompleted}),
              (Buttons{true, true, false}));
    // A year creation undone before its commit is offered again; one whose
    // commit failed leaves nothing to migrate until the next connect.
    EXPECT_EQ(after({Moment::Load, Moment::ConnectCompleted, Moment::YearCheckPassed,
                     Moment::YearCreationUndone}),
              (Buttons{true, true, true}));
    EXPECT_EQ(after({Moment::Load, Moment::ConnectCompleted, Moment::YearCheckPassed,
                     Moment::CommitUnknown}),
              (Buttons{false, false, false}));
    // A load that fails part-way offers no write.
    EXPECT_EQ(
        after({Moment::Load, Moment::ConnectCompleted, Moment::ConnectStarted, Moment::LoadFailed}),
        (Buttons{false, false, true}));
}

TEST(ButtonStates, TheRefreshEnablesCreateFirstAndTheConnectMigrateFirst)
{
    using B = ButtonStates::Button;
    using A = ButtonStates::Action;
    EXPECT_EQ(ButtonStates::at(Moment::YearOver),
              (QList<ButtonStates::Change>{{B::Create, A::Enable}, {B::Migrate, A::Enable}}));
    EXPECT_EQ(ButtonStates::at(Moment::ConnectCompleted),
              (QList<ButtonStates::Change>{{B::Migrate, A::Enable}, {B::Create, A::Enable}}));
    // No moment ever hides Migrate Accounts.
    for (int m = int(Moment::Load); m <= int(Moment::CommitUnknown); ++m) {
        for (const ButtonStates::Change& change : ButtonStates::at(Moment(m)))
            EXPECT_FALSE(change.button == B::Migrate && change.action == A::Hide);
    }
}

} // namespace
