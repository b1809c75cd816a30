#pragma once

// What the closing tool's tests share: a small ledger on one road, loaded as
// the tool loads it, and the window driven on it.

#include "closing/ClosingLedger.h"
#include "closing/ClosingReport.h"
#include "closing/LedgerCheck.h"
#include "closing/MigrationPreview.h"
#include "closing/MigrationVerify.h"
#include "core/Progress.h"
#include "db/Profile.h"
#include "db/Session.h"
#include "snapshots/SnapshotArchive.h"
#include "tests/support/LedgerFixture.h"
#include "tests/support/LedgerRoad.h"
#include "tests/support/WindowDriver.h"

#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>
#include <memory>

inline std::string str(const QString& text)
{
    return text.toStdString();
}

class NoProgress : public Progress
{
public:
    void setProgress(int) override {}
};

// The closing tests' small Dosavine ledger: 6 accounts, years from April
// 2005, the clock ten days after the last one ended.
inline void buildSmallBooks(LedgerFixture& ledger, int years = 3, int postings = 80,
                            const QStringList& more = {})
{
    ledger.build(QStringList{QStringLiteral("--database"), QStringLiteral("Dosavine"),
                             QStringLiteral("--accounts"), QStringLiteral("6"),
                             QStringLiteral("--years"), QString::number(years),
                             QStringLiteral("--postings"), QString::number(postings),
                             QStringLiteral("--first-year"), QStringLiteral("2005"),
                             QStringLiteral("--server-date"),
                             QStringLiteral("%1-04-10T09:30").arg(2005 + years)} +
                 more);
}

class Close : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override { buildSmallBooks(ledger); }

    // Connects a fresh session and loads the ledger as the tool does: the
    // years and the worksheet, or the years alone.
    ClosingLedger& load(bool worksheet = true)
    {
        if (server.isEmpty())
            server = road.serverName(ledger.folder());
        session = std::make_unique<Session>();
        Profile::connect(*session, Profile::Id::Dosavine, server);
        loaded = std::make_unique<ClosingLedger>();
        NoProgress progress;
        if (worksheet)
            loaded->load(*session, progress);
        else
            loaded->loadYears(*session);
        return *loaded;
    }
    QList<LedgerCheck::Finding> check() { return LedgerCheck(*session, load(false)).run(); }
    MigrationVerify::Result verify()
    {
        load(false);
        return MigrationVerify(*session, *loaded)
            .run(SnapshotArchive::of(
                ArchiveLocation::ledgerOf(*session, QStringLiteral("Dosavine"), server)));
    }
    QList<OpeningRow> openingsNow()
    {
        return OpeningRow::of(LedgerSnapshot::read(*session).openings());
    }
    WindowDriver& window()
    {
        if (server.isEmpty())
            server = road.serverName(ledger.folder());
        if (!driver)
            driver = std::make_unique<WindowDriver>(server);
        return *driver;
    }

    LedgerFixture ledger;
    LedgerRoad road{QString::fromLatin1(GetParam())};
    QString server;
    std::unique_ptr<Session> session;
    std::unique_ptr<ClosingLedger> loaded;
    std::unique_ptr<WindowDriver> driver;
};

inline QString all(const QList<LedgerCheck::Finding>& findings)
{
    return LedgerCheck::text(findings);
}

// The count of the one finding whose text holds the words; -1 when none
// does, -2 when several do.
inline qint64 countOf(const QList<LedgerCheck::Finding>& findings, const QString& words)
{
    qint64 count = -1;
    for (const LedgerCheck::Finding& f : findings) {
        if (f.text.contains(words))
            count = count == -1 ? f.count : -2;
    }
    return count;
}
