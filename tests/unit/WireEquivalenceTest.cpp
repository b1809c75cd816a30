#include "core/DayNumbers.h"
#include "tests/support/CapturingSink.h"
#include "tests/support/FakeControls.h"
#include "tests/support/LedgerFixture.h"
#include "tests/support/LedgerRoad.h"
#include "yearend/CommandRunner.h"
#include "yearend/ConnectCommand.h"
#include "yearend/CreateYearCommand.h"
#include "yearend/MigrateCommand.h"
#include "yearend/YearEndContext.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

std::string str(const QString& text)
{
    return text.toStdString();
}

// How the ledger's columns are declared: the year dates as day numbers or
// dates, the amounts as float, decimal or money.
struct Variant
{
    const char* label;
    QStringList arguments;
};

void PrintTo(const Variant& variant, std::ostream* out)
{
    *out << variant.label;
}

// One road's year-end over its own copy of the ledger: connect, Migrate
// Accounts, Create Accounting Year, connect again, Migrate Accounts again.
class RoadRun
{
public:
    explicit RoadRun(const QString& road) : m_road(road) { m_context.setStatementLog(&log); }

    void build(const QStringList& arguments) { ledger.build(arguments); }

    void yearEnd()
    {
        m_controls.pharma = true;
        m_controls.server = m_road.serverName(ledger.folder());
        click([this] { ConnectCommand(m_context).run(); });
        click([this] { MigrateCommand(m_context).run(); });
        click([this] { CreateYearCommand(m_context).run(); });
        click([this] { ConnectCommand(m_context).run(); });
        click([this] { MigrateCommand(m_context).run(); });
        // Every click ran to its end without a message.
        EXPECT_TRUE(m_sink.messages.isEmpty())
            << m_road.name().toStdString() << ": " << str(m_sink.texts().join(u'\n'));
    }

    QList<QVariantList> table(const char* sql) const { return ledger.rows(QString::fromUtf8(sql)); }
    LedgerRoad& road() { return m_road; }

    LedgerFixture ledger;
    QStringList log;

private:
    void click(const std::function<void()>& command) { CommandRunner::run(m_sink, command); }

    LedgerRoad m_road;
    FakeControls m_controls;
    CapturingSink m_sink;
    YearEndContext m_context{m_controls, m_sink};
};

// Two stored values are the same value: the same type and contents, or
// for dates (which a datetime column keeps in the server's own form) the
// same moment.
bool sameValue(const QVariant& a, const QVariant& b)
{
    if (a.typeId() == b.typeId() && a == b)
        return true;
    return DayNumbers::isDateValue(a) && DayNumbers::isDateValue(b) &&
           DayNumbers::toDayNumber(a) == DayNumbers::toDayNumber(b);
}

void expectSameTable(const QList<QVariantList>& expected, const QList<QVariantList>& actual,
                     const QString& road, const char* table)
{
    ASSERT_EQ(actual.size(), expected.size()) << str(road) << ' ' << table;
    for (qsizetype r = 0; r < expected.size(); ++r) {
        ASSERT_EQ(actual[r].size(), expected[r].size());
        for (qsizetype c = 0; c < expected[r].size(); ++c) {
            EXPECT_TRUE(sameValue(expected[r][c], actual[r][c]))
                << str(road) << ' ' << table << " row " << r + 1 << " column " << c + 1 << ": "
                << str(expected[r][c].toString()) << " (" << expected[r][c].typeName() << ") vs "
                << str(actual[r][c].toString()) << " (" << actual[r][c].typeName() << ')';
        }
    }
}

class WireEquivalence : public ::testing::TestWithParam<Variant>
{
};

TEST_P(WireEquivalence, EveryRoadSendsTheSameAndLeavesTheSame)
{
    const QStringList base{QStringLiteral("--database"),    QStringLiteral("Dosavine"),
                           QStringLiteral("--accounts"),    QStringLiteral("25"),
                           QStringLiteral("--years"),       QStringLiteral("3"),
                           QStringLiteral("--postings"),    QStringLiteral("700"),
                           QStringLiteral("--seed"),        QStringLiteral("5"),
                           QStringLiteral("--first-year"),  QStringLiteral("2005"),
                           QStringLiteral("--server-date"), QStringLiteral("2008-04-10T09:30")};
    std::vector<std::unique_ptr<RoadRun>> runs;
    for (const char* road : LedgerRoad::names()) {
        runs.push_back(std::make_unique<RoadRun>(QString::fromLatin1(road)));
        runs.back()->build(base + GetParam().arguments);
        runs.back()->yearEnd();
    }

    const RoadRun& native = *runs.front();
    // An embedded ledger alone is asked whether its amounts are numbers,
    // once per connect: SQL Server's numeric columns cannot hold a text.
    const auto shared = [](QStringList log) {
        log.removeIf(
            [](const QString& statement) { return statement.contains(QLatin1String("typeof(")); });
        return log;
    };
    const QStringList nativeLog = shared(native.log);
    const char* openings = "SELECT * FROM Acc_Opening ORDER BY rowid";
    const char* years = "SELECT * FROM Acc_Accounting_Year ORDER BY AccYearID";
    for (const auto& run : runs) {
        const QString road = run->road().name();
        // SQL Server alone is asked what the ledger is, for its snapshot
        // archive, once per connect; a file is known by its path.
        QStringList sent = shared(run->log);
        if (run->road().isTds())
            sent.removeIf([](const QString& statement) {
                return statement.contains(QLatin1String("from sys.databases"));
            });
        EXPECT_EQ(sent, nativeLog) << str(road) << ": the statements sent differ";
        expectSameTable(native.table(openings), run->table(openings), road, "Acc_Opening");
        expectSameTable(native.table(years), run->table(years), road, "Acc_Accounting_Year");
    }

    // The new year runs from 1 April 2008 to 31 March 2009, whatever the
    // column's type.
    const QList<QVariantList> created = native.table(
        "SELECT Acc_Yr_Start, Acc_Yr_End, Active FROM Acc_Accounting_Year WHERE AccYearID = 4");
    ASSERT_EQ(created.size(), 1);
    EXPECT_EQ(DayNumbers::toDayNumber(created[0][0]), 39539);
    EXPECT_EQ(DayNumbers::toDayNumber(created[0][1]), 39903);
    EXPECT_EQ(created[0][2].toInt(), 1);

    // Every statement crossed the wire as its own text, in order, among what
    // the ODBC layer sends of its own; consecutive statements of a step went
    // together, many to a request.
    TdsServer& server = runs.back()->road().server();
    EXPECT_LT(server.requests() * 10, nativeLog.size());
    const QStringList received = server.statementsReceived();
    qsizetype at = 0;
    for (const QString& statement : nativeLog) {
        at = received.indexOf(statement, at);
        ASSERT_GE(at, 0) << "not sent over the wire: " << str(statement);
        ++at;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ledgers, WireEquivalence,
    ::testing::Values(
        Variant{"DayNumbers", {}},
        Variant{"DatetimeYears", {QStringLiteral("--year-dates"), QStringLiteral("datetime")}},
        Variant{"DecimalAmounts", {QStringLiteral("--amounts"), QStringLiteral("decimal")}},
        Variant{"MoneyAmounts", {QStringLiteral("--amounts"), QStringLiteral("money")}}),
    [](const ::testing::TestParamInfo<Variant>& variant) {
        return std::string(variant.param.label);
    });

} // namespace
