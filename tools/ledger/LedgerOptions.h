#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

// What the ledger tool is asked to build, read from its command line. Every
// value is checked here, so the builder never sees a ledger it cannot make.
class LedgerOptions
{
public:
    enum class Outcome
    {
        Build,
        Help,
        Invalid
    };

    // Reads the arguments (the program name first, as in argv). On Invalid,
    // error() says what is wrong.
    Outcome parse(const QStringList& arguments);

    QString error() const { return m_error; }
    QString helpText() const { return m_helpText; }

    QString folder() const { return m_folder; }
    // "Dosavine", "Bindwell" or both, in that order.
    QStringList databases() const { return m_databases; }
    int accounts() const { return m_accounts; }
    int years() const { return m_years; }
    qint64 postings() const { return m_postings; }
    quint64 seed() const { return m_seed; }
    // The calendar year in which the first accounting year starts (1 April).
    int firstYear() const { return m_firstYear; }
    // The pinned server clock; empty for the live clock.
    std::optional<QDateTime> serverDate() const { return m_serverDate; }
    bool empty() const { return m_empty; }
    // Declared types of the year dates ("REAL" or "DATETIME") and of the
    // amounts ("REAL", "DECIMAL(18,2)" or "MONEY").
    QString yearDateType() const { return m_yearDateType; }
    QString amountType() const { return m_amountType; }
    bool yearIdIdentity() const { return m_yearIdIdentity; }
    bool force() const { return m_force; }
    // Whether the first year's openings balance (debits equal credits), as
    // in double-entry books; false builds the unbalanced kind of old.
    bool balancedOpenings() const { return m_balancedOpenings; }

    static constexpr int DefaultAccounts = 40;
    static constexpr int DefaultYears = 3;
    static constexpr qint64 DefaultPostings = 600;
    static constexpr quint64 DefaultSeed = 1;

    // The accounting year (by the calendar year of its 1 April) that holds a
    // moment: from 1 April onward it is that calendar year's.
    static int accountingYearOf(const QDate& date);

private:
    bool fail(const QString& message);
    bool readCount(const QString& name, const QString& text, qint64 lowest, qint64 highest,
                   qint64& value);

    QString m_error;
    QString m_helpText;
    QString m_folder;
    QStringList m_databases;
    int m_accounts = DefaultAccounts;
    int m_years = DefaultYears;
    qint64 m_postings = DefaultPostings;
    quint64 m_seed = DefaultSeed;
    int m_firstYear = 0;
    std::optional<QDateTime> m_serverDate;
    bool m_empty = false;
    QString m_yearDateType = QStringLiteral("REAL");
    QString m_amountType = QStringLiteral("REAL");
    bool m_yearIdIdentity = true;
    bool m_force = false;
    bool m_balancedOpenings = true;
};
