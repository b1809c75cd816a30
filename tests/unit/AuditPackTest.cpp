// The auditor's pack on every road: the PDF's figures are the CSV report's,
// its roll-forward reads as printed, and attest finds a changed figure of a
// closed year, account and year named, and nothing once it is undone.

#include "tests/unit/CloseFixture.h"

#include "core/Amounts.h"

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

class Pack : public Close
{
protected:
    LedgerFixture::ToolRun tool(const QStringList& arguments)
    {
        if (server.isEmpty())
            server = road.serverName(ledger.folder());
        return LedgerFixture::runProgram(QStringLiteral(QH_CLOSE_TOOL),
                                         QStringList{QStringLiteral("--profile"),
                                                     QStringLiteral("dosavine"),
                                                     QStringLiteral("--server"), server} +
                                             arguments);
    }
    QString file(const char* name) const
    {
        return QDir(ledger.folder()).filePath(QString::fromLatin1(name));
    }
};

// "1001,Cash,1,..." split as the report writes it; a quoted name has no
// figures in it, so the fields after it are counted from the end.
QStringList figuresOf(const QString& csvLine)
{
    const QStringList fields = csvLine.split(u',');
    return fields.mid(fields.size() - 8);
}

QString sidedText(const QString& amount, const QString& side)
{
    return Amounts::grouped(amount.toDouble()) + u' ' + side.trimmed();
}

TEST_P(Pack, ThePdfPrintsTheReportsFiguresAndAttestSeesEveryChange)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    LedgerFixture::ToolRun run = tool({QStringLiteral("report"), QStringLiteral("--pdf"),
                                       file("pack.pdf"), QStringLiteral("--csv"), file("r.csv")});
    ASSERT_EQ(run.exitCode, 0) << str(run.errors) << str(run.output);
    EXPECT_TRUE(run.output.contains(QStringLiteral("pack digest "))) << str(run.output);

    if (!pdftotext.isEmpty()) {
        QProcess text;
        text.start(pdftotext, {QStringLiteral("-layout"), file("pack.pdf"), QStringLiteral("-")});
        ASSERT_TRUE(text.waitForFinished(60000));
        const QString pages = QString::fromUtf8(text.readAllStandardOutput());
        EXPECT_TRUE(pages.contains(QStringLiteral("Page 1 of ")));
        QFile csv(file("r.csv"));
        ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
        QHash<QString, QStringList> byAccountYear;
        const QStringList lines =
            QString::fromUtf8(csv.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        for (const QString& line : lines.mid(1)) {
            const QStringList f = figuresOf(line);
            const QString account = line.section(u',', 0, 0);
            byAccountYear.insert(account + u'/' + f[0], f);
            // The figures per account: opening, debit, credit, balance, next.
            const QString row =
                QRegularExpression::escape(account) + QStringLiteral(" .*") +
                QStringList{QRegularExpression::escape(sidedText(f[1], f[2])),
                            QRegularExpression::escape(Amounts::grouped(f[3].toDouble())),
                            QRegularExpression::escape(Amounts::grouped(f[4].toDouble())),
                            QRegularExpression::escape(sidedText(f[5], f[6])),
                            QRegularExpression::escape(sidedText(f[7], f[6]))}
                    .join(QStringLiteral(" +"));
            EXPECT_TRUE(pages.contains(QRegularExpression(row))) << str(line);
        }
        // 1001's roll-forward from year 1: its closing, year 2's stored
        // opening, no difference.
        const QStringList one = byAccountYear.value(QStringLiteral("1001/1"));
        const QStringList two = byAccountYear.value(QStringLiteral("1001/2"));
        ASSERT_FALSE(one.isEmpty() || two.isEmpty());
        const QString rollForward = QStringLiteral("1001 .*%1 +%2 +0\\.00 D\\n")
                                        .arg(QRegularExpression::escape(sidedText(one[5], one[6])),
                                             QRegularExpression::escape(sidedText(two[1], two[2])));
        EXPECT_TRUE(pages.contains(QRegularExpression(rollForward))) << str(pages);
    }

    const QStringList attest{QStringLiteral("attest"), QStringLiteral("--pdf"), file("pack.pdf")};
    run = tool(attest);
    EXPECT_EQ(run.exitCode, 0) << str(run.errors);
    EXPECT_TRUE(run.output.startsWith(QStringLiteral("same"))) << str(run.output);

    // A closed year's opening raised, then a posting of another closed year.
    const QString raise =
        QStringLiteral("UPDATE Acc_Opening SET Opening = Opening + %1 WHERE AccId = '1002' AND "
                       "AccYearID = 2");
    ledger.execute(raise.arg(100));
    run = tool(attest);
    EXPECT_EQ(run.exitCode, 1) << str(run.errors);
    EXPECT_TRUE(run.output.contains(
        QRegularExpression(QStringLiteral("year 2 [^\\n]*, account 1002: opening was [^\\n]*"
                                          "\\(moved 100\\.00 [DC]\\)"))))
        << str(run.output);
    ledger.execute(raise.arg(-100));
    const QString posting = QStringLiteral(
        "UPDATE Acc_transaction SET Amount = Amount + %1 WHERE Fin_Year_Id = 1 AND Dr_Account = "
        "'1003' AND rowid = (SELECT min(rowid) FROM Acc_transaction WHERE Fin_Year_Id = 1 AND "
        "Dr_Account = '1003')");
    ledger.execute(posting.arg(7));
    run = tool(attest);
    EXPECT_EQ(run.exitCode, 1) << str(run.errors);
    EXPECT_TRUE(run.output.contains(QStringLiteral("account 1003: debit was"))) << str(run.output);
    EXPECT_TRUE(run.output.contains(QStringLiteral("(up 7.00)"))) << str(run.output);
    ledger.execute(posting.arg(-7));
    run = tool(attest);
    EXPECT_EQ(run.exitCode, 0) << str(run.output);
}

INSTANTIATE_TEST_SUITE_P(Roads, Pack, ::testing::ValuesIn(LedgerRoad::names()));

} // namespace
