#include "db/SqlStatement.h"
#include "core/Failure.h"
#include "db/Profile.h"
#include "db/Session.h"
#include "tests/unit/SmallLedger.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

namespace {

std::string str(const QString& text)
{
    return text.toStdString();
}

const QLatin1String kInsertStart("insert into ");
const QLatin1String kColumns("(Id,Amount)values(");
const QLatin1String kComma(",");
const QLatin1String kClose(")");

// Ids and number texts where a bound value could part from the literal:
// quotes, letter case, Unicode, integers against reals, signs, digits past
// what a double holds, and texts SQLite reads as integers or as reals.
const QStringList kIds{QStringLiteral("CASH"),
                       QStringLiteral("cash"),
                       QStringLiteral("O'Brien"),
                       QStringLiteral("''"),
                       QString(),
                       QStringLiteral("दवा खाता")};
const QStringList kNumbers{QStringLiteral("0"),
                           QStringLiteral("-857.74"),
                           QStringLiteral("857.739999999998"),
                           QStringLiteral("123456789012.345"),
                           QStringLiteral("0.000001"),
                           QStringLiteral("100000000000000000000"),
                           QStringLiteral("9223372036854775807"),
                           QStringLiteral("-5"),
                           QStringLiteral("+5"),
                           QStringLiteral("5."),
                           QStringLiteral(".5"),
                           QStringLiteral("1e3"),
                           QStringLiteral("007"),
                           QStringLiteral("0.1"),
                           QStringLiteral("-9223372036854775808"),
                           QStringLiteral("9223372036854775808"),
                           QStringLiteral("0.0"),
                           QStringLiteral("-0")};

class PreparedShapes : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ledger.create();
        session.open(Profile::connectionString(Profile::Id::Dosavine,
                                               QStringLiteral("sqlite:") + ledger.folder()));
        ASSERT_TRUE(session.dialect().preparesShapes());
    }

    // Rows of one table that the other lacks, values compared by type and bits.
    long long rowsOnlyIn(const QString& table, const QString& other)
    {
        const QString columns =
            QStringLiteral("select Id collate binary,typeof(Id),Amount,typeof(Amount) from ");
        RecordSet rs =
            session.query(QStringLiteral("select count(*) from (") + columns + table +
                          QStringLiteral(" except ") + columns + other + QStringLiteral(")"));
        return rs.field(0).toLongLong();
    }

    SmallLedger ledger;
    Session session;
};

SqlStatement insertInto(const char* table, const QString& id, const QString& amount)
{
    SqlStatement insert;
    insert.append(kInsertStart).append(QLatin1String(table)).append(kColumns);
    insert.quoted(id).append(kComma).number(amount).append(kClose);
    return insert;
}

} // namespace

TEST(SqlStatement, TextWritesTheValuesInAndShapeLeavesPlaceholders)
{
    SqlStatement s;
    s.append(QLatin1String("Select * From T Where Id=")).quoted(QStringLiteral("O'Brien"));
    s.append(QLatin1String("and Year=")).number(QStringLiteral("-7.5"));
    EXPECT_EQ(str(s.text()), "Select * From T Where Id='O''Brien'and Year=-7.5");
    EXPECT_EQ(str(s.shape()), "Select * From T Where Id=? and Year=CAST(? AS REAL)");
    ASSERT_EQ(s.values().size(), 2);
    EXPECT_EQ(str(s.values()[0].toString()), "O'Brien");
    EXPECT_EQ(str(s.values()[1].toString()), "-7.5");
}

TEST(SqlStatement, OnlyTheNativeLedgerPreparesShapes)
{
    EXPECT_TRUE(SqlDialect(SqlDialect::Kind::Sqlite, SqlDialect::Access::Native).preparesShapes());
    EXPECT_FALSE(SqlDialect(SqlDialect::Kind::Sqlite, SqlDialect::Access::Odbc).preparesShapes());
    EXPECT_FALSE(
        SqlDialect(SqlDialect::Kind::SqlServer, SqlDialect::Access::Native).preparesShapes());
}

TEST_F(PreparedShapes, StoreTheSameTypesAndBitsAsTheirTexts)
{
    // With declared types the columns convert what they get; without, the
    // value keeps the type it came with, so both must arrive alike.
    for (const QString& types :
         {QStringLiteral("Id TEXT COLLATE NOCASE, Amount REAL"), QStringLiteral("Id, Amount")}) {
        SCOPED_TRACE(str(types));
        session.execute(QStringLiteral("drop table if exists Shape"));
        session.execute(QStringLiteral("drop table if exists Literal"));
        session.execute(QStringLiteral("create table Shape(") + types + u')');
        session.execute(QStringLiteral("create table Literal(") + types + u')');
        for (const QString& id : kIds) {
            for (const QString& amount : kNumbers) {
                session.execute(insertInto("Shape", id, amount));
                session.execute(insertInto("Literal", id, amount).text());
            }
        }
        EXPECT_EQ(rowsOnlyIn(QStringLiteral("Shape"), QStringLiteral("Literal")), 0);
        EXPECT_EQ(rowsOnlyIn(QStringLiteral("Literal"), QStringLiteral("Shape")), 0);
        RecordSet count = session.query(QStringLiteral("select count(*) from Shape"));
        EXPECT_EQ(count.field(0).toLongLong(), kIds.size() * kNumbers.size());
    }
}

