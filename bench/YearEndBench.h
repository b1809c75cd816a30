#pragma once

#include "bench/BenchLedger.h"
#include "bench/BenchSink.h"
#include "bench/PhaseResult.h"
#include "db/SessionOptions.h"

#include <QList>
#include <QStringList>
#include <functional>
#include <memory>

class BenchServer;
class QAbstractButton;
class frmYearEnd;

// Drives the real window through the year-end on one ledger (connect,
// Migrate Accounts, Create Accounting Year, Migrate Accounts again) and
// measures every phase against its replay and set-based floors. Over the
// TDS test server it counts each phase's requests instead.
class YearEndBench
{
public:
    // server: the name to type; wire: the TDS test server behind it, or null
    // for the embedded ledger.
    // options: the waits and batch limits of the window's connections.
    YearEndBench(BenchLedger& ledger, const QString& server, BenchServer* wire = nullptr,
                 const SessionOptions& options = {});
    ~YearEndBench();

    // False when a phase could not run; the results so far are kept.
    bool run();

    const QList<PhaseResult>& results() const { return m_results; }
    // Worksheet bytes per row: RSS growth over the connect, and the model's
    // own storage counted cell by cell.
    double rssBytesPerRow() const { return m_rssBytesPerRow; }
    double modelBytesPerRow() const { return m_modelBytesPerRow; }
    int worksheetRows() const { return m_worksheetRows; }

    static long long peakRssKb();
    static long long rssKb();

private:
    enum class Kind
    {
        Connect,
        Migrate,
        Create
    };

    bool phase(const QString& name, Kind kind, QAbstractButton* button,
               const std::function<void()>& prepare = {});
    template <typename T> T* control(const char* name);
    double modelBytes() const;

    void measureFloors(PhaseResult& r, Kind kind, const QStringList& statements,
                       const QStringList& copies, double sheetClosing);

    BenchLedger& m_ledger;
    QString m_server;
    BenchServer* m_wire;
    SessionOptions m_options;
    BenchSink m_sink;
    QStringList m_log;
    std::unique_ptr<frmYearEnd> m_window;
    QList<PhaseResult> m_results;
    double m_rssBytesPerRow = 0;
    double m_modelBytesPerRow = 0;
    int m_worksheetRows = 0;
};
