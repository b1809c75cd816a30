#include "tools/ledger/LedgerChart.h"

#include <algorithm>
#include <array>

namespace {

struct GroupSpec
{
    const char* id;
    const char* name;
    const char* parent;
    bool debitNature;
};

// The groups every ledger of the two applications carries.
constexpr std::array<GroupSpec, 17> Groups{{
    {"10", "Capital Account", "P", false},
    {"11", "Current Assets", "P", true},
    {"12", "Current Liabilities", "P", false},
    {"13", "Fixed Assets", "P", true},
    {"14", "Loans (Liability)", "P", false},
    {"15", "Direct Expenses", "P", true},
    {"16", "Indirect Expenses", "P", true},
    {"17", "Direct Incomes", "P", false},
    {"18", "Indirect Incomes", "P", false},
    {"19", "Sales Accounts", "P", false},
    {"20", "Purchase Accounts", "P", true},
    {"21", "Bank Accounts", "B", true},
    {"22", "Cash-in-Hand", "B", true},
    {"23", "Sundry Debtors", "B", true},
    {"24", "Sundry Creditors", "B", false},
    {"25", "Duties & Taxes", "B", false},
    {"26", "Stock-in-Hand", "B", true},
}};

const char* const DebtorsGroup = "23";
const char* const CreditorsGroup = "24";

struct StandardSpec
{
    const char* pharmacyName;
    const char* storesName;
    const char* groupId;
};

// The accounts every business keeps, the most common first: a small ledger
// takes the head of this list.
constexpr std::array<StandardSpec, 36> Standard{{
    {"Cash", "Cash", "22"},
    {"State Bank of India", "State Bank of India", "21"},
    {"Medicine Sales", "Counter Sales", "19"},
    {"Medicine Purchases", "Stock Purchases", "20"},
    {"Proprietor's Capital", "Partners' Capital", "10"},
    {"Rent", "Godown Rent", "16"},
    {"Salaries", "Salaries", "16"},
    {"Output VAT", "Output VAT", "25"},
    {"Input VAT", "Input VAT", "25"},
    {"Electricity Charges", "Electricity Charges", "16"},
    {"Opening Stock", "Opening Stock", "26"},
    {"Furniture & Fixtures", "Furniture & Fixtures", "13"},
    {"Freight Inward", "Cartage Inward", "15"},
    {"Discount Received", "Discount Received", "18"},
    {"HDFC Bank Current A/c", "Canara Bank Current A/c", "21"},
    {"Petty Cash", "Petty Cash", "22"},
    {"Sales Returns", "Sales Returns", "19"},
    {"Purchase Returns", "Purchase Returns", "20"},
    {"Drawings", "Drawings", "10"},
    {"Telephone Charges", "Telephone Charges", "16"},
    {"Printing & Stationery", "Printing & Stationery", "16"},
    {"Computers", "Computers", "13"},
    {"Refrigerator", "Delivery Van", "13"},
    {"Bank Loan", "Cash Credit Account", "14"},
    {"Outstanding Expenses", "Outstanding Expenses", "12"},
    {"Security Deposits", "Security Deposits", "11"},
    {"Expiry Claims Received", "Trade Schemes Received", "17"},
    {"Interest Received", "Interest Received", "18"},
    {"Repairs & Maintenance", "Repairs & Maintenance", "16"},
    {"Bank Charges", "Bank Charges", "16"},
    {"Conveyance", "Conveyance", "16"},
    {"Wages", "Loading & Unloading", "15"},
    {"TDS Payable", "TDS Payable", "25"},
    {"Advance to Staff", "Advance to Staff", "11"},
    {"Commission Received", "Commission Received", "18"},
    {"Audit Fees Payable", "Audit Fees Payable", "12"},
}};

constexpr std::array<const char*, 20> PartyPrefixes{
    "Sri Balaji", "Lakshmi",      "Ganesh",    "Apex",     "Sunrise", "Metro", "City",
    "Royal",      "New India",    "Kumar",     "Patel",    "D'Souza", "Anand", "Star",
    "Global",     "Green Valley", "Shree Sai", "National", "Modern",  "Om"};

constexpr std::array<const char*, 5> PharmacyCustomers{"Clinic", "Nursing Home", "Hospital",
                                                       "Medicals", "Diagnostics"};
constexpr std::array<const char*, 5> PharmacySuppliers{
    "Pharma Distributors", "Drug House", "Surgicals", "Medical Agencies", "Healthcare"};
constexpr std::array<const char*, 5> StoresCustomers{"Stores", "General Stores", "Traders",
                                                     "Super Market", "Kirana"};
constexpr std::array<const char*, 5> StoresSuppliers{"Enterprises", "Wholesalers", "Agencies",
                                                     "Distributors", "& Sons"};

constexpr std::array<const char*, 10> Towns{"Pune",       "Nashik",    "Thane",   "Satara",
                                            "Kolhapur",   "Sangli",    "Solapur", "Nagpur",
                                            "Aurangabad", "Ahmednagar"};

template <std::size_t N> QString pick(LedgerRandom& random, const std::array<const char*, N>& words)
{
    return QString::fromUtf8(words[static_cast<std::size_t>(random.below(static_cast<int>(N)))]);
}

} // namespace

