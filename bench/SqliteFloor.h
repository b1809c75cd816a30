#pragma once

#include <QString>
#include <QStringList>

struct sqlite3;

// The floors a phase is measured against, on a copy of the ledger taken at
// the phase's start, through SQLite's C API with nothing in between.
class SqliteFloor
{
public:
    struct Figures
    {
        long long rows = 0;
        double opening = 0;
        double closing = 0;
        long long creditSides = 0;
    };

    explicit SqliteFloor(const QString& file);
    ~SqliteFloor();
    SqliteFloor(const SqliteFloor&) = delete;
    SqliteFloor& operator=(const SqliteFloor&) = delete;

    // Runs the statement texts as logged, in one transaction; result rows are
    // stepped through to the end. Returns milliseconds.
    // With oneTransaction false every statement is its own transaction, as
    // the program sends them outside a command's transaction.
    double replay(const QStringList& statements, bool oneTransaction = true);

    // The closing figures of every account and year by one aggregate query,
    // stepped through. Returns milliseconds; rows() tells how many.
    double balances();
    // The migration's end state of Acc_Opening by one aggregate query and
    // one insert-select, the closings of currentYear reset.
    double migrate(int currentYear);
    // Runs the given statements (the year's own writes), then balances().
    double createYear(const QStringList& writes);

    long long rows() const noexcept { return m_rows; }
    // Sum of the closing amounts the last balances() or createYear() computed.
    double closingSum() const noexcept { return m_closingSum; }

    // Count, sums and credit sides of Acc_Opening in a ledger file.
    static Figures openings(const QString& file);
    // Rows of Acc_Opening in ours that have no equal row in theirs: amounts
    // within a tenth of a paisa, or, when exact, every value of the same
    // type and bits.
    static long long mismatches(const QString& ours, const QString& theirs, bool exact = false);

private:
    void exec(const char* sql);
    long long step(const QByteArray& sql);

    sqlite3* m_db = nullptr;
    long long m_rows = 0;
    int m_sumColumn = -1; // result column step() adds up, -1 for none
    double m_closingSum = 0;
};
