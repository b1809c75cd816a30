#include "bench/BenchLedger.h"

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <array>

namespace {

const std::array<BenchLedger::Size, 3> kSizes{{
    {QStringLiteral("S"), 200, 3, 20000},
    {QStringLiteral("M"), 2000, 8, 400000},
    {QStringLiteral("L"), 3000, 12, 1200000},
}};

} // namespace

const BenchLedger::Size* BenchLedger::sizeNamed(const QString& name)
{
    for (const Size& s : kSizes)
        if (s.name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

BenchLedger::BenchLedger(const Size& size) : m_size(size) {}

QString BenchLedger::server() const
{
    return QStringLiteral("sqlite:") + m_dir.path();
}

QString BenchLedger::file() const
{
    return m_dir.filePath(QStringLiteral("Dosavine.db"));
}

QString BenchLedger::snapshot(const QString& label) const
{
    QString copy = m_dir.filePath(label + QStringLiteral(".db"));
    QFile::remove(copy);
    if (!QFile::copy(file(), copy))
        qFatal("cannot copy the ledger to %s", qPrintable(copy));
    return copy;
}

std::unique_ptr<BenchLedger> BenchLedger::copy() const
{
    auto fresh = std::make_unique<BenchLedger>(m_size);
    if (!fresh->m_dir.isValid() || !QFile::copy(file(), fresh->file()))
        qFatal("cannot copy the ledger to %s", qPrintable(fresh->folder()));
    return fresh;
}

bool BenchLedger::build()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    // The last year runs from 1 April to 31 March; the clock stands ten days
    // after its end, so year creation may run and the migration finds no
    // current year until the new one exists.
    const int lastEnd = FirstYear + m_size.years;
    const QString clock = QStringLiteral("%1-04-10T12:00").arg(lastEnd);
    const QStringList args{QStringLiteral("--dir"),         m_dir.path(),
                           QStringLiteral("--database"),    QStringLiteral("Dosavine"),
                           QStringLiteral("--accounts"),    QString::number(m_size.accounts),
                           QStringLiteral("--years"),       QString::number(m_size.years),
                           QStringLiteral("--postings"),    QString::number(m_size.postings),
                           QStringLiteral("--first-year"),  QString::number(FirstYear),
                           QStringLiteral("--server-date"), clock,
                           QStringLiteral("--force")};
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(QStringLiteral(QH_LEDGER_TOOL), args);
    if (!tool.waitForFinished(-1) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        m_error = QString::fromLocal8Bit(tool.readAll()) + tool.errorString();
        return false;
    }
    return true;
}
