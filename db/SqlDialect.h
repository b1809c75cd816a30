#pragma once

#include <QString>

// Everything that differs between the embedded SQLite ledger and SQL Server
// lives here, so that every caller sends the same statement texts.
class SqlDialect
{
public:
    enum class Kind
    {
        SqlServer,
        Sqlite
    };

    // How the session reaches the database: Qt's own SQLite driver, or ODBC.
    enum class Access
    {
        Native,
        Odbc
    };

    explicit SqlDialect(Kind kind, Access access = Access::Odbc) : m_kind(kind), m_access(access) {}

    Kind kind() const noexcept { return m_kind; }

    // The text that runs a stored procedure given by its bare name. SQL
    // Server takes the name alone as a batch; the SQLite ledger holds a view
    // of that name.
    QString procedureSource(const QString& name) const;

    // Whether a statement built from pieces and values is prepared once per
    // shape and run again with its values bound. On the embedded ledger that
    // saves parsing and planning each of tens of thousands of lookups and
    // updates. Over ODBC the statements go as their texts: SQL Server would
    // compare its varchar columns with bound Unicode values and lose its
    // indexes, and the SQLite ODBC driver stands in for that path in tests.
    bool preparesShapes() const noexcept
    {
        return m_kind == Kind::Sqlite && m_access == Access::Native;
    }

    // Whether a transaction goes as statements of its own (below) rather
    // than through the driver's switch of autocommit. Over ODBC to SQL
    // Server the switch costs two requests for a commit (commit, then
    // autocommit back on) and a lost connection between them would report a
    // failure for a commit that was kept; a COMMIT statement is one request
    // with one outcome. On SQLite a transaction that is to write takes the
    // write lock at its start (BEGIN IMMEDIATE), so that what it checks
    // first cannot change before it writes; only a statement can ask that.
    bool transactionsAsStatements(bool writes) const noexcept
    {
        return m_kind == Kind::SqlServer || writes;
    }
    QString beginStatement() const
    {
        return m_kind == Kind::SqlServer ? QStringLiteral("BEGIN TRANSACTION")
                                         : QStringLiteral("BEGIN IMMEDIATE");
    }
    QString commitStatement() const
    {
        return m_kind == Kind::SqlServer ? QStringLiteral("COMMIT TRANSACTION")
                                         : QStringLiteral("COMMIT");
    }
    // What a connection sets right after it opens, as one request, or an
    // empty text. A DBA may have set NOCOUNT in the server's user options:
    // then no statement reports its rows, and a request of many statements
    // comes back as one result, which the batches read one a statement.
    // SQL Server's statements wait for ever for a lock another connection
    // holds (a migration's, under READ COMMITTED), and Microsoft's drivers
    // set no request time-out: the lock time-out ends such a wait. The same
    // request asks the database's collation and name, one row: under a
    // case-sensitive collation the ledger's names as this program spells
    // them would not all be found.
    QString sessionSettings(int lockTimeoutSeconds) const
    {
        if (m_kind != Kind::SqlServer)
            return {};
        return QStringLiteral("SET NOCOUNT OFF;SET LOCK_TIMEOUT %1;SELECT "
                              "CAST(DATABASEPROPERTYEX(DB_NAME(), 'Collation') AS nvarchar(128)), "
                              "DB_NAME()")
            .arg(qint64(lockTimeoutSeconds) * 1000);
    }
    // A lock on a whole table held to the transaction's end, or an empty
    // text where the transaction's start has taken the lock it needs
    // (SQLite: BEGIN IMMEDIATE for a writer; a reader's transaction alone is
    // one view of the file). SQL Server's reads under READ COMMITTED, with or
    // without row versioning, hold no lock and each see what was committed
    // when they ran; a writer's exclusive lock (TABLOCKX) makes a second
    // writer wait, and a reader's shared one (TABLOCK) keeps a writer's
    // commit from falling between two of its reads.
    QString tableLockStatement(const QString& table, bool exclusive) const
    {
        return m_kind == Kind::SqlServer
                   ? QStringLiteral("SELECT count(*) FROM %1 WITH (%2, HOLDLOCK)")
                         .arg(table,
                              exclusive ? QStringLiteral("TABLOCKX") : QStringLiteral("TABLOCK"))
                   : QString();
    }
    // SQL Server may have rolled back already (a deadlock victim).
    QString rollbackStatement() const
    {
        return m_kind == Kind::SqlServer ? QStringLiteral("IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION")
                                         : QStringLiteral("ROLLBACK");
    }

