#pragma once

#include "yearend/CommandRunner.h"
#include "yearend/YearEndContext.h"
#include "yearend/ConnectCommand.h"
#include "tests/support/CapturingSink.h"
#include "tests/support/FakeControls.h"
#include "tests/support/LedgerFixture.h"
#include "tests/support/LedgerRoad.h"
#include "yearend/CreateYearCommand.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <string>

// What the year-creation tests share: the statement texts, a ledger whose
// years and clock each test sets, and a connected core on it.

inline const QString kYearNotOver =
    QStringLiteral("Accounting Year Already Exists\r\nIf You Create New Accounting year Before "
                   "April 1st Accounts May Not Match");
inline const QString kDeactivate =
    QStringLiteral("Update Acc_Accounting_Year Set Active=0 where Active=1");
inline const QString kAccountsQuery = QStringLiteral(
    "Select AccountID,AccountName,ParentID from Acc_Master where parentID not in('P','B')");

inline QString insertFor(const char* values)
{
    return QStringLiteral(
               "INSERT INTO Acc_Accounting_Year(Acc_Yr_Start,Acc_Yr_End,Active)values(") +
           QString::fromLatin1(values) + QStringLiteral(")");
}

struct YearRow
{
    int id;
    double start;
    double end;
    int active;
};

// The statements that change the database, in the order sent, one a line.
inline std::string writes(const QStringList& log)
{
    QStringList result;
    for (const QString& sql : log) {
        if (!sql.startsWith(QLatin1String("Select"), Qt::CaseInsensitive) &&
            !sql.startsWith(QLatin1String("sproc_")))
            result.append(sql);
    }
    return result.join(QLatin1Char('\n')).toStdString();
}

inline std::string lines(const QStringList& texts)
{
    return texts.join(QLatin1Char('\n')).toStdString();
}

// A connected window core on a small generated ledger, through the server
// name prefix the test is run with.
class YearCreationFixture : public ::testing::TestWithParam<const char*>
{
protected:
    LedgerFixture ledger;
    LedgerRoad road{QString::fromLatin1(GetParam())};
    FakeControls controls;
    CapturingSink sink;
    YearEndContext context{controls, sink};
    QStringList log;

    void SetUp() override
    {
        ledger.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                      QStringLiteral("--accounts"), QStringLiteral("8"), QStringLiteral("--years"),
                      QStringLiteral("1"), QStringLiteral("--postings"), QStringLiteral("30"),
                      QStringLiteral("--first-year"), QStringLiteral("2007"),
                      QStringLiteral("--server-date"), QStringLiteral("2008-04-15T10:00")});
    }

    QString serverName() { return road.serverName(ledger.folder()); }

    void setYears(const QList<YearRow>& years)
    {
        QStringList sql{QStringLiteral("DELETE FROM Acc_Accounting_Year")};
        for (const YearRow& y : years)
            sql.append(QStringLiteral("INSERT INTO Acc_Accounting_Year(AccYearID,Acc_Yr_Start,"
                                      "Acc_Yr_End,Active) VALUES(%1,%2,%3,%4)")
                           .arg(y.id)
                           .arg(y.start, 0, 'f', 6)
                           .arg(y.end, 0, 'f', 6)
                           .arg(y.active));
        ledger.execute(sql);
    }

    void setClock(const QString& moment)
    {
        ledger.execute(QStringLiteral("UPDATE Sys_ServerClock SET serverdate='%1'").arg(moment));
    }

    void connect()
    {
        controls.pharma = true;
        controls.server = serverName();
        ASSERT_TRUE(CommandRunner::run(sink, [this] { ConnectCommand(context).run(); }))
            << lines(sink.texts());
        ASSERT_TRUE(context.isWorksheetSound());
        ASSERT_TRUE(controls.createEnabled);
        sink.clear();
        log.clear();
        context.setStatementLog(&log);
    }

    bool create()
    {
        return CommandRunner::run(sink, [this] { CreateYearCommand(context).run(); });
    }

    // Cell texts as standard strings, so a failing comparison shows them.
    std::string yearCell(int column, int row)
    {
        return context.accYears().readText(column, row).toStdString();
    }
    std::string sheetCell(int column, int row)
    {
        return context.accounts().readText(column, row).toStdString();
    }

    QList<QVariantList> storedYears() const
    {
        return ledger.rows(QStringLiteral(
            "SELECT Acc_Yr_Start,Acc_Yr_End,Active FROM Acc_Accounting_Year ORDER BY AccYearID"));
    }
};

// Server name prefixes the tests run through: the native driver and ODBC.
inline std::string serverLabel(const ::testing::TestParamInfo<const char*>& server)
{
    return server.param;
}
