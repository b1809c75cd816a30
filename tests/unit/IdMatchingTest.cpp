// Account ids as real applications leave them: blanks around an id in
// Acc_Master that its postings do not have, only a trailing blank, and ids
// whose letter case differs between the accounts, the postings and the
// openings. The window's statements let the database match them; the
// closing tool must come to the very same figures, on every road, and the
// check must name each id the database keeps apart.

#include "db/RecordSet.h"
#include "db/SqlStatement.h"
#include "tests/unit/CloseFixture.h"
#include <clocale>

namespace {

class IdMatching : public Close
{
protected:
    void SetUp() override
    {
        // The SQLite ODBC driver turns a statement's text into bytes by the
        // process's locale, which the window takes from the user's
        // environment when it starts; a bare test process has none.
        std::setlocale(LC_CTYPE, "C.UTF-8");
        Close::SetUp();
        const auto rename = [this](const QString& from, const QString& master,
                                   const QString& postings, const QString& openings) {
            ledger.execute(QStringList{
                QStringLiteral("UPDATE Acc_Master SET AccountID='%1' WHERE AccountID='%2'")
                    .arg(master, from),
                QStringLiteral("UPDATE Acc_transaction SET Dr_Account='%1' WHERE Dr_Account='%2'")
                    .arg(postings, from),
                QStringLiteral("UPDATE Acc_transaction SET Cr_Account='%1' WHERE Cr_Account='%2'")
                    .arg(postings, from),
                QStringLiteral("UPDATE Acc_Opening SET AccId='%1' WHERE AccId='%2'")
                    .arg(openings, from)});
        };
        rename(QStringLiteral("1001"), QStringLiteral(" 1001 "), QStringLiteral("1001"),
               QStringLiteral("1001"));
        rename(QStringLiteral("1002"), QStringLiteral("1002 "), QStringLiteral("1002"),
               QStringLiteral("1002"));
        rename(QStringLiteral("1003"), QStringLiteral("Ab1003"), QStringLiteral("aB1003"),
               QStringLiteral("AB1003"));
        // Postings padded, and a letter beyond A to Z in another case.
        rename(QStringLiteral("1004"), QStringLiteral("1004"), QStringLiteral("1004 "),
               QStringLiteral("1004"));
        rename(QStringLiteral("1005"),
               QString::fromUtf8("\xC3\x89"
                                 "1005"),
               QString::fromUtf8("\xC3\xA9"
                                 "1005"),
               QString::fromUtf8("\xC3\x89"
                                 "1005"));
    }
};

TEST_P(IdMatching, TheToolMatchesIdsAsTheDatabaseDoes)
{
    // Before: the check names the ids the database keeps apart, and no other.
    // SQL Server counts neither trailing blanks nor the case of any letter,
    // so there '1002 ', '1004 ' and the two cases of É are one id each.
    const QList<LedgerCheck::Finding> findings = check();
    QStringList apart;
    for (const LedgerCheck::Finding& f : findings) {
        if (f.group == QLatin1String("Account ids"))
            apart.append(f.text);
    }
    ASSERT_EQ(apart.size(), road.isTds() ? 1 : 4) << str(all(findings));
    const QString said = apart.join(u'\n');
    EXPECT_TRUE(said.contains(QLatin1String("name '1001', the account is ' 1001 '")))
        << str(all(findings));
    for (const QString& sqliteOnly : {QStringLiteral("name '1002', the account is '1002 '"),
                                      QStringLiteral("name '1004 ', the account is '1004'"),
                                      QString::fromUtf8("name '\xC3\xA9"
                                                        "1005', the account is '\xC3\x89"
                                                        "1005'")})
        EXPECT_EQ(said.contains(sqliteOnly), !road.isTds()) << str(all(findings));
    EXPECT_GT(countOf(findings, QStringLiteral("name '1001'")), 0);

    // The preview is the migration, row for row.
    load();
    const QList<OpeningRow> predicted = MigrationPreview(*loaded).rowsAfter();
    const SqlDialect dialect = loaded->dialect();
    session.reset();
    ASSERT_TRUE(window().connect()) << str(window().messages());
    ASSERT_TRUE(window().migrate()) << str(window().messages());
    load();
    const QList<OpeningRows::Change> missed =
        OpeningRows::compare(dialect, predicted, openingsNow());
    EXPECT_TRUE(missed.isEmpty()) << str(OpeningRows::line(missed.value(0)));

    // The proof finds nothing after the window's migration.
    const MigrationVerify::Result proof = verify();
    EXPECT_TRUE(proof.basis.startsWith(QLatin1String("snapshot"))) << str(proof.basis);
    EXPECT_TRUE(proof.differences.isEmpty()) << str(MigrationVerify::text(proof));
}

// The rule the tool keys ids by in memory gives the database's own answers
// to the lookup's equality, over the road.
TEST_P(IdMatching, TheKeyRuleAgreesWithTheDatabase)
{
    const QStringList ids{QStringLiteral("AB1003"),
                          QStringLiteral("ab1003"),
                          QStringLiteral(" AB1003"),
                          QStringLiteral("AB1003 "),
                          QString::fromUtf8("\xC3\x89"
                                            "1"),
                          QString::fromUtf8("\xC3\xA9"
                                            "1")};
    // Written over the road too: the database keeps its index in its own
    // order.
    load(false);
    for (const QString& stored : ids) {
        session->execute(QStringLiteral("DELETE FROM Acc_Opening WHERE AccYearID=99"));
        session->execute(SqlStatement()
                             .append(QLatin1String("INSERT INTO Acc_Opening VALUES("))
                             .quoted(stored)
                             .append(QLatin1String(", 99, 1, 'D', 1, 'D')")));
        for (const QString& asked : ids) {
            RecordSet rs = session->query(
                SqlStatement()
                    .append(QLatin1String("Select count(*) from Acc_Opening where AccId="))
                    .quoted(asked)
                    .append(QLatin1String(" and AccYearID=99")));
            const bool databaseSays = rs.field(0).toInt() > 0;

            rs.close();
            EXPECT_EQ(loaded->dialect().idKey(stored) == loaded->dialect().idKey(asked),
                      databaseSays)
                << "'" << str(stored) << "' against '" << str(asked) << "'";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Roads, IdMatching, ::testing::ValuesIn(LedgerRoad::names()));

} // namespace
