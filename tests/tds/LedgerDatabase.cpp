#include "tests/tds/LedgerDatabase.h"

#include "tests/tds/ServerCatalog.h"
#include "tests/tds/TableRules.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtEndian>
#include <algorithm>
#include <atomic>
#include <sqlite3.h>

namespace {

constexpr int kBusyTimeoutMs = 5000;

QString textOf(sqlite3_value* value)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                             sqlite3_value_bytes(value));
}

// A function's failure that reaches the client as SQL Server's error: the
// message is "qh:NUMBER:TEXT".
void failWith(sqlite3_context* context, int number, const QString& text)
{
    const QByteArray message = QStringLiteral("qh:%1:%2").arg(number).arg(text).toUtf8();
    sqlite3_result_error(context, message.constData(), int(message.size()));
}

// A value written into a datetime column, stored as SQL Server would hold it.
void toDateTime(sqlite3_context* context, int, sqlite3_value** argv)
{
    sqlite3_value* value = argv[0];
    QString stored;
    switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
        sqlite3_result_null(context);
        return;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        stored = SqlServerType::dateTimeTextOfNumber(sqlite3_value_double(value));
        break;
    default:
        stored = SqlServerType::dateTimeTextOfText(textOf(value));
        break;
    }
    if (stored.isEmpty()) {
        failWith(context, 241,
                 QStringLiteral("Conversion failed when converting date and/or time "
                                "from character string."));
        return;
    }
    const QByteArray bytes = stored.toUtf8();
    sqlite3_result_text(context, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
}

// SQL Server's comparison of texts under the ledgers' collation
// (case-insensitive, accent-sensitive): trailing blanks do not count, and
// letters compare without their case, beyond A to Z too. It stands in for
// NOCASE, which every text column of a ledger is declared with; for texts
// of A to Z and digits without trailing blanks it orders as NOCASE does.
int sqlServerTextCompare(void*, int leftSize, const void* left, int rightSize, const void* right)
{
    const auto* a = static_cast<const unsigned char*>(left);
    const auto* b = static_cast<const unsigned char*>(right);
    const auto trimmed = [](const unsigned char* text, int size) {
        while (size > 0 && text[size - 1] == ' ')
            --size;
        return size;
    };
    const auto isAscii = [](unsigned char c) { return c < 0x80; };
    const int sizeA = trimmed(a, leftSize);
    const int sizeB = trimmed(b, rightSize);
    if (std::all_of(a, a + sizeA, isAscii) && std::all_of(b, b + sizeB, isAscii)) {
        const auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : int(c); };
        for (int i = 0; i < sizeA && i < sizeB; ++i) {
            if (fold(a[i]) != fold(b[i]))
                return fold(a[i]) - fold(b[i]);
        }
        return sizeA - sizeB;
    }
    const auto folded = [](const unsigned char* text, int size) {
        return QString::fromUtf8(reinterpret_cast<const char*>(text), size).toCaseFolded();
    };
    return folded(a, sizeA).compare(folded(b, sizeB));
}

// A constant of the connection's, given as the function's user data.
void textConstant(sqlite3_context* context, int, sqlite3_value**)
{
    const QByteArray* text = static_cast<const QByteArray*>(sqlite3_user_data(context));
    sqlite3_result_text(context, text->constData(), int(text->size()), SQLITE_TRANSIENT);
}

// DATABASEPROPERTYEX(name, property): the collation, given as the
// function's user data; Null for the properties the server does not keep.
void databaseProperty(sqlite3_context* context, int, sqlite3_value** argv)
{
    const char* property = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    if (property && QByteArray(property).compare("Collation", Qt::CaseInsensitive) == 0)
        return textConstant(context, 1, argv);
    sqlite3_result_null(context);
}

// The next rowversion, binary(8) and rising across the server, as SQL
// Server's database-wide counter.
void nextRowVersion(sqlite3_context* context, int, sqlite3_value**)
{
    static std::atomic<quint64> counter{0x7D0};
    const quint64 value = qToBigEndian(++counter);
    sqlite3_result_blob(context, &value, sizeof value, SQLITE_TRANSIENT);
}

// OBJECT_ID(name): the id sys.columns knows a table by, Null for none.
void objectId(sqlite3_context* context, int, sqlite3_value** argv)
{
    const auto* rules = static_cast<const TableRules*>(sqlite3_user_data(context));
    const TableRules::Table* table = rules->find(textOf(argv[0]));
    if (table)
        sqlite3_result_int(context, table->objectId);
    else
        sqlite3_result_null(context);
}