TEST_F(PreparedShapes, FindTheSameRowsAsTheirTexts)
{
    session.execute(QStringLiteral("create table Lookup(Id TEXT COLLATE NOCASE, Year INTEGER)"));
    session.execute(QStringLiteral(
        "insert into Lookup values('CASH',1),('CASH',5),('O''Brien',1),('BANK',1000),('X',0)"));
    const QStringList years{QStringLiteral("1"),   QStringLiteral("1.0"), QStringLiteral("+1"),
                            QStringLiteral("1."),  QStringLiteral("5"),   QStringLiteral("1e3"),
                            QStringLiteral("0.5"), QStringLiteral("-0"),  QStringLiteral("007")};
    for (const QString& id : kIds + QStringList{QStringLiteral("BANK"), QStringLiteral("X")}) {
        for (const QString& year : years) {
            SqlStatement lookup;
            lookup.append(QLatin1String("select count(*) from Lookup where Id=")).quoted(id);
            lookup.append(QLatin1String("and Year=")).number(year);
            const long long shaped = session.query(lookup).field(0).toLongLong();
            const long long literal = session.query(lookup.text()).field(0).toLongLong();
            EXPECT_EQ(shaped, literal) << str(lookup.text());
        }
    }
}

TEST_F(PreparedShapes, SameShapeRunsWhileAnEarlierResultIsStillOpen)
{
    const auto rowsOf = [](const QString& id) {
        SqlStatement s;
        s.append(QLatin1String("select AccountID from Acc_Master where AccountID<>")).quoted(id);
        s.append(QLatin1String("order by AccountID"));
        return s;
    };
    RecordSet first = session.query(rowsOf(QStringLiteral("CASH")));
    EXPECT_EQ(str(first.field(0).toString()), "BANK");
    RecordSet second = session.query(rowsOf(QStringLiteral("BANK")));
    EXPECT_EQ(str(second.field(0).toString()), "CASH");
    first.moveNext();
    EXPECT_EQ(str(first.field(0).toString()), "SALES");
    second.moveNext();
    EXPECT_EQ(str(second.field(0).toString()), "SALES");
}

TEST_F(PreparedShapes, ResultClosedPartWayLeavesNoLockBehind)
{
    SqlStatement all;
    all.append(QLatin1String("select * from Acc_Master where ParentID="))
        .quoted(QStringLiteral("A"));
    {
        RecordSet rs = session.query(all);
        ASSERT_FALSE(rs.eof());
    } // left after its first of two rows

    // Another program writing must not find the file still read-locked; it
    // does not wait, so a lock left behind fails at once.
    const QString other = QStringLiteral("prepared-shape-writer");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), other);
        db.setDatabaseName(ledger.file());
        ASSERT_TRUE(db.open());
        QSqlQuery write(db);
        EXPECT_TRUE(write.exec(QStringLiteral("update Acc_Master set AccountName='Till'")))
            << str(write.lastError().text());
    }
    QSqlDatabase::removeDatabase(other);
    EXPECT_EQ(str(session.query(all).field(QStringLiteral("AccountName")).toString()), "Till");
}

TEST_F(PreparedShapes, TableDroppedUnderAPreparedShapeFailsThenRecovers)
{
    SqlStatement lookup;
    lookup.append(QLatin1String("Select * From Acc_opening Where AccID="))
        .quoted(QStringLiteral("CASH"));
    EXPECT_FALSE(session.query(lookup).eof());
    SmallLedger::execute(ledger.file(), {QStringLiteral("alter table Acc_Opening rename to Kept")});
    try {
        session.query(lookup);
        ADD_FAILURE() << "the lookup ran on a missing table";
    } catch (const Failure& failure) {
        EXPECT_TRUE(failure.description().contains(QLatin1String("no such table")))
            << str(failure.description());
    }
    SmallLedger::execute(ledger.file(), {QStringLiteral("alter table Kept rename to Acc_Opening")});
    EXPECT_FALSE(session.query(lookup).eof());
}

namespace {

// Only SQL Server gets a Unicode literal, only for a value its code page
// lacks, and what the dialect then lets through is exactly those literals.
TEST(UnicodeLiterals, OnlyWhereTheCodePageLacksACharacter)
{
    const QString greek = QString::fromUtf8("\xCE\x9B"
                                            "1");
    SqlStatement s;
    s.append(QLatin1String("Update T Set A=")).quoted(QStringLiteral("N"));
    s.append(QLatin1String(" where Id=")).quoted(greek);
    s.append(QLatin1String(" and B=")).quoted(QString::fromUtf8("caf\xC3\xA9"));
    const QString plain = s.text();
    EXPECT_EQ(str(plain),
              str(QStringLiteral("Update T Set A='N' where Id='%1' and B='café'").arg(greek)));
    EXPECT_EQ(s.textFor(SqlDialect::Kind::Sqlite), plain);
    const QString server = s.textFor(SqlDialect::Kind::SqlServer);
    EXPECT_EQ(str(server),
              str(QStringLiteral("Update T Set A='N' where Id=N'%1' and B='café'").arg(greek)));

    const SqlDialect sqlServer(SqlDialect::Kind::SqlServer);
    EXPECT_EQ(sqlServer.uncarriable(server), -1);
    EXPECT_EQ(sqlServer.uncarriable(plain), plain.indexOf(greek));
    // A value 'N' does not open a Unicode literal after it.
    const QString afterN = QStringLiteral("values('N','%1')").arg(greek);
    EXPECT_EQ(sqlServer.uncarriable(afterN), afterN.indexOf(greek));
    const QString doubled = QStringLiteral("values(N'a''%1')").arg(greek);
    EXPECT_EQ(sqlServer.uncarriable(doubled), -1);
}

} // namespace
