#pragma once

#include "tools/ledger/LedgerOptions.h"

#include <QString>

// Builds the ledger files the options ask for. Each file is built under a
// temporary name beside its final one and renamed into place when complete,
// so nobody ever opens a half-built ledger.
class LedgerBuilder
{
public:
    explicit LedgerBuilder(const LedgerOptions& options);

    // Builds every requested ledger; throws Failure on the first problem,
    // leaving any file already in place untouched.
    void build();

    // One line per file built, for the tool's output.
    QStringList summary() const { return m_summary; }

    static QString ledgerPath(const QString& folder, const QString& database);

private:
    void buildOne(const QString& database);
    void fill(const QString& file, const QString& database);
    void replace(const QString& from, const QString& to);

    const LedgerOptions& m_options;
    QStringList m_summary;
};
