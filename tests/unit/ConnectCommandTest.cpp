#include "yearend/ConnectCommand.h"
#include "core/Failure.h"
#include "core/Prompts.h"
#include "tests/support/CapturingSink.h"
#include "tests/support/FakeControls.h"
#include "tests/support/LedgerRoad.h"
#include "tests/unit/SmallLedger.h"
#include "yearend/YearEndContext.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

std::string str(const QString& text)
{
    return text.toStdString();
}

const QString kSelect = QStringLiteral("Select Any One Database Name");
const QString kWrongServer = QStringLiteral("Please enter Valid Server Name ");

// The messages' first lines: for an embedded ledger a line on what is wrong
// with its path follows.
QStringList firstLines(const QStringList& texts)
{
    QStringList lines;
    for (const QString& text : texts)
        lines.append(text.section(u'\n', 0, 0));
    return lines;
}
const QString kConnected = QStringLiteral("Server Connected");

} // namespace

// The connect command on the embedded ledger, natively and through ODBC.
class ConnectCommandTest : public ::testing::TestWithParam<const char*>
{
protected:
    QString server(const QString& folder) const
    {
        return QString::fromUtf8(GetParam()) + u':' + folder;
    }
    QString goodServer() const { return server(ledger.folder()); }

    void click() { ConnectCommand(context).run(); }
    // Connects successfully first, so that what a later click replaces shows.
    void connectFirst()
    {
        ledger.create();
        controls.pharma = true;
        controls.server = goodServer();
        click();
        ASSERT_TRUE(context.session().isOpen());
        sink.clear();
        controls.focusServerCalls = 0;
        controls.migrateEnabled = controls.createEnabled = false;
    }
    void expectNothingEnabled() const
    {
        EXPECT_FALSE(controls.migrateEnabled);
        EXPECT_FALSE(controls.createEnabled);
    }

    SmallLedger ledger;
    FakeControls controls;
    CapturingSink sink;
    YearEndContext context{controls, sink};
};

TEST_P(ConnectCommandTest, GoodLedgerConnectsAndCompletes)
{
    ledger.create();
    controls.pharma = true;
    controls.server = goodServer();
    click();
    EXPECT_TRUE(context.session().isOpen());
    EXPECT_EQ(controls.status, kConnected);
    EXPECT_TRUE(sink.messages.isEmpty()) << str(sink.texts().join(u'\n'));
    EXPECT_EQ(controls.focusServerCalls, 0);
    EXPECT_TRUE(controls.migrateEnabled);
    EXPECT_TRUE(controls.createEnabled);
    EXPECT_TRUE(context.isWorksheetSound());
    EXPECT_EQ(context.accYears().rows(), 1);
}

// Blanks around the name are dropped before it follows the prefix: with
// them the name would not even be taken for a folder.
TEST_P(ConnectCommandTest, SpacesAroundTheNameAreTrimmed)
{
    ledger.create();
    controls.pharma = true;
    controls.server = QStringLiteral("  ") + goodServer() + QStringLiteral("  ");
    click();
    EXPECT_TRUE(context.session().isOpen());
    EXPECT_EQ(controls.status, kConnected);
}

TEST_P(ConnectCommandTest, EachBoxOpensItsOwnDatabase)
{
    ledger.create(QStringLiteral("Bindwell"));
    controls.server = goodServer();

    controls.stores = true;
    click();
    EXPECT_TRUE(context.session().isOpen()) << str(sink.texts().join(u'\n'));

    // With both boxes ticked the pharmacy database is tried first, and only
    // the stores ledger exists.
    controls.pharma = true;
    click();
    EXPECT_FALSE(context.session().isOpen());
    EXPECT_EQ(firstLines(sink.texts()), QStringList{kWrongServer});
    EXPECT_FALSE(QFileInfo::exists(ledger.file()));
}

TEST_P(ConnectCommandTest, NoBoxChosen)
{
    connectFirst();
    if (HasFatalFailure())
        return;
    controls.pharma = controls.stores = false;
    // The boxes are tested before the name: an empty name changes nothing.
    for (const QString& name : {goodServer(), QString()}) {
        SCOPED_TRACE(str(name));
        sink.clear();
        click();
        ASSERT_EQ(sink.messages.size(), 1);
        EXPECT_EQ(sink.messages[0].text, kSelect);
        EXPECT_EQ(sink.messages[0].icon, Prompts::Icon::Information);
        EXPECT_EQ(controls.focusServerCalls, 0);
        // The earlier connection is gone all the same, and the status line
        // no longer claims it.
        EXPECT_FALSE(context.session().isOpen());
        EXPECT_EQ(controls.status, QString());
        expectNothingEnabled();
        EXPECT_FALSE(context.isWorksheetSound());
    }
}