// The ledger's texts compare as SQL Server's do. Its indexes were built in
// SQLite's NOCASE order, which differs where ids have trailing blanks or
// letters beyond A to Z: the first connection to the file builds them anew,
// and the file's user_version remembers that it was done.
void useSqlServerCollation(sqlite3* db)
{
    sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, sqlServerTextCompare, nullptr);
    // A join's Bloom filter takes texts of different lengths as different,
    // which texts equal but for trailing blanks are not.
    constexpr int kBloomFilter = 0x00080000;
    sqlite3_test_control(SQLITE_TESTCTRL_OPTIMIZATIONS, db, kBloomFilter);
    constexpr int kReindexed = 0x51480001;
    sqlite3_stmt* version = nullptr;
    int current = 0;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &version, nullptr) == SQLITE_OK &&
        sqlite3_step(version) == SQLITE_ROW)
        current = sqlite3_column_int(version, 0);
    sqlite3_finalize(version);
    if (current == kReindexed)
        return;
    const QByteArray reindex =
        QStringLiteral("BEGIN IMMEDIATE; REINDEX NOCASE; PRAGMA user_version=%1; COMMIT")
            .arg(kReindexed)
            .toUtf8();
    if (sqlite3_exec(db, reindex.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void getDate(sqlite3_context* context, int, sqlite3_value**)
{
    const QByteArray now =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toUtf8();
    sqlite3_result_text(context, now.constData(), int(now.size()), SQLITE_TRANSIENT);
}

QString quotedIdentifier(const QString& name)
{
    QString escaped = name;
    escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return u'"' + escaped + u'"';
}

Cell cellOf(sqlite3_stmt* statement, int column)
{
    Cell cell;
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        cell.kind = Cell::Kind::Integer;
        cell.integer = sqlite3_column_int64(statement, column);
        break;
    case SQLITE_FLOAT:
        cell.kind = Cell::Kind::Real;
        cell.real = sqlite3_column_double(statement, column);
        break;
    case SQLITE_NULL:
        break;
    case SQLITE_BLOB:
        cell.kind = Cell::Kind::Blob;
        cell.blob = QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, column)),
                               sqlite3_column_bytes(statement, column));
        break;
    default:
        cell.kind = Cell::Kind::Text;
        cell.text =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                              sqlite3_column_bytes(statement, column));
        break;
    }
    return cell;
}

} // namespace

StatementOutcome StatementOutcome::error(int number, const QString& text, bool abortsBatch)
{
    StatementOutcome outcome;
    outcome.failed = true;
    outcome.number = number;
    outcome.text = text;
    outcome.abortsBatch = abortsBatch;
    return outcome;
}

std::unique_ptr<LedgerDatabase> LedgerDatabase::open(const QString& file, QString& error)
{
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        error = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    useSqlServerCollation(db);
    std::unique_ptr<LedgerDatabase> ledger(new LedgerDatabase(db));
    sqlite3_create_function(db, "qh_datetime", 1, SQLITE_UTF8, nullptr, toDateTime, nullptr,
                            nullptr);
    sqlite3_create_function(db, "getdate", 0, SQLITE_UTF8, nullptr, getDate, nullptr, nullptr);
    sqlite3_create_function(db, "qh_rowversion", 0, SQLITE_UTF8, nullptr, nextRowVersion, nullptr,
                            nullptr);
    ledger->installDateConversions();
    *ledger->m_rules = TableRules::of(*ledger);
    sqlite3_create_function(db, "object_id", 1, SQLITE_UTF8, ledger->m_rules.get(), objectId,
                            nullptr, nullptr);
    ledger->installRowVersions();
    return ledger;
}

LedgerDatabase::LedgerDatabase(sqlite3* db) : m_db(db), m_rules(std::make_unique<TableRules>()) {}

void LedgerDatabase::installRowVersions()
{
    for (const TableRules::Table& table : m_rules->tables()) {
        for (const TableRules::Column& column : table.columns) {
            if (!column.rowVersion)
                continue;
            const QString t = quotedIdentifier(table.name);
            const QString c = quotedIdentifier(column.name);
            const QString id = QString::number(qHash(table.name + u'.' + column.name), 16);
            for (const char* event : {"INSERT", "UPDATE"})
                run(QStringLiteral("CREATE TEMP TRIGGER qh_rowversion_%1_%2 AFTER %1 ON main.%3 "
                                   "BEGIN UPDATE %3 SET %4=qh_rowversion() WHERE rowid=NEW.rowid; "
                                   "END")
                        .arg(QLatin1String(event), id, t, c));
        }
    }
}

