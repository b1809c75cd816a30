#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

// A folder holding hand-made ledger files for the database tests: the four
// tables with a few rows and the server-date view, written with the native
// SQLite driver on a connection of its own that is closed again at once.
class SmallLedger
{
public:
    SmallLedger();
    SmallLedger(const SmallLedger&) = delete;
    SmallLedger& operator=(const SmallLedger&) = delete;

    QString folder() const { return m_dir.path(); }
    QString file(const QString& catalog = QStringLiteral("Dosavine")) const;

    // Creates <catalog>.db with the tables, the view and the sample rows.
    void create(const QString& catalog = QStringLiteral("Dosavine")) const;
    // Writes bytes that are no SQLite database under the ledger's name.
    void createGarbage(const QString& catalog = QStringLiteral("Dosavine")) const;

    // Statements on any SQLite file, in one transaction.
    static void execute(const QString& file, const QStringList& statements);
    // The first column of the first row of a query on any SQLite file.
    static QVariant value(const QString& file, const QString& sql);

    // The sample rows.
    static constexpr int MasterRows = 3;
    static constexpr double ServerDate = 39538.75;

private:
    QTemporaryDir m_dir;
};
