#pragma once

#include <QList>
#include <QString>
#include <optional>

class ClosingLedger;

// The figures the auditor's pack prints, per year and account, read from
// the worksheet as loaded (so they are the CSV report's), with each year's
// roll-forward: its closing as computed from the postings against the next
// year's opening as Acc_Opening holds it.
//
// The pack's digest is a SHA-256 over a canonical text of the closed years'
// figures (the years the ledger lists a next year for), so that an auditor
// can show later that they are still the ledger's:
//
//   Quillhaven pack 1
//   years 1 2 3
//   YEAR<TAB>ACCOUNT<TAB>OPENING<TAB>DEBIT<TAB>CREDIT<TAB>CLOSING<TAB>NEXT
//   ...
//
// one line an account of each closed year, the years in ascending order and
// within a year the accounts by the UTF-8 bytes of their ids (blanks around
// them dropped; a backslash, tab or line break in one written \\, \t, \n).
// Amounts have two decimals and a "." point, no grouping; OPENING, CLOSING
// and NEXT (the next year's opening as stored) are debit positive, credit
// negative. Every line ends in a line feed; the text is hashed as UTF-8.
class PackFigures
{
public:
    struct Line
    {
        double year = 0;
        QString account; // blanks around it dropped
        QString name;
        double opening = 0; // debit positive, as are closing, carried and storedNext
        double debit = 0;
        double credit = 0;
        double closing = 0; // as computed from the postings
        double carried = 0; // the next year's opening as the worksheet carries it
        // The next year's opening as Acc_Opening holds it: none in the last
        // year, 0 for an account the next year has no opening for.
        std::optional<double> storedNext;

        double difference() const { return closing - storedNext.value_or(closing); }
        bool differs() const;
    };

    struct Year
    {
        double year = 0;
        QString label;
        bool closed = false; // a next year is listed
        QString nextLabel;   // the year its closings are carried into, when closed
        QList<Line> lines;   // accounts in the canonical order
        qsizetype differing = 0;
        double openings = 0, debit = 0, credit = 0, closings = 0;
    };

    // What changed in one figure from the pack to the ledger now.
    struct Difference
    {
        double year = 0;
        QString account;
        QString figure; // "opening", "debit", ..., or "account" when one side has no line
        std::optional<double> then;
        std::optional<double> now;
        QString text(const QString& yearLabel) const;
    };

    static PackFigures of(const ClosingLedger& ledger);

    const QList<Year>& years() const noexcept { return m_years; }
    QList<double> closedYears() const;
    // The canonical text of the years given (the closed ones by default).
    QString canonical(const QList<double>& years) const;
    QString canonical() const { return canonical(closedYears()); }

    // "1, 2, 3", or "none".
    static QString yearsText(const QList<double>& years);
    // SHA-256 of a canonical text, in lower-case hex.
    static QString digestOf(const QString& canonical);
    // The years a canonical text covers; none when it is not one.
    static std::optional<QList<double>> yearsOf(const QString& canonical);
    // Figure by figure, what differs from one canonical text to another.
    static QList<Difference> compare(const QString& then, const QString& now);

private:
    QList<Year> m_years;
};
