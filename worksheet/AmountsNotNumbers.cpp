#include "worksheet/AmountsNotNumbers.h"

#include "core/Numbers.h"
#include "core/Texts.h"
#include "db/RecordSet.h"
#include "db/Session.h"

#include <QStringList>

const QList<AmountsNotNumbers::Column>& AmountsNotNumbers::columns()
{
    static const QList<Column> columns{
        {QStringLiteral("Acc_transaction"), QStringLiteral("Amount"), "posting", "postings"},
        {QStringLiteral("Acc_Opening"), QStringLiteral("Opening"), "opening", "openings"},
    };
    return columns;
}

QString AmountsNotNumbers::condition(const Session& session, const Column& column)
{
    return session.dialect().notANumber(column.column);
}

AmountsNotNumbers AmountsNotNumbers::count(Session& session)
{
    AmountsNotNumbers found;
    found.counts = QList<qint64>(columns().size(), 0);
    QStringList counts;
    for (const Column& column : columns()) {
        const QString where = condition(session, column);
        if (where.isEmpty())
            return found;
        counts.append(
            QStringLiteral("(Select Count(*) from %1 where %2)").arg(column.table, where));
    }
    RecordSet rs = session.query(QStringLiteral("Select ") + counts.join(u','));
    if (!rs.eof()) {
        for (qsizetype c = 0; c < found.counts.size(); ++c)
            found.counts[c] = qint64(Numbers::ofAnyValue(rs.field(int(c))));
    }
    rs.close();
    return found;
}

QString AmountsNotNumbers::message() const
{
    QStringList lines;
    for (qsizetype c = 0; c < counts.size(); ++c) {
        const Column& column = columns().at(c);
        if (counts[c] > 0)
            lines.append(QStringLiteral("%1 of %2 %3 an %4 that is not a number.")
                             .arg(Texts::counted(counts[c], column.one, column.many), column.table,
                                  counts[c] == 1 ? QStringLiteral("holds") : QStringLiteral("hold"),
                                  column.column));
    }
    if (lines.isEmpty())
        return QString();
    lines.append(QStringLiteral("Each counts as the number its text begins with, and as 0 where "
                                "it begins with none (as 'NaN' does). quillhaven-close check "
                                "lists them; correct them in the ledger, then connect again."));
    return lines.join(u'\n');
}
