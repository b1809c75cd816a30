#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// The one failure type of the program: a number and a description, as the
// operator sees them. Database failures carry the driver's number and text;
// conversion failures carry the classic run-time numbers (6 overflow, 13 type
// mismatch, 94 invalid use of Null). What the program does about a failure
// it decides by its kind, never by its number: a driver's numbers overlap
// ours.
class Failure : public std::exception
{
public:
    enum class Kind
    {
        Ledger,      // the ledger or its driver refused or failed
        Unreachable, // no SQL Server answered at the name given
        LedgerFile,  // the embedded ledger's folder or file is missing or unreadable
        NotReady,    // the program's own refusal: not connected, worksheet not sound
        Cancelled,   // the person stopped the work
        Conversion,  // a value the program cannot read as a number
        Uncarriable, // a value the road cannot carry: stopped before the ledger had a say
        OwnFile,     // a file of ours (the snapshot archive, a report)
        Unexpected,  // what the run-time library threw that is no failure of ours
    };

    // The generic failure a wrong or unreachable server name produces.
    static constexpr int E_FAIL = -2147467259; // 0x80004005
    // A refused login.
    static constexpr int LoginRefused = -2147217843; // 0x80040E4D
    // A server name no SQL Server client can read (a bad port, instance or
    // host); its description says what is wrong.
    static constexpr int InvalidServerName = -2147024809; // 0x80070057
    static constexpr int Overflow = 6;
    static constexpr int TypeMismatch = 13;
    static constexpr int InvalidUseOfNull = 94;
    // A grid cell outside the grid, and a value a grid property cannot take.
    static constexpr int SubscriptOutOfRange = 9;
    static constexpr int InvalidPropertyValue = 380;
    static constexpr int OutOfMemory = 7;
    // What the run-time library threw that is no failure of ours.
    static constexpr int Unexpected = -1;
    // The ledger tool's own failures (its exit code).
    static constexpr int LedgerToolFailed = 1;
    // A value the connection cannot carry to the ledger unchanged (ADO's
    // "data value cannot be converted").
    static constexpr int CannotCarry = 3421;
    // A file of ours (the snapshot archive, a report) could not be read or
    // written: the classic "path or file access error".
    static constexpr int FileAccess = 75;
    // The program's own refusals (not connected, worksheet not sound).
    static constexpr int NotReady = 3704; // "operation not allowed when closed"
    // Work the user stopped with Cancel (the classic "user interrupt").
    static constexpr int Cancelled = 18;
    // A SQL Server database whose names match in their exact letter case.
    static constexpr int CaseSensitiveNames = 3709;

    Failure(int number, QString description, Kind kind = Kind::Ledger);

    int number() const noexcept { return m_number; }
    Kind kind() const noexcept { return m_kind; }
    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }
    // The same failure, of the same number and kind, told in other words.
    Failure withDescription(QString description) const;
    // The failure as a person reads it: "Error N", then its description.
    QString text() const;

    static Failure overflow();
    static Failure typeMismatch();
    static Failure invalidUseOfNull();

private:
    int m_number;
    QString m_description;
    Kind m_kind;
    QByteArray m_what;
};
