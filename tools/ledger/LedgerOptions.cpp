#include "tools/ledger/LedgerOptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>

namespace {

QString description()
{
    return QStringLiteral(
        "Builds SQLite ledger files laid out as the business applications' SQL Server\n"
        "databases hold them: the tables Acc_Master, Acc_Accounting_Year, Acc_transaction\n"
        "and Acc_Opening (text compared without regard to letter case), their indexes,\n"
        "and the view sproc_GetServerDate with one column serverdate, the server clock.\n"
        "\n"
        "The data is made up but deterministic for a seed: group accounts with ParentID\n"
        "'P' and 'B', ordinary accounts below them, postings between two ordinary\n"
        "accounts, accounting years from 1 April to 31 March with ids 1..N (the last one\n"
        "active), random openings in the first year and, in every later year, the\n"
        "previous year's closings carried forward as a year-end run leaves them.\n"
        "\n"
        "Open a folder of ledgers in Quillhaven with the server name sqlite:FOLDER.\n"
        "Exit status: 0 when built, 1 when a ledger could not be built, 2 for bad options.");
}

QDate firstOfApril(int year)
{
    return QDate(year, 4, 1);
}

} // namespace

int LedgerOptions::accountingYearOf(const QDate& date)
{
    return date < firstOfApril(date.year()) ? date.year() - 1 : date.year();
}

bool LedgerOptions::fail(const QString& message)
{
    m_error = message;
    return false;
}

bool LedgerOptions::readCount(const QString& name, const QString& text, qint64 lowest,
                              qint64 highest, qint64& value)
{
    bool ok = false;
    const qint64 number = text.trimmed().toLongLong(&ok);
    if (!ok || number < lowest || number > highest)
        return fail(QStringLiteral("--%1 takes a whole number from %2 to %3, not \"%4\"")
                        .arg(name)
                        .arg(lowest)
                        .arg(highest)
                        .arg(text));
    value = number;
    return true;
}

