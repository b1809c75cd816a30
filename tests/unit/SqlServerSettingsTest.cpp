// The whole year-end, and its undoing through the snapshots, over SQL
// Server's wire with the server set as real ones are: encrypting the login
// or the whole session, NOCOUNT in its user options, year ids that are an
// identity or a plain column, older versions, row versioning, the ledger in
// another schema, audit triggers on its tables. Each leaves the tables the
// embedded ledger's year-end leaves, and the closing tool finds the same.

#include "closing/ClosingLedger.h"
#include "closing/LedgerCheck.h"
#include "closing/MigrationVerify.h"
#include "db/Profile.h"
#include "db/Session.h"
#include "snapshots/SnapshotArchive.h"
#include "snapshots/SnapshotRestore.h"
#include "tests/support/LedgerFixture.h"
#include "tests/support/LedgerRoad.h"
#include "tests/support/TdsServer.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

namespace {

std::string str(const QString& text)
{
    return text.toStdString();
}

struct Setting
{
    const char* name;
    QStringList serverOptions;
    QString command; // sent to the server before the operator connects
    QStringList ledgerOptions;
    QStringList triggers; // CREATE TRIGGER batches, sent before the operator connects
};

// An audit table, as vendors keep one, and triggers that copy every change
// of the ledger's written tables into it, one of them with a SELECT of its
// own and under NOCOUNT.
const QString kAuditTable = QStringLiteral(
    "CREATE TABLE Acc_Audit(Id INTEGER PRIMARY KEY AUTOINCREMENT, TableName TEXT, Action TEXT, "
    "AccId TEXT, AccYearID INTEGER)");
const QStringList kAuditTriggers{
    QStringLiteral("CREATE TRIGGER trOpeningAudit ON Acc_Opening AFTER INSERT, UPDATE, DELETE AS "
                   "BEGIN INSERT INTO Acc_Audit(TableName, Action, AccId, AccYearID) SELECT "
                   "'Acc_Opening', 'new', AccId, AccYearID FROM inserted; INSERT INTO "
                   "Acc_Audit(TableName, Action, AccId, AccYearID) SELECT 'Acc_Opening', 'old', "
                   "AccId, AccYearID FROM deleted END"),
    QStringLiteral("CREATE TRIGGER trYearAudit ON Acc_Accounting_Year FOR INSERT, UPDATE, DELETE "
                   "AS SET NOCOUNT ON; INSERT INTO Acc_Audit(TableName, Action, AccYearID) SELECT "
                   "'Acc_Accounting_Year', 'new', AccYearID FROM inserted; SELECT count(*) AS "
                   "Audited FROM Acc_Audit")};

// What the closing tool finds: the check's findings and the proof's
// differences.
QString closingFindings(const QString& server)
{
    Session session;
    Profile::connect(session, Profile::Id::Dosavine, server);
    ClosingLedger loaded;
    loaded.loadYears(session);
    const QString findings = LedgerCheck::text(LedgerCheck(session, loaded).run());
    const MigrationVerify::Result proof = MigrationVerify(session, loaded)
                                              .run(SnapshotArchive::of(ArchiveLocation::ledgerOf(
                                                  session, QStringLiteral("Dosavine"), server)));
    return findings + QStringLiteral("\n%1 differences").arg(proof.differences.size());
}

QString archiveKey(const QString& server)
{
    Session session;
    Profile::connect(session, Profile::Id::Dosavine, server);
    return ArchiveLocation::ledgerOf(session, QStringLiteral("Dosavine"), server).identity;
}

const QStringList kLedger{QStringLiteral("--database"),    QStringLiteral("Dosavine"),
                          QStringLiteral("--accounts"),    QStringLiteral("12"),
                          QStringLiteral("--years"),       QStringLiteral("3"),
                          QStringLiteral("--postings"),    QStringLiteral("150"),
                          QStringLiteral("--seed"),        QStringLiteral("24"),
                          QStringLiteral("--first-year"),  QStringLiteral("2005"),
                          QStringLiteral("--server-date"), QStringLiteral("2008-04-10T09:30")};

QStringList dump(const LedgerFixture& ledger)
{
    return ledger.writtenTables(QStringLiteral("AccYearID, AccId"));
}

// Connect, Create Accounting Year, Migrate Accounts.
void yearEnd(const QString& server)
{
    WindowDriver window(server);
    ASSERT_TRUE(window.connect()) << str(window.messages());
    ASSERT_TRUE(window.createYear()) << str(window.messages());
    ASSERT_TRUE(window.migrate()) << str(window.messages());
}

int restore(const QString& server, int number)
{
    Session session;
    Profile::connect(session, Profile::Id::Dosavine, server);
    return SnapshotRestore::fromArchive(
        session, ArchiveLocation::ledgerOf(session, QStringLiteral("Dosavine"), server), number);
}

class ServerSettings : public ::testing::TestWithParam<Setting>
{
};

TEST_P(ServerSettings, YearEndAndItsUndoingAsOnTheEmbeddedLedger)
{
    const Setting& setting = GetParam();
    LedgerFixture embedded;
    LedgerFixture wire;
    embedded.build(kLedger + setting.ledgerOptions);
    wire.build(kLedger + setting.ledgerOptions);
    const QStringList before = dump(wire);
    yearEnd(embedded.serverName());
    const QStringList after = dump(embedded);
    ASSERT_NE(after, before);

    TdsServer server(wire.folder(), setting.serverOptions);
    if (!setting.command.isEmpty())
        server.command(setting.command);
    if (!setting.triggers.isEmpty()) {
        wire.execute(kAuditTable);
        Session session;
        Profile::connect(session, Profile::Id::Dosavine, server.serverName());
        for (const QString& trigger : setting.triggers)
            session.execute(trigger);
    }
    yearEnd(server.serverName());
    EXPECT_EQ(dump(wire), after);
    // The archive knows the ledger by what the server says it is, on every
    // version.
    EXPECT_TRUE(archiveKey(server.serverName()).startsWith(QLatin1String("sqlserver:")));
    EXPECT_EQ(closingFindings(server.serverName()), closingFindings(embedded.serverName()));
    if (!setting.triggers.isEmpty()) {
        // The new year and its openings, each audited.
        EXPECT_GT(wire.value(QStringLiteral("SELECT count(*) FROM Acc_Audit WHERE "
                                            "TableName='Acc_Accounting_Year' AND AccYearID=4"))
                      .toInt(),
                  0);
        EXPECT_GT(wire.value(QStringLiteral("SELECT count(*) FROM Acc_Audit WHERE "
                                            "TableName='Acc_Opening' AND AccYearID=4"))
                      .toInt(),
                  0);
    }

    // Back to before the year was created (the year goes), then forward
    // again with the snapshot that restore kept (the year comes back with its
    // own id).
    int kept = 0;
    ASSERT_NO_THROW(kept = restore(server.serverName(), 1));
    EXPECT_EQ(dump(wire), before);
    ASSERT_NO_THROW(restore(server.serverName(), kept));
    EXPECT_EQ(dump(wire), after);

    const qsizetype given = setting.serverOptions.indexOf(QStringLiteral("--encryption"));
    const QString encryption =
        given < 0 ? QStringLiteral("login") : setting.serverOptions.value(given + 1);
    EXPECT_EQ(server.encryptedLogins() > 0, encryption == QLatin1String("login"));
    EXPECT_EQ(server.encryptedSessions() > 0, encryption == QLatin1String("all"));
}

INSTANTIATE_TEST_SUITE_P(
    Tds, ServerSettings,
    ::testing::Values(
        Setting{"NoEncryption", {QStringLiteral("--encryption"), QStringLiteral("off")}, {}, {}},
        Setting{"EncryptedLogin", {}, {}, {}},
        Setting{
            "EncryptedSession", {QStringLiteral("--encryption"), QStringLiteral("all")}, {}, {}},
        Setting{"NoCountInUserOptions", {}, QStringLiteral("nocount on"), {}},
        Setting{
            "IdentityYearIds", {}, {}, {QStringLiteral("--year-id"), QStringLiteral("identity")}},
        Setting{"PlainYearIds", {}, {}, {QStringLiteral("--year-id"), QStringLiteral("plain")}},
        Setting{"SqlServer2000", {QStringLiteral("--version"), QStringLiteral("2000")}, {}, {}},
        Setting{"SqlServer2005", {QStringLiteral("--version"), QStringLiteral("2005")}, {}, {}},
        Setting{"SqlServer2008R2", {QStringLiteral("--version"), QStringLiteral("2008")}, {}, {}},
        Setting{"SqlServer2019", {QStringLiteral("--version"), QStringLiteral("2019")}, {}, {}},
        Setting{"RowVersioning", {QStringLiteral("--row-versioning")}, {}, {}},
        Setting{"LedgerInTheLoginsSchema",
                {QStringLiteral("--schema"), QStringLiteral("acct")},
                {},
                {}},
        Setting{"AuditTriggers", {}, {}, {}, kAuditTriggers},
        Setting{"AuditTriggersCountedApart",
                {},
                QStringLiteral("triggercounts apart"),
                {},
                kAuditTriggers}),
    [](const ::testing::TestParamInfo<Setting>& param) { return std::string(param.param.name); });

} // namespace