TEST_P(ConnectCommandTest, BlankNameMovesTheFocusOnly)
{
    connectFirst();
    if (HasFatalFailure())
        return;
    for (const char* name : {"", " ", "      "}) {
        SCOPED_TRACE(name);
        controls.focusServerCalls = 0;
        controls.server = QString::fromUtf8(name);
        click();
        EXPECT_TRUE(sink.messages.isEmpty());
        EXPECT_EQ(controls.focusServerCalls, 1);
        EXPECT_FALSE(context.session().isOpen());
        expectNothingEnabled();
    }
    // A disabled box keeps the focus where it is.
    controls.focusServerCalls = 0;
    controls.serverEnabled = false;
    click();
    EXPECT_EQ(controls.focusServerCalls, 0);
}

TEST_P(ConnectCommandTest, MissingLedgerIsAWrongServerName)
{
    controls.pharma = true;
    const QString gone = QDir(ledger.folder()).filePath(QStringLiteral("gone"));
    for (const QString& folder : {ledger.folder(), gone}) {
        SCOPED_TRACE(str(folder));
        sink.clear();
        controls.focusServerCalls = 0;
        controls.server = server(folder);
        controls.status = QStringLiteral("earlier");
        controls.progress = 1000;
        click();
        ASSERT_EQ(sink.messages.size(), 1);
        EXPECT_EQ(firstLines(sink.texts()), QStringList{kWrongServer});
        EXPECT_TRUE(sink.messages[0].text.contains(QLatin1String("does not exist")))
            << str(sink.messages[0].text);
        EXPECT_EQ(sink.messages[0].icon, Prompts::Icon::None);
        EXPECT_EQ(controls.focusServerCalls, 1);
        // No connection is left, and neither the status line nor the bar
        // claims one.
        EXPECT_EQ(str(controls.status), "");
        EXPECT_EQ(controls.progress, 0);
        EXPECT_FALSE(context.session().isOpen());
        expectNothingEnabled();
    }
    EXPECT_FALSE(QFileInfo::exists(ledger.file()));
    EXPECT_FALSE(QFileInfo::exists(gone));

    // The ledger's file named instead of its folder.
    ledger.create();
    sink.clear();
    controls.server = server(ledger.file());
    click();
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_TRUE(sink.messages[0].text.contains(QLatin1String("is a file, not a folder")))
        << str(sink.messages[0].text);
}

// A failure other than a wrong name is shown with its number and text
// instead of passing silently.
TEST_P(ConnectCommandTest, OtherFailureShowsItsNumber)
{
    ledger.createGarbage();
    controls.pharma = true;
    controls.server = goodServer();
    click();
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_EQ(sink.messages[0].icon, Prompts::Icon::Critical);
    EXPECT_TRUE(sink.messages[0].text.startsWith(QLatin1String("Error 26")))
        << str(sink.messages[0].text);
    EXPECT_TRUE(sink.messages[0].text.contains(QLatin1String("not a database")));
    EXPECT_EQ(controls.focusServerCalls, 1);
    EXPECT_TRUE(controls.status.isEmpty());
    EXPECT_FALSE(context.session().isOpen());
    expectNothingEnabled();
}

// The open succeeded but the ledger lacks what the refresh reads: the
// refresh's failure reaches the click handler.
TEST_P(ConnectCommandTest, RefreshFailurePropagates)
{
    SmallLedger::execute(ledger.file(), {QStringLiteral("CREATE TABLE unrelated (a)")});
    controls.pharma = true;
    controls.server = goodServer();
    EXPECT_THROW(click(), Failure);
    // Connected, but no ledger loaded: the status line does not claim one.
    EXPECT_EQ(controls.status, QString());
    EXPECT_TRUE(context.session().isOpen());
    EXPECT_FALSE(context.isWorksheetSound());
    expectNothingEnabled();
}

TEST_P(ConnectCommandTest, ConnectReportsAndReturns)
{
    ledger.create();
    controls.pharma = true;
    ConnectCommand command(context);
    EXPECT_TRUE(command.Connect(goodServer()));
    EXPECT_EQ(controls.status, kConnected);
    EXPECT_TRUE(context.session().isOpen());
    EXPECT_FALSE(command.Connect(server(QDir(ledger.folder()).filePath(QStringLiteral("x")))));
    EXPECT_FALSE(context.session().isOpen());
    EXPECT_EQ(firstLines(sink.texts()), QStringList{kWrongServer});
}

INSTANTIATE_TEST_SUITE_P(Drivers, ConnectCommandTest,
                         ::testing::ValuesIn(LedgerRoad::names({"sqlite", "sqliteodbc"})),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                             return std::string(param.param);
                         });

// A SQL Server name that leads nowhere: the same message as a missing ledger.
TEST(ConnectCommandServer, ClosedPortIsAWrongServerName)
{
    FakeControls controls;
    CapturingSink sink;
    YearEndContext context{controls, sink};
    controls.stores = true;
    // Port 1 on the loopback: nothing listens there.
    controls.server = QStringLiteral("127.0.0.1,1");
    ConnectCommand(context).run();
    EXPECT_EQ(sink.texts(), QStringList{kWrongServer});
    EXPECT_EQ(controls.focusServerCalls, 1);
    EXPECT_FALSE(context.session().isOpen());
    EXPECT_FALSE(controls.migrateEnabled);
}
