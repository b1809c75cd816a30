#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

// One generated ledger of a given size, built with the ledger tool into a
// temporary folder, with its server clock pinned ten days after the end of
// its last year so that every year-end command runs.
class BenchLedger
{
public:
    struct Size
    {
        QString name;
        int accounts;
        int years;
        int postings;
    };

    static const Size* sizeNamed(const QString& name);

    explicit BenchLedger(const Size& size);

    const Size& size() const noexcept { return m_size; }
    int firstYear() const noexcept { return FirstYear; }
    // The server name to type into the window.
    QString server() const;
    // The ledger file the window works on.
    QString file() const;
    // Copies the ledger file as it stands now; returns the copy's path.
    QString snapshot(const QString& label) const;

    // Builds the ledger; false with the tool's output in error() on failure.
    bool build();
    // A fresh copy of the built ledger in a folder of its own, for one run.
    std::unique_ptr<BenchLedger> copy() const;
    QString folder() const { return m_dir.path(); }
    QString error() const { return m_error; }

private:
    static constexpr int FirstYear = 2000;

    Size m_size;
    QTemporaryDir m_dir;
    QString m_error;
};