void LedgerDatabase::describeAs(const QString& serverName, const QString& catalog,
                                const QString& file, int version, const QString& collation)
{
    const QFileInfo info(file);
    m_file = info.canonicalFilePath();
    const int id = 5 + int(qHash(m_file) % 30000u);
    const QDateTime born = info.birthTime().isValid() ? info.birthTime() : info.lastModified();
    m_constants = {serverName.toUtf8(), catalog.toUtf8(), QByteArray::number(id),
                   collation.toUtf8()};
    sqlite3_create_function(m_db, "qh_servername", 0, SQLITE_UTF8, &m_constants[0], textConstant,
                            nullptr, nullptr);
    sqlite3_create_function(m_db, "db_name", 0, SQLITE_UTF8, &m_constants[1], textConstant, nullptr,
                            nullptr);
    sqlite3_create_function(m_db, "db_id", 0, SQLITE_UTF8, &m_constants[2], textConstant, nullptr,
                            nullptr);
    sqlite3_create_function(m_db, "databasepropertyex", 2, SQLITE_UTF8, &m_constants[3],
                            databaseProperty, nullptr, nullptr);
    ServerCatalog::install(*this, m_db, catalog, id, born, version);
}

LedgerDatabase::~LedgerDatabase()
{
    // Closing with a transaction open rolls it back, as SQL Server does when
    // a connection drops.
    sqlite3_close_v2(m_db);
}

void LedgerDatabase::installDateConversions()
{
    StatementOutcome tables = run(QStringLiteral(
        "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%'"));
    for (const QList<Cell>& table : tables.rows) {
        const QString name = table.value(0).text;
        const StatementOutcome columns =
            run(QStringLiteral("SELECT name, type FROM pragma_table_info(%1)")
                    .arg(u'\'' + QString(name).replace(u'\'', QStringLiteral("''")) + u'\''));
        for (const QList<Cell>& column : columns.rows) {
            const QString type = column.value(1).text.toUpper();
            if (!type.contains(QLatin1String("DATE")) && !type.contains(QLatin1String("TIME")))
                continue;
            const QString t = quotedIdentifier(name);
            const QString c = quotedIdentifier(column.value(0).text);
            const QString body = QStringLiteral(" WHEN NEW.%2 IS NOT NULL BEGIN UPDATE %1 SET "
                                                "%2=qh_datetime(NEW.%2) WHERE rowid=NEW.rowid; END")
                                     .arg(t, c);
            const QString id = QString::number(qHash(name + u'.' + column.value(0).text), 16);
            run(QStringLiteral("CREATE TEMP TRIGGER qh_date_i_%1 AFTER INSERT ON main.%2")
                    .arg(id, t) +
                body);
            run(QStringLiteral("CREATE TEMP TRIGGER qh_date_u_%1 AFTER UPDATE OF %3 ON main.%2")
                    .arg(id, t, c) +
                body);
        }
    }
}

bool LedgerDatabase::hasObject(const QString& name)
{
    QString quoted = name;
    quoted.replace(u'\'', QStringLiteral("''"));
    const StatementOutcome found = run(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE "
                                                      "type IN ('table','view') AND name='%1' "
                                                      "COLLATE NOCASE")
                                           .arg(quoted));
    return !found.failed && !found.rows.isEmpty() && found.rows[0].value(0).integer > 0;
}

StatementOutcome LedgerDatabase::run(const QString& sql)
{
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &statement, nullptr) !=
        SQLITE_OK)
        return failure(sql);
    StatementOutcome outcome;
    const int columns = sqlite3_column_count(statement);
    outcome.hasResult = columns > 0;
    QStringList declared;
    for (int c = 0; c < columns; ++c) {
        outcome.names.append(QString::fromUtf8(sqlite3_column_name(statement, c)));
        const char* type = sqlite3_column_decltype(statement, c);
        declared.append(type ? QString::fromUtf8(type) : QString());
    }
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        QList<Cell> row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c)
            row.append(cellOf(statement, c));
        outcome.rows.append(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        StatementOutcome failed = failure(sql);
        sqlite3_finalize(statement);
        return failed;
    }
    sqlite3_finalize(statement);
    outcome.changed = columns > 0 ? qint64(outcome.rows.size()) : sqlite3_changes64(m_db);
    for (int c = 0; c < columns; ++c) {
        QList<Cell> values;
        if (declared[c].isEmpty()) {
            values.reserve(outcome.rows.size());
            for (const QList<Cell>& row : outcome.rows)
                values.append(row[c]);
        }
        outcome.types.append(SqlServerType::ofColumn(declared[c], values));
    }
    return outcome;
}