    // The position of the first character of a statement that this road
    // cannot carry to the ledger unchanged, or -1. The SQLite ODBC driver
    // cuts every character of a statement holding one beyond U+FFFF to its
    // low byte. SQL Server keeps a plain quoted text of a statement in its
    // code page (Windows-1252 for the collation the ledgers use) and stores
    // "?" for what the code page lacks; a Unicode literal (N'...') it takes
    // whole. Such a statement must not be sent: lookups would miss and the
    // migration would store other ids than it read.
    qsizetype uncarriable(const QString& sql) const;
    static bool inWindows1252(char16_t c);

    // The key under which this road's database finds two account ids equal,
    // for the closing tool's matching in memory of what the database
    // matches in the window's statements. The ledgers' text columns compare
    // without regard to letter case: SQLite's NOCASE folds the letters A to
    // Z and nothing else, every blank counting; SQL Server's default
    // collation (case-insensitive, accent-sensitive) folds every letter and
    // does not count trailing blanks ('1005 ' = '1005').
    QString idKey(const QString& id) const;

    // Whether consecutive statements of a step go to the server as one
    // request. Against SQL Server every request is a round trip over the
    // network, which on a LAN or a VPN costs far more than the statement;
    // the embedded ledger has no round trips to save.
    bool batchesStatements() const noexcept { return m_kind == Kind::SqlServer; }
    // A request holds at most this many statements and characters (about
    // 2 MB on the wire), far under SQL Server's limit on a batch (65,536
    // times the packet size). Measured over the TDS road at 0, 1 and 20 ms a
    // round trip, 200 statements and 32,000 characters made the M year-end
    // 1,179 requests; 5,000 and 1,000,000 make it 126, and its modelled time
    // at 20 ms within 6 % of whole steps in one request each, whose size
    // nothing would bound.
    static constexpr int BatchStatements = 5000;
    static constexpr int BatchCharacters = 1000000;

    // The statement that lets inserts give a table's identity column its
    // values (SQL Server), or takes that back; empty where the database takes
    // given ids as they are (SQLite). SQL Server refuses it (8106) for a
    // table without an identity.
    QString identityInsert(const QString& table, bool on) const
    {
        if (m_kind != Kind::SqlServer)
            return {};
        return QStringLiteral("SET IDENTITY_INSERT %1 %2")
            .arg(table, on ? QStringLiteral("ON") : QStringLiteral("OFF"));
    }
    // A table's columns, in order, as rows of (name, 1 for an identity, 1 for
    // a column the database fills itself): a rowversion or a computed column
    // on SQL Server, a generated column on SQLite.
    QString columnsQuery(const QString& table) const;

    // The condition on a row whose amount column holds something that is no
    // number (a text such as 'NaN', a blob), which SQLite keeps as it is
    // given and sums by its leading number; empty where the database cannot
    // hold one, as SQL Server's numeric columns cannot.
    QString notANumber(const QString& column) const
    {
        if (m_kind != Kind::Sqlite)
            return {};
        return QStringLiteral("typeof(%1) not in('integer','real','null')").arg(column);
    }

    // How long a statement waits for a lock held by someone else, in ms.
    static constexpr int BusyTimeoutMs = 5000;

private:
    Kind m_kind;
    Access m_access;
};
