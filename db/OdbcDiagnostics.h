#pragma once

#include <QString>
#include <optional>

class QSqlQuery;

// What the ODBC driver keeps of a failed statement, read from its handle.
// SQL Server follows a statement that breaks a key or a constraint with the
// message 3621, "The statement has been terminated."; the driver keeps both
// records, but Qt reports the number of the last, so the operator would
// read 3621 where the first record says what went wrong.
class OdbcDiagnostics
{
public:
    struct Record
    {
        int number = 0;
        QString state;
        QString text;
    };

    // The first record that is an error rather than a warning or a message
    // (SQLSTATE class 01), or none when it keeps none. For queries of Qt's
    // ODBC driver only.
    static std::optional<Record> firstError(const QSqlQuery& query);
};
