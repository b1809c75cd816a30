#include "tests/support/CapturingSink.h"
#include "tests/support/FakeControls.h"
#include "tests/support/LedgerFixture.h"
#include "yearend/CommandRunner.h"
#include "yearend/ConnectCommand.h"
#include "yearend/CreateYearCommand.h"
#include "yearend/MigrateCommand.h"
#include "yearend/YearEndContext.h"

#include <QRegularExpression>
#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace {

// What a click did: finished, or failed with a box naming number and text,
// the file as it was or (never expected) changed all the same, or refused
// with a message and wrote nothing.
enum class Outcome
{
    Done,
    Failed,
    FailedButWrote,
    Refused,
    NotOffered
};

const char* name(Outcome o)
{
    switch (o) {
    case Outcome::Done:
        return "done";
    case Outcome::Failed:
        return "failed";
    case Outcome::FailedButWrote:
        return "failed, file changed";
    case Outcome::Refused:
        return "refused";
    case Outcome::NotOffered:
        return "not offered";
    }
    return "?";
}

// A ledger damaged in one way, and what each command must make of it.
struct Damage
{
    const char* label;
    QStringList statements;
    // Damaged before the connect, or after it, once both buttons are on.
    bool afterConnect;
    Outcome connect;
    Outcome create;
    Outcome migrate;
};

std::ostream& operator<<(std::ostream& out, const Damage& d)
{
    return out << d.label;
}

QStringList sql(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* text : texts)
        list.append(QString::fromUtf8(text));
    return list;
}

// The damages, each once before the connect (so the refresh meets it) and
// once after a good connect (so the year-end commands meet it).
QList<Damage> damages()
{
    using O = Outcome;
    const QList<Damage> before = {
        {"NoMaster", sql({"DROP TABLE Acc_Master"}), false, O::Failed, O::NotOffered,
         O::NotOffered},
        {"NoYears", sql({"DROP TABLE Acc_Accounting_Year"}), false, O::Failed, O::NotOffered,
         O::NotOffered},
        {"NoPostings", sql({"DROP TABLE Acc_transaction"}), false, O::Failed, O::NotOffered,
         O::NotOffered},
        {"NoOpenings", sql({"DROP TABLE Acc_Opening"}), false, O::Failed, O::NotOffered,
         O::NotOffered},
        {"NoServerDate", sql({"DROP VIEW sproc_GetServerDate"}), false, O::Failed, O::NotOffered,
         O::NotOffered},
        {"NullYearEnd", sql({"UPDATE Acc_Accounting_Year SET Acc_Yr_End=NULL WHERE Active=1"}),
         false, O::Failed, O::NotOffered, O::NotOffered},
        // Ids are kept at 32 bits, so a six-digit year id is no failure.
        {"HugeYearId",
         sql({"UPDATE Acc_Opening SET AccYearID=100000 WHERE AccYearID=2",
              "UPDATE Acc_transaction SET Fin_Year_Id=100000 WHERE Fin_Year_Id=2",
              "UPDATE Acc_Accounting_Year SET AccYearID=100000 WHERE AccYearID=2"}),
         false, O::Done, O::Done, O::Done},
        {"TextAmount",
         sql({"UPDATE Acc_transaction SET Amount='twelve' WHERE rowid IN "
              "(SELECT min(rowid) FROM Acc_transaction)",
              "UPDATE Acc_Opening SET Opening='lots' WHERE rowid IN "
              "(SELECT min(rowid) FROM Acc_Opening)"}),
         false, O::Done, O::Done, O::Done},
        {"DuplicateOpenings", sql({"INSERT INTO Acc_Opening SELECT * FROM Acc_Opening"}), false,
         O::Done, O::Done, O::Done},
        // No year at all, or no account: an empty worksheet, which would
        // take every opening with it. Creating a year needs a year before
        // it; one after an empty chart is only a row of the years table.
        {"NoYearRows", sql({"DELETE FROM Acc_Accounting_Year"}), false, O::Done, O::Refused,
         O::Refused},
        {"NoAccountRows", sql({"DELETE FROM Acc_Master"}), false, O::Done, O::Done, O::Refused},
    };
    const QList<Damage> after = {
        {"NoMasterLater", sql({"DROP TABLE Acc_Master"}), true, O::Done, O::Failed, O::Done},
        {"NoYearsLater", sql({"DROP TABLE Acc_Accounting_Year"}), true, O::Done, O::Failed,
         O::Failed},
        {"NoPostingsLater", sql({"DROP TABLE Acc_transaction"}), true, O::Done, O::Done, O::Done},
        {"NoOpeningsLater", sql({"DROP TABLE Acc_Opening"}), true, O::Done, O::Failed, O::Failed},
        {"NoServerDateLater", sql({"DROP VIEW sproc_GetServerDate"}), true, O::Done, O::Failed,
         O::Failed},
        // The years are no longer those the worksheet was loaded with.
        {"NullYearEndLater", sql({"UPDATE Acc_Accounting_Year SET Acc_Yr_End=NULL WHERE Active=1"}),
         true, O::Done, O::Done, O::Refused},
        {"NoYearRowsLater", sql({"DELETE FROM Acc_Accounting_Year"}), true, O::Done, O::Refused,
         O::Refused},
        // An opening changed since the load: neither command may go on
        // from the worksheet's older figures.
        {"TextAmountLater",
         sql({"UPDATE Acc_Opening SET Opening='lots', Closing='none' WHERE rowid IN "
              "(SELECT min(rowid) FROM Acc_Opening)"}),
         true, O::Done, O::Refused, O::Refused},
    };
    return before + after;
}

