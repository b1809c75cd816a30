#include "bench/SqliteFloor.h"

#include <QElapsedTimer>
#include <sqlite3.h>

namespace {

// Every account in every year with its opening, debit and credit totals and
// the closing balance cut to two decimals, as the worksheet computes them.
const char* const kWorksheet =
    "WITH dr AS (SELECT Dr_Account a,Fin_Year_Id y,SUM(Amount) s FROM Acc_transaction "
    "GROUP BY Dr_Account,Fin_Year_Id), "
    "cr AS (SELECT Cr_Account a,Fin_Year_Id y,SUM(Amount) s FROM Acc_transaction "
    "GROUP BY Cr_Account,Fin_Year_Id), "
    "op AS (SELECT AccId a,AccYearID y,min(rowid),Opening o,OpeningType t FROM Acc_Opening "
    "GROUP BY AccId,AccYearID), "
    "w AS (SELECT A.AccountID acc,B.AccYearID yr,coalesce(op.o,0) o,"
    "CASE WHEN abs(coalesce(op.o,0))>0 THEN op.t ELSE 'D' END ot,"
    "coalesce(dr.s,0) d,coalesce(cr.s,0) c "
    "FROM Acc_Accounting_Year B,Acc_Master A "
    "LEFT JOIN dr ON dr.a=A.AccountID AND dr.y=B.AccYearID "
    "LEFT JOIN cr ON cr.a=A.AccountID AND cr.y=B.AccYearID "
    "LEFT JOIN op ON op.a=trim(A.AccountID) AND op.y=B.AccYearID "
    "WHERE A.ParentID NOT IN('P','B')), "
    "b AS (SELECT acc,yr,o,ot,CASE WHEN ot='D' COLLATE BINARY THEN o+(d-c) "
    "WHEN ot='C' COLLATE BINARY THEN (d-c)-o ELSE 0 END bal FROM w) "
    "SELECT acc,yr,o,ot,CAST(abs(bal)*100+1e-7 AS INTEGER)/100.0 cl,"
    "CASE WHEN bal>=0 THEN 'D' ELSE 'C' END ct FROM b";

double elapsedMs(const QElapsedTimer& clock)
{
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

} // namespace

SqliteFloor::SqliteFloor(const QString& file)
{
    if (sqlite3_open_v2(file.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        qFatal("cannot open %s", qPrintable(file));
}

SqliteFloor::~SqliteFloor()
{
    sqlite3_close(m_db);
}

void SqliteFloor::exec(const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) != SQLITE_OK)
        qFatal("%s: %s", sql, message);
}

long long SqliteFloor::step(const QByteArray& sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.constData(), static_cast<int>(sql.size()), &statement,
                           nullptr) != SQLITE_OK)
        qFatal("%s: %s", sql.constData(), sqlite3_errmsg(m_db));
    long long rows = 0;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        ++rows;
        if (m_sumColumn >= 0)
            m_closingSum += sqlite3_column_double(statement, m_sumColumn);
    }
    if (rc != SQLITE_DONE)
        qFatal("%s: %s", sql.constData(), sqlite3_errmsg(m_db));
    sqlite3_finalize(statement);
    return rows;
}

double SqliteFloor::replay(const QStringList& statements, bool oneTransaction)
{
    QElapsedTimer clock;
    clock.start();
    if (oneTransaction)
        exec("BEGIN");
    for (const QString& text : statements) {
        // The log holds the procedure's bare name; the ledger holds a view.
        if (text.compare(QLatin1String("sproc_GetServerDate"), Qt::CaseInsensitive) == 0)
            step(QByteArrayLiteral("SELECT * FROM sproc_GetServerDate"));
        else
            step(text.toUtf8());
    }
    if (oneTransaction)
        exec("COMMIT");
    return elapsedMs(clock);
}

double SqliteFloor::balances()
{
    QElapsedTimer clock;
    clock.start();
    m_closingSum = 0;
    m_sumColumn = 4;
    m_rows = step(QByteArray(kWorksheet));
    m_sumColumn = -1;
    return elapsedMs(clock);
}

double SqliteFloor::migrate(int currentYear)
{
    QElapsedTimer clock;
    clock.start();
    exec("BEGIN");
    m_rows = step(QByteArray("CREATE TEMP TABLE w AS ") + kWorksheet);
    exec("DELETE FROM Acc_Opening");
    // An account's opening is the previous year's closing where the
    // worksheet holds that year, else its own stored opening.
    const QByteArray insert =
        QByteArray("INSERT INTO Acc_Opening(AccId,AccYearID,Opening,OpeningType,Closing,"
                   "ClosingType) SELECT trim(w.acc),w.yr,coalesce(p.cl,w.o),"
                   "coalesce(p.ct,trim(w.ot)),CASE WHEN w.yr=") +
        QByteArray::number(currentYear) +
        " THEN 0 ELSE w.cl END,CASE WHEN w.yr=" + QByteArray::number(currentYear) +
        " THEN 'D' ELSE w.ct END FROM w LEFT JOIN w p ON p.acc=w.acc AND p.yr=w.yr-1";
    step(insert);
    exec("DROP TABLE w");
    exec("COMMIT");
    return elapsedMs(clock);
}

double SqliteFloor::createYear(const QStringList& writes)
{
    QElapsedTimer clock;
    clock.start();
    exec("BEGIN");
    for (const QString& text : writes)
        step(text.toUtf8());
    exec("COMMIT");
    m_closingSum = 0;
    m_sumColumn = 4;
    m_rows = step(QByteArray(kWorksheet));
    m_sumColumn = -1;
    return elapsedMs(clock);
}

SqliteFloor::Figures SqliteFloor::openings(const QString& file)
{
    SqliteFloor floor(file);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(floor.m_db,
                       "SELECT count(*),total(Opening),total(Closing),"
                       "total(ClosingType='C' COLLATE BINARY) FROM Acc_Opening",
                       -1, &statement, nullptr);
    Figures f;
    if (sqlite3_step(statement) == SQLITE_ROW) {
        f.rows = sqlite3_column_int64(statement, 0);
        f.opening = sqlite3_column_double(statement, 1);
        f.closing = sqlite3_column_double(statement, 2);
        f.creditSides = sqlite3_column_int64(statement, 3);
    }
    sqlite3_finalize(statement);
    return f;
}

long long SqliteFloor::mismatches(const QString& ours, const QString& theirs, bool exact)
{
    SqliteFloor floor(ours);
    floor.exec(QByteArray("ATTACH '" + theirs.toUtf8() + "' AS s").constData());
    if (exact) {
        // Reals compare by their bits; the types and the letter case count too.
        const QByteArray columns =
            "SELECT AccId COLLATE BINARY,typeof(AccId),AccYearID,typeof(AccYearID),Opening,"
            "typeof(Opening),OpeningType COLLATE BINARY,typeof(OpeningType),Closing,"
            "typeof(Closing),ClosingType COLLATE BINARY,typeof(ClosingType) FROM ";
        return floor.step(columns + "main.Acc_Opening EXCEPT " + columns + "s.Acc_Opening");
    }
    return floor.step(
        "SELECT 1 FROM main.Acc_Opening x WHERE NOT EXISTS(SELECT 1 FROM s.Acc_Opening y "
        "WHERE y.AccId=x.AccId AND y.AccYearID=x.AccYearID "
        "AND abs(coalesce(y.Opening,0)-coalesce(x.Opening,0))<0.001 "
        "AND abs(coalesce(y.Closing,0)-coalesce(x.Closing,0))<0.001 "
        "AND y.OpeningType=x.OpeningType AND y.ClosingType=x.ClosingType)");
}