namespace {

// Acc_Opening as a DBA may have extended it: an identity of its own, a
// rowversion and a computed column. The year-end and its undoing write
// only what the database takes: identities kept as they were, the other two
// made by the database.
class ExtendedOpenings : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override
    {
        ledger.build(kLedger);
        ledger.execute(QStringList{
            QStringLiteral("CREATE TABLE Extended(Id INTEGER PRIMARY KEY AUTOINCREMENT, AccId TEXT "
                           "COLLATE NOCASE, AccYearID INTEGER, Opening REAL, OpeningType TEXT "
                           "COLLATE NOCASE, Closing REAL, ClosingType TEXT COLLATE NOCASE, "
                           "Stamp ROWVERSION, Net REAL GENERATED ALWAYS AS "
                           "(coalesce(Opening,0)-coalesce(Closing,0)) VIRTUAL)"),
            QStringLiteral("INSERT INTO Extended(AccId, AccYearID, Opening, OpeningType, Closing, "
                           "ClosingType) SELECT * FROM Acc_Opening"),
            QStringLiteral("DROP TABLE Acc_Opening"),
            QStringLiteral("ALTER TABLE Extended RENAME TO Acc_Opening")});
    }
    // The ledger's own columns and the identity, as SQLite stores them.
    QStringList openings() const
    {
        QStringList lines;
        for (const QVariantList& row : ledger.rows(QStringLiteral(
                 "SELECT quote(Id)||'|'||quote(AccId)||'|'||quote(AccYearID)||'|'||quote(Opening)"
                 "||'|'||quote(OpeningType)||'|'||quote(Closing)||'|'||quote(ClosingType)||'|'||"
                 "quote(Net) FROM Acc_Opening ORDER BY Id")))
            lines.append(row.value(0).toString());
        return lines;
    }

