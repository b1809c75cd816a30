#pragma once

#include "tools/ledger/LedgerRandom.h"

#include <QHash>
#include <QList>
#include <QString>

// The chart of accounts of one ledger: the group accounts (ParentID 'P' for
// primary groups, 'B' for the others) and the ordinary accounts below them,
// with plausible names for the pharmacy (Dosavine) or the stores (Bindwell).
class LedgerChart
{
public:
    struct Account
    {
        QString id;
        QString name;
        QString parentId;
        // The side a balance of this kind usually stands on: assets and
        // expenses on the debit side, the rest on the credit side.
        bool debitNature = true;
    };

    LedgerChart(const QString& database, int accountCount, LedgerRandom random);

    const QList<Account>& groups() const { return m_groups; }
    // The accounts a year-end run works on; ids "1001" upwards.
    const QList<Account>& accounts() const { return m_accounts; }

private:
    void addGroups();
    void addStandardAccounts(const QString& database, int count);
    void addParties(const QString& database, int count);
    void addAccount(const QString& name, const QString& groupId);
    QString uniqueName(const QString& name);

    LedgerRandom m_random;
    QList<Account> m_groups;
    QList<Account> m_accounts;
    QHash<QString, int> m_nameUses;
};
