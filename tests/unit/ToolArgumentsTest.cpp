// The command-line tools say what is wrong with what they were given,
// rather than ignoring it or answering for a ledger that is not there.

#include "tests/support/LedgerFixture.h"

#include <gtest/gtest.h>

namespace {

LedgerFixture::ToolRun run(const char* tool, const QStringList& arguments)
{
    return LedgerFixture::runProgram(QString::fromUtf8(tool), arguments);
}

TEST(ToolArguments, WhatCannotBeMeantIsRefusedInWords)
{
    LedgerFixture ledger;
    ledger.build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                  QStringLiteral("--accounts"), QStringLiteral("2"), QStringLiteral("--years"),
                  QStringLiteral("1")});
    const QStringList dosavine{QStringLiteral("--profile"), QStringLiteral("dosavine"),
                               QStringLiteral("--server"), ledger.serverName()};
    const struct
    {
        const char* tool;
        QStringList arguments;
        int exit;
        const char* says;
    } cases[] = {
        {QH_CLOSE_TOOL,
         dosavine +
             QStringList{QStringLiteral("check"), QStringLiteral("--csv"), QStringLiteral("x.csv")},
         2, "--csv goes with report only"},
        {QH_CLOSE_TOOL,
         dosavine + QStringList{QStringLiteral("check"), QStringLiteral("--head"),
                                QStringLiteral("1:abcdefabcdef")},
         2, "--head goes with verify only"},
        {QH_SNAPSHOTS_TOOL,
         QStringList{QStringLiteral("--profile"), QStringLiteral("bindwell")} + dosavine +
             QStringList{QStringLiteral("list")},
         2, "--profile is given more than once"},
        {QH_SNAPSHOTS_TOOL, dosavine + QStringList{QStringLiteral("diff"), QStringLiteral("-1")}, 2,
         "-1 is no number of this tool's"},
        {QH_SNAPSHOTS_TOOL,
         QStringList{QStringLiteral("--profile"), QStringLiteral("dosavine"),
                     QStringLiteral("--server"), ledger.serverName() + QStringLiteral("/gone"),
                     QStringLiteral("list")},
         2, "does not exist"},
    };
    for (const auto& c : cases) {
        const LedgerFixture::ToolRun answer = run(c.tool, c.arguments);
        const QString text = answer.output + answer.errors;
        EXPECT_EQ(answer.exitCode, c.exit) << c.says << ": " << text.toStdString();
        EXPECT_TRUE(text.contains(QLatin1String(c.says))) << text.toStdString();
    }
    const LedgerFixture::ToolRun built = LedgerFixture::runTool(
        {QStringLiteral("--dir"), ledger.folder(), QStringLiteral("--force"),
         QStringLiteral("--database"), QStringLiteral("Dosavine"), QStringLiteral("--accounts"),
         QStringLiteral("1"), QStringLiteral("--years"), QStringLiteral("1"),
         QStringLiteral("--postings"), QStringLiteral("0")});
    EXPECT_TRUE(built.output.contains(QLatin1String("1 account, 1 year from 1 April")))
        << built.output.toStdString();
    EXPECT_TRUE(built.output.contains(QLatin1String(", 0 postings"))) << built.output.toStdString();
}

} // namespace