// Both year-end commands, run on a small ledger that one damage has spoiled:
// every failure reaches the operator as number and description, and the file
// changes only under a command that writes and finished.
class BadLedgerTest : public ::testing::TestWithParam<Damage>
{
protected:
    LedgerFixture ledger;
    FakeControls controls;
    CapturingSink sink;
    YearEndContext context{controls, sink};
    QByteArray lastHash;

    void SetUp() override
    {
        // Two years to 31 March 2008, the clock past their end: both
        // commands have work to do on an undamaged ledger.
        ledger.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                      QStringLiteral("--accounts"), QStringLiteral("6"), QStringLiteral("--years"),
                      QStringLiteral("2"), QStringLiteral("--postings"), QStringLiteral("40"),
                      QStringLiteral("--first-year"), QStringLiteral("2006"),
                      QStringLiteral("--server-date"), QStringLiteral("2008-04-10T09:30")});
        controls.pharma = true;
        controls.server = ledger.serverName();
    }

    void damage(const Damage& d)
    {
        ledger.execute(d.statements);
        lastHash = ledger.hash();
    }

    Outcome connectAndClick(bool create);

    Outcome click(const char* what, bool writes, const std::function<void()>& command)
    {
        sink.clear();
        const QByteArray before = lastHash;
        const bool done = CommandRunner::run(sink, command);
        const QByteArray now = ledger.hash();
        if (!writes) {
            EXPECT_EQ(now, before) << what << " changed the ledger";
        }
        if (!done) {
            static const QRegularExpression failureText(
                QStringLiteral("^Error -?[0-9]+\\n\\S.*"),
                QRegularExpression::DotMatchesEverythingOption);
            EXPECT_EQ(sink.messages.size(), 1) << what;
            if (!sink.messages.isEmpty()) {
                EXPECT_TRUE(failureText.match(sink.messages.front().text).hasMatch())
                    << what << ": " << sink.messages.front().text.toStdString();
                EXPECT_EQ(sink.messages.front().icon, Prompts::Icon::Critical) << what;
            }
        }
        lastHash = now;
        if (done && writes && now == before && !sink.messages.isEmpty())
            return Outcome::Refused;
        if (done)
            return Outcome::Done;
        if (now != before)
            return Outcome::FailedButWrote;
        return Outcome::Failed;
    }
};

// Connects (the damage before or after, as the case says), then clicks the
// one command; the other runs in its own test on a fresh ledger, so that one
// command's failure cannot hide what the other would do.
Outcome BadLedgerTest::connectAndClick(bool create)
{
    const Damage& d = GetParam();
    if (!d.afterConnect)
        damage(d);
    else
        lastHash = ledger.hash();

    const Outcome connected = click("connect", false, [this] { ConnectCommand(context).run(); });
    EXPECT_STREQ(name(connected), name(d.connect)) << sink.texts().join(u'|').toStdString();
    if (d.afterConnect) {
        EXPECT_EQ(connected, Outcome::Done) << sink.texts().join(u'|').toStdString();
        damage(d);
    }
    if (create)
        return controls.createEnabled
                   ? click("create", true, [this] { CreateYearCommand(context).run(); })
                   : Outcome::NotOffered;
    if (!controls.migrateEnabled)
        return Outcome::NotOffered;
    const Outcome migrated = click("migrate", true, [this] { MigrateCommand(context).run(); });
    // A failed migration leaves the button on for a retry.
    if (migrated == Outcome::Failed) {
        EXPECT_TRUE(controls.migrateEnabled);
    }
    return migrated;
}

TEST_P(BadLedgerTest, CreateReportsAndKeepsTheLedger)
{
    const Outcome created = connectAndClick(true);
    EXPECT_STREQ(name(created), name(GetParam().create)) << sink.texts().join(u'|').toStdString();
}

TEST_P(BadLedgerTest, MigrateReportsAndKeepsTheLedger)
{
    const Outcome migrated = connectAndClick(false);
    EXPECT_STREQ(name(migrated), name(GetParam().migrate)) << sink.texts().join(u'|').toStdString();
}

std::string damageLabel(const ::testing::TestParamInfo<Damage>& info)
{
    return info.param.label;
}

INSTANTIATE_TEST_SUITE_P(Damages, BadLedgerTest, ::testing::ValuesIn(damages()), damageLabel);

} // namespace
