#include "tests/unit/MigrationHarness.h"

#include "yearend/CommandRunner.h"
#include "yearend/ConnectCommand.h"
#include "yearend/MigrateCommand.h"

namespace {

QString roadOf(MigrationHarness::Backend backend)
{
    switch (backend) {
    case MigrationHarness::Backend::Odbc:
        return QStringLiteral("sqliteodbc");
    case MigrationHarness::Backend::Tds:
        return QStringLiteral("tds");
    case MigrationHarness::Backend::Native:
        break;
    }
    return QStringLiteral("sqlite");
}

} // namespace

MigrationHarness::MigrationHarness(Backend backend) : m_road(roadOf(backend))
{
    context.setStatementLog(&log);
}

void MigrationHarness::build(const QStringList& arguments)
{
    ledger.build(QStringList{QStringLiteral("--database"), QStringLiteral("Dosavine")} + arguments);
}

QString MigrationHarness::serverName()
{
    return m_road.serverName(ledger.folder());
}

bool MigrationHarness::connect()
{
    controls.pharma = true;
    controls.stores = false;
    controls.server = serverName();
    CommandRunner::run(sink, [this] { ConnectCommand(context).run(); });
    return context.session().isOpen() && context.isWorksheetSound();
}

bool MigrationHarness::migrate()
{
    log.clear();
    return CommandRunner::run(sink, [this] { MigrateCommand(context).run(); });
}

void MigrationHarness::setWorksheet(const QList<Row>& rows)
{
    // A worksheet made by hand was read from no table: the migration takes
    // Acc_Opening as it finds it.
    context.setOpeningsAsLoaded({});
    context.accounts().setRows(0);
    for (const Row& row : rows)
        appendRow(row);
}

void MigrationHarness::appendRow(const Row& row)
{
    GridModel& sheet = context.accounts();
    sheet.setRows(sheet.rows() + 1);
    const int r = sheet.rows();
    sheet.writeAt(YearEndContext::AccAccountId, r, row.id);
    sheet.writeAt(YearEndContext::AccYearId, r, row.year);
    sheet.writeAt(YearEndContext::AccOpening, r, row.opening);
    sheet.writeAt(YearEndContext::AccOpeningType, r, row.openingType);
    sheet.writeAt(YearEndContext::AccBalance, r, row.balance);
    sheet.writeAt(YearEndContext::AccNextOpening, r, row.nextOpening);
    sheet.writeAt(YearEndContext::AccType, r, row.type);
}

std::string MigrationHarness::dump() const
{
    std::string lines;
    const auto rows = ledger.rows(QStringLiteral(
        "SELECT rowid || '|' || quote(AccId) || '|' || quote(AccYearID) || '|' || "
        "quote(Opening) || '|' || quote(OpeningType) || '|' || quote(Closing) || '|' || "
        "quote(ClosingType) FROM Acc_Opening ORDER BY rowid"));
    for (const QVariantList& row : rows)
        lines.append(row.value(0).toString().toStdString()).append(1, '\n');
    return lines;
}

QList<QVariantList> MigrationHarness::openings() const
{
    return ledger.rows(QStringLiteral("SELECT AccId, AccYearID, Opening, OpeningType, Closing, "
                                      "ClosingType FROM Acc_Opening ORDER BY rowid"));
}

QString MigrationHarness::yearsCheck()
{
    return QStringLiteral("Select * from Acc_Accounting_Year");
}

QStringList MigrationHarness::snapshotQueries()
{
    return {QStringLiteral("Select * from Acc_Opening"),
            QStringLiteral("Select * from Acc_Accounting_Year"),
            QStringLiteral("sproc_GetServerDate")};
}

QStringList MigrationHarness::currentYearQueries()
{
    return {QStringLiteral("Select * from Acc_Accounting_Year where Active=1"),
            QStringLiteral("sproc_GetServerDate")};
}

std::string MigrationHarness::backendName(Backend backend)
{
    switch (backend) {
    case Backend::Odbc:
        return "Odbc";
    case Backend::Tds:
        return "Tds";
    case Backend::Native:
        break;
    }
    return "Native";
}

bool MigrationHarness::isAvailable(Backend backend)
{
    return LedgerRoad::isAvailable(roadOf(backend));
}

std::vector<MigrationHarness::Backend> MigrationHarness::backends()
{
    std::vector<Backend> available;
    for (Backend backend : {Backend::Native, Backend::Odbc, Backend::Tds}) {
        if (isAvailable(backend))
            available.push_back(backend);
    }
    return available;
}