LedgerOptions::Outcome LedgerOptions::parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption dir(
        QStringLiteral("dir"),
        QStringLiteral("Folder to write the ledgers into: FOLDER/Dosavine.db and/or "
                       "FOLDER/Bindwell.db. Created when missing. Default: the current folder."),
        QStringLiteral("FOLDER"));
    const QCommandLineOption database(
        QStringLiteral("database"),
        QStringLiteral("Which ledger to build: Dosavine (the pharmacy), Bindwell (the stores) "
                       "or both. Default: both."),
        QStringLiteral("NAME"));
    const QCommandLineOption accounts(
        QStringLiteral("accounts"),
        QStringLiteral("Number of ordinary accounts per ledger, besides the fixed group "
                       "accounts. Default: %1.")
            .arg(DefaultAccounts),
        QStringLiteral("N"));
    const QCommandLineOption years(
        QStringLiteral("years"),
        QStringLiteral("Number of accounting years, 1 to 100. Default: %1.").arg(DefaultYears),
        QStringLiteral("N"));
    const QCommandLineOption postings(
        QStringLiteral("postings"),
        QStringLiteral("Number of postings per ledger, spread evenly over the years. Needs at "
                       "least two accounts unless 0. Default: %1.")
            .arg(DefaultPostings),
        QStringLiteral("N"));
    const QCommandLineOption seed(
        QStringLiteral("seed"),
        QStringLiteral("Seed of the made-up data; the same seed gives the same ledger. "
                       "Default: %1.")
            .arg(DefaultSeed),
        QStringLiteral("N"));
    const QCommandLineOption firstYear(
        QStringLiteral("first-year"),
        QStringLiteral("Calendar year of the first accounting year, which runs from 1 April "
                       "YYYY to 31 March YYYY+1. Default: chosen so that the last year holds "
                       "the server date."),
        QStringLiteral("YYYY"));
    const QCommandLineOption serverDate(
        QStringLiteral("server-date"),
        QStringLiteral("Pin the server clock, e.g. 2008-03-31T18:00. The date-time is stored "
                       "in the table Sys_ServerClock, which the view reads, so a test can move "
                       "it with an UPDATE or remove it with a DELETE. Default: the live local "
                       "clock."),
        QStringLiteral("DATETIME"));
    const QCommandLineOption emptyLedger(
        QStringLiteral("empty"),
        QStringLiteral("Tables, indexes, view and clock only, without any rows in the Acc_ "
                       "tables."));
    const QCommandLineOption force(
        QStringLiteral("force"),
        QStringLiteral("Replace ledger files that already exist (with any journal left "
                       "beside them). Without it an existing file is an error."));
    const QCommandLineOption yearDates(
        QStringLiteral("year-dates"),
        QStringLiteral("How Acc_Accounting_Year holds its start and end: number (day numbers "
                       "in REAL columns) or datetime (dates in DATETIME columns, as many SQL "
                       "Server ledgers hold them). Default: number."),
        QStringLiteral("KIND"));
    const QCommandLineOption amounts(
        QStringLiteral("amounts"),
        QStringLiteral("Column type of Amount, Opening and Closing: float, decimal "
                       "(DECIMAL(18,2)) or money. Default: float."),
        QStringLiteral("KIND"));
    const QCommandLineOption yearIds(
        QStringLiteral("year-id"),
        QStringLiteral("How the database gives AccYearID its values: identity (an identity "
                       "column, which takes a given value only under SET IDENTITY_INSERT) or "
                       "plain (a column whose default gives the next number). Default: "
                       "identity."),
        QStringLiteral("KIND"));
    const QCommandLineOption unbalanced(
        QStringLiteral("unbalanced-openings"),
        QStringLiteral("Leave the first year's openings as drawn, debits and credits apart, "
                       "as books that do not balance hold them. Default: the openings of every "
                       "year balance."));
    parser.addOptions({help, dir, database, accounts, years, postings, seed, firstYear, serverDate,
                       emptyLedger, force, yearDates, amounts, yearIds, unbalanced});
    m_helpText = parser.helpText();

    if (!parser.parse(arguments)) {
        fail(parser.errorText());
        return Outcome::Invalid;
    }
    if (parser.isSet(help))
        return Outcome::Help;
    if (!parser.positionalArguments().isEmpty()) {
        fail(
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));
        return Outcome::Invalid;
    }

    m_folder = QDir::cleanPath(
        QDir::current().absoluteFilePath(parser.isSet(dir) ? parser.value(dir) : QString()));
    if (parser.isSet(dir) && parser.value(dir).trimmed().isEmpty()) {
        fail(QStringLiteral("--dir needs a folder"));
        return Outcome::Invalid;
    }

    const QString which = parser.isSet(database) ? parser.value(database) : QStringLiteral("both");
    if (which.compare(QLatin1String("Dosavine"), Qt::CaseInsensitive) == 0)
        m_databases = {QStringLiteral("Dosavine")};
    else if (which.compare(QLatin1String("Bindwell"), Qt::CaseInsensitive) == 0)
        m_databases = {QStringLiteral("Bindwell")};
    else if (which.compare(QLatin1String("both"), Qt::CaseInsensitive) == 0)
        m_databases = {QStringLiteral("Dosavine"), QStringLiteral("Bindwell")};
    else {
        fail(QStringLiteral("--database takes Dosavine, Bindwell or both, not \"%1\"").arg(which));
        return Outcome::Invalid;
    }

    qint64 value = 0;
    if (parser.isSet(accounts)) {
        if (!readCount(QStringLiteral("accounts"), parser.value(accounts), 0, 100000, value))
            return Outcome::Invalid;
        m_accounts = static_cast<int>(value);
    }
    if (parser.isSet(years)) {
        if (!readCount(QStringLiteral("years"), parser.value(years), 1, 100, value))
            return Outcome::Invalid;
        m_years = static_cast<int>(value);
    }
    if (parser.isSet(postings)) {
        if (!readCount(QStringLiteral("postings"), parser.value(postings), 0, 100000000, value))
            return Outcome::Invalid;
        m_postings = value;
    }
    if (parser.isSet(seed)) {
        bool ok = false;
        m_seed = parser.value(seed).trimmed().toULongLong(&ok);
        if (!ok) {
            fail(QStringLiteral("--seed takes a whole number from 0 to 18446744073709551615, "
                                "not \"%1\"")
                     .arg(parser.value(seed)));
            return Outcome::Invalid;
        }
    }
    if (m_postings > 0 && m_accounts < 2 && !parser.isSet(emptyLedger)) {
        fail(QStringLiteral("--postings needs at least two accounts to post between"));
        return Outcome::Invalid;
    }

    if (parser.isSet(serverDate)) {
        const QString text = parser.value(serverDate).trimmed();
        QDateTime moment = QDateTime::fromString(text, Qt::ISODate);
        if (!moment.isValid())
            moment = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (!moment.isValid() || moment.date().year() < 1900 || moment.date().year() > 9999) {
            fail(QStringLiteral("--server-date takes a date and time such as "
                                "2008-03-31T18:00, not \"%1\"")
                     .arg(parser.value(serverDate)));
            return Outcome::Invalid;
        }
        m_serverDate = moment;
    }

    if (parser.isSet(firstYear)) {
        if (!readCount(QStringLiteral("first-year"), parser.value(firstYear), 1900, 9000, value))
            return Outcome::Invalid;
        m_firstYear = static_cast<int>(value);
    } else {
        const QDate today =
            m_serverDate ? m_serverDate->date() : QDateTime::currentDateTime().date();
        m_firstYear = accountingYearOf(today) - (m_years - 1);
    }

    // An option naming one of a few kinds: the kind's place in the list, -1
    // when the option is not given, -2 when it names none of them.
    auto kindOf = [&](const QCommandLineOption& option, const char* name,
                      std::initializer_list<const char*> kinds) {
        if (!parser.isSet(option))
            return -1;
        const QString kind = parser.value(option).trimmed().toLower();
        int at = 0;
        for (const char* k : kinds) {
            if (kind == QLatin1String(k))
                return at;
            ++at;
        }
        QStringList names;
        for (const char* k : kinds)
            names.append(QLatin1String(k));
        const QString last = names.takeLast();
        fail(QStringLiteral("--%1 takes %2 or %3, not \"%4\"")
                 .arg(QLatin1String(name), names.join(QStringLiteral(", ")), last,
                      parser.value(option)));
        return -2;
    };
    // The first option naming an unknown kind is the one reported.
    int dates = -1;
    int amountKind = -1;
    int idKind = -1;
    if ((dates = kindOf(yearDates, "year-dates", {"number", "datetime"})) == -2 ||
        (amountKind = kindOf(amounts, "amounts", {"float", "decimal", "money"})) == -2 ||
        (idKind = kindOf(yearIds, "year-id", {"identity", "plain"})) == -2)
        return Outcome::Invalid;
    if (dates == 1)
        m_yearDateType = QStringLiteral("DATETIME");
    if (amountKind == 1)
        m_amountType = QStringLiteral("DECIMAL(18,2)");
    else if (amountKind == 2)
        m_amountType = QStringLiteral("MONEY");
    if (idKind == 1)
        m_yearIdIdentity = false;

    m_empty = parser.isSet(emptyLedger);
    m_force = parser.isSet(force);
    m_balancedOpenings = !parser.isSet(unbalanced);
    return Outcome::Build;
}