LedgerChart::LedgerChart(const QString& database, int accountCount, LedgerRandom random)
    : m_random(random)
{
    addGroups();
    // Two thirds standard accounts, the rest customers and suppliers, so even
    // a small ledger has parties; a large one is mostly parties.
    const int standard = std::min(static_cast<int>(Standard.size()), (accountCount * 2 + 2) / 3);
    addStandardAccounts(database, standard);
    addParties(database, accountCount - standard);
}

void LedgerChart::addGroups()
{
    for (const GroupSpec& spec : Groups)
        m_groups.append({QString::fromUtf8(spec.id), QString::fromUtf8(spec.name),
                         QString::fromUtf8(spec.parent), spec.debitNature});
}

void LedgerChart::addStandardAccounts(const QString& database, int count)
{
    const bool pharmacy = database == QLatin1String("Dosavine");
    for (int i = 0; i < count; ++i) {
        const StandardSpec& spec = Standard[static_cast<std::size_t>(i)];
        addAccount(QString::fromUtf8(pharmacy ? spec.pharmacyName : spec.storesName),
                   QString::fromUtf8(spec.groupId));
    }
}

void LedgerChart::addParties(const QString& database, int count)
{
    const bool pharmacy = database == QLatin1String("Dosavine");
    for (int i = 0; i < count; ++i) {
        const bool customer = m_random.chance(60);
        const QString kind =
            pharmacy
                ? (customer ? pick(m_random, PharmacyCustomers) : pick(m_random, PharmacySuppliers))
                : (customer ? pick(m_random, StoresCustomers) : pick(m_random, StoresSuppliers));
        const QString name = pick(m_random, PartyPrefixes) + QLatin1Char(' ') + kind +
                             QStringLiteral(", ") + pick(m_random, Towns);
        addAccount(name, QString::fromUtf8(customer ? DebtorsGroup : CreditorsGroup));
    }
}

void LedgerChart::addAccount(const QString& name, const QString& groupId)
{
    const auto group = std::find_if(m_groups.cbegin(), m_groups.cend(),
                                    [&](const Account& g) { return g.id == groupId; });
    const QString id = QString::number(1001 + m_accounts.size());
    m_accounts.append({id, uniqueName(name), groupId, group->debitNature});
}

QString LedgerChart::uniqueName(const QString& name)
{
    // A second party of the same name in the same town is told apart the way
    // a bookkeeper would: by a number after it.
    const int uses = ++m_nameUses[name];
    return uses == 1 ? name : QStringLiteral("%1 (%2)").arg(name).arg(uses);
}