// A statement that breaks a key or a constraint, as SQL Server words it:
// the error, then the message 3621 that the statement was terminated; the
// batch goes on with the next statement.
StatementOutcome LedgerDatabase::constraintFailure(int extended, const QString& message,
                                                   const QString& sql) const
{
    // SQLite names "TABLE.COLUMN, ..." or a CHECK constraint's name.
    const QString what = message.section(QStringLiteral(": "), 1);
    const QString table = what.section(u'.', 0, 0);
    const QStringList columns = [&what] {
        QStringList names;
        for (const QString& part : what.split(QStringLiteral(", ")))
            names.append(part.section(u'.', 1));
        return names;
    }();
    const QString verb = sql.trimmed().section(u' ', 0, 0).toUpper();
    StatementOutcome outcome;
    switch (extended) {
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_ROWID:
        outcome = StatementOutcome::error(
            2627,
            QStringLiteral("Violation of PRIMARY KEY constraint 'PK_%1'. Cannot insert "
                           "duplicate key in object 'dbo.%1'.")
                .arg(table),
            false);
        outcome.severity = 14;
        break;
    case SQLITE_CONSTRAINT_UNIQUE:
        outcome = StatementOutcome::error(
            2601,
            QStringLiteral("Cannot insert duplicate key row in object 'dbo.%1' with unique "
                           "index 'IX_%1_%2'.")
                .arg(table, columns.join(u'_')),
            false);
        outcome.severity = 14;
        break;
    case SQLITE_CONSTRAINT_NOTNULL:
        outcome = StatementOutcome::error(
            515,
            QStringLiteral("Cannot insert the value NULL into column '%1', table "
                           "'%2.dbo.%3'; column does not allow nulls. %4 fails.")
                .arg(columns.value(0), catalog(), table, verb),
            false);
        break;
    case SQLITE_CONSTRAINT_CHECK:
        outcome = StatementOutcome::error(
            547,
            QStringLiteral("The %1 statement conflicted with the CHECK constraint \"%2\". "
                           "The conflict occurred in database \"%3\".")
                .arg(verb, what, catalog()),
            false);
        break;
    default:
        outcome = StatementOutcome::error(
            547,
            QStringLiteral("The %1 statement conflicted with a constraint (%2).")
                .arg(verb, message),
            false);
        break;
    }
    outcome.terminated = true;
    return outcome;
}

StatementOutcome LedgerDatabase::failure(const QString& sql) const
{
    const int extended = sqlite3_extended_errcode(m_db);
    const int code = extended & 0xff;
    const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
    static const QRegularExpression own(QStringLiteral("^qh:(\\d+):(.*)$"),
                                        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch ownMatch = own.match(message);
    if (ownMatch.hasMatch())
        return StatementOutcome::error(ownMatch.captured(1).toInt(), ownMatch.captured(2));
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
        // SQLite gives up at once where two writers wait for each other;
        // SQL Server picks one of them as the deadlock victim and rolls its
        // transaction back.
        StatementOutcome victim = StatementOutcome::error(
            1205, QStringLiteral("Transaction was deadlocked on lock resources with another "
                                 "process and has been chosen as the deadlock victim. Rerun the "
                                 "transaction."));
        victim.severity = 13;
        victim.rolledBack = true;
        return victim;
    }
    if (code == SQLITE_CONSTRAINT)
        return constraintFailure(extended, message, sql);
    static const QRegularExpression table(QStringLiteral("^no such table: (?:main\\.)?(.+)$"));
    static const QRegularExpression column(QStringLiteral("^no such column: (?:.*\\.)?(.+)$"));
    static const QRegularExpression near(QStringLiteral("^near \"(.*)\": syntax error$"));
    if (const auto m = table.match(message); m.hasMatch())
        return StatementOutcome::error(
            208, QStringLiteral("Invalid object name '%1'.").arg(m.captured(1)));
    if (const auto m = column.match(message); m.hasMatch())
        return StatementOutcome::error(
            207, QStringLiteral("Invalid column name '%1'.").arg(m.captured(1)));
    if (const auto m = near.match(message); m.hasMatch())
        return StatementOutcome::error(
            102, QStringLiteral("Incorrect syntax near '%1'.").arg(m.captured(1)));
    if (message.contains(QLatin1String("incomplete input")) ||
        message.contains(QLatin1String("unrecognized token")) ||
        message.contains(QLatin1String("syntax error")))
        return StatementOutcome::error(102, QStringLiteral("Incorrect syntax near the end of the "
                                                           "statement."));
    return StatementOutcome::error(50000, message);
}

bool LedgerDatabase::inTransaction() const
{
    return !sqlite3_get_autocommit(m_db);
}

bool LedgerDatabase::begin()
{
    // SQL Server's writers wait for each other's locks. Deferred SQLite
    // transactions would instead both read, then make one of them a deadlock
    // victim at its first write; taking the write lock at the start makes a
    // second transaction wait for the first, as SQL Server's would at the
    // rows the first one holds.
    return inTransaction() || !run(QStringLiteral("BEGIN IMMEDIATE")).failed;
}

bool LedgerDatabase::commit()
{
    return !inTransaction() || !run(QStringLiteral("COMMIT")).failed;
}

void LedgerDatabase::rollback()
{
    if (inTransaction())
        run(QStringLiteral("ROLLBACK"));
}
