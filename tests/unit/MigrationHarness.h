#pragma once

#include "yearend/YearEndContext.h"
#include "tests/support/CapturingSink.h"
#include "tests/support/FakeControls.h"
#include "tests/support/LedgerFixture.h"
#include "tests/support/LedgerRoad.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <string>
#include <vector>

// One ledger, one window state and one statement log for the migration tests:
// builds the ledger with the ledger tool, connects to it the way the operator
// does, and runs Migrate Accounts as its click handler would.
class MigrationHarness
{
public:
    enum class Backend
    {
        Native,
        Odbc,
        Tds
    };

    explicit MigrationHarness(Backend backend = Backend::Native);

    // Builds the Dosavine ledger (and only it) with the given tool arguments.
    void build(const QStringList& arguments);
    // The connect command; true when it left an open connection and a sound
    // worksheet.
    bool connect();
    // The click of CmdMigrate, through the command runner; true when it ran
    // to its end. The log holds only what this click sent.
    bool migrate();

    // The server name typed for this backend: "sqlite:FOLDER",
    // "sqliteodbc:FOLDER" or the TDS test server's "127.0.0.1,PORT".
    QString serverName();
    LedgerRoad& road() { return m_road; }

    // Replaces the worksheet with rows given as the cells the migration reads:
    // account id, year id, opening, opening type, balance, next year opening,
    // type (columns 1, 4, 5, 6, 9, 10, 11).
    struct Row
    {
        QVariant id, year, opening, openingType, balance, nextOpening, type;
    };
    void setWorksheet(const QList<Row>& rows);
    void appendRow(const Row& row);

    // Every row of Acc_Opening with its row id, each value quoted by SQLite
    // (so a type change shows), one line a row in row-id order.
    std::string dump() const;
    // Acc_Opening as (AccId, AccYearID, Opening, OpeningType, Closing,
    // ClosingType) rows in row-id order.
    QList<QVariantList> openings() const;

    // The two queries of the current-year lookup, as the log shows them.
    static QStringList currentYearQueries();
    // The query with which the migration first finds the years as loaded,
    // and the three of the snapshot it keeps before writing.
    static QString yearsCheck();
    static QStringList snapshotQueries();
    // "Native", "Odbc" or "Tds", for naming parameterised tests.
    static std::string backendName(Backend backend);
    // The backends whose road this build can travel.
    static std::vector<Backend> backends();
    static bool isAvailable(Backend backend);

    LedgerFixture ledger;
    FakeControls controls;
    CapturingSink sink;
    YearEndContext context{controls, sink};
    QStringList log;

private:
    LedgerRoad m_road;
};