    LedgerFixture ledger;
    LedgerRoad road{QString::fromLatin1(GetParam())};
};

TEST_P(ExtendedOpenings, YearEndAndItsUndoingWriteOnlyWhatTheDatabaseTakes)
{
    const QString server = road.serverName(ledger.folder());
    const QStringList before = openings();
    yearEnd(server);
    const QStringList after = openings();
    ASSERT_NE(after, before);
    int kept = 0;
    ASSERT_NO_THROW(kept = restore(server, 1));
    EXPECT_EQ(openings(), before);
    ASSERT_NO_THROW(restore(server, kept));
    EXPECT_EQ(openings(), after);
    if (road.isTds()) {
        // SQL Server stamps every row it writes.
        EXPECT_EQ(ledger
                      .value(QStringLiteral("SELECT count(*) FROM Acc_Opening WHERE Stamp IS "
                                            "NULL"))
                      .toInt(),
                  0);
    }
}

INSTANTIATE_TEST_SUITE_P(Roads, ExtendedOpenings, ::testing::ValuesIn(LedgerRoad::names()));

} // namespace

namespace {

// Under a case-sensitive collation the ledger's names as the program spells
// them are not all found: the connect says so, naming the collation, before
// it reads a worksheet or writes anything.
TEST(CaseSensitiveDatabase, TheConnectIsRefusedNamingTheCollation)
{
    LedgerFixture wire;
    wire.build(kLedger);
    TdsServer server(wire.folder(),
                     {QStringLiteral("--collation"), QStringLiteral("Latin1_General_CS_AS")});
    const QByteArray before = wire.bytes();
    WindowDriver window(server.serverName());
    EXPECT_FALSE(window.connect());
    EXPECT_TRUE(window.messages().contains(
        QLatin1String("The database Dosavine has the collation Latin1_General_CS_AS")))
        << str(window.messages());
    EXPECT_FALSE(window.context.isWorksheetSound());
    EXPECT_EQ(wire.bytes(), before);
}

} // namespace
