// The audit window driven as an auditor drives it, on each road: its check,
// preview, proof and report say what quillhaven-close says of the same
// ledger; a cancelled check and a refused restore write nothing; a restore
// leaves the ledger as quillhaven-snapshots' restore of the same snapshot.

#include "app/audit/AuditTable.h"
#include "app/audit/DesktopPrompts.h"
#include "app/audit/ProofPage.h"
#include "app/audit/frmAudit.h"
#include "tests/support/LedgerFixture.h"
#include "tests/support/LedgerRoad.h"
#include "tests/support/WindowDriver.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>
#include <cstdio>
#ifdef Q_OS_WIN
#include <windows.h>
#endif
#include <memory>

namespace {

// Answers for the window: what it told, yes or no as set, a chosen path.
class AnsweringPrompts : public Prompts
{
public:
    void tell(const QString& text, Icon) override { told.append(text); }
    bool confirm(const QString& text) override
    {
        asked.append(text);
        return yes;
    }
    QString chooseFile(const QString&, const QString&, const QString&) override { return path; }
    void open(const QString& file) override { opened.append(file); }

    QStringList told;
    QStringList asked;
    QStringList opened;
    bool yes = false;
    QString path;
};

LedgerFixture::ToolRun tool(const char* program, const QString& server, QStringList arguments)
{
    return LedgerFixture::runProgram(QString::fromLocal8Bit(program),
                                     QStringList{QStringLiteral("--profile"),
                                                 QStringLiteral("Dosavine"),
                                                 QStringLiteral("--server"), server} +
                                         arguments);
}

QString readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class tst_audit : public QObject
{
    Q_OBJECT

private:
    template <typename T> T* control(const char* name)
    {
        T* found = m_window->findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("control %s not found", name);
        return found;
    }

    // Clicks and waits until the window's work is over.
    bool clickAndWait(const char* button)
    {
        QSignalSpy idle(m_window.get(), &frmAudit::idle);
        QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton);
        return idle.wait(120000);
    }

    // A ledger of three years whose last is over, with a posting to an
    // account Acc_Master lacks, opened in a fresh window.
    void openOn(const QString& scheme)
    {
        m_ledger = std::make_unique<LedgerFixture>();
        m_ledger->build({QStringLiteral("--database"), QStringLiteral("Dosavine"),
                         QStringLiteral("--accounts"), QStringLiteral("8"),
                         QStringLiteral("--years"), QStringLiteral("3"),
                         QStringLiteral("--postings"), QStringLiteral("90"),
                         QStringLiteral("--first-year"), QStringLiteral("2005"),
                         QStringLiteral("--server-date"), QStringLiteral("2008-04-10T09:30")});
        m_ledger->execute(QStringLiteral("INSERT INTO Acc_transaction(TransID,Amount,Dr_Account,"
                                         "Cr_Account,Fin_Year_Id) VALUES(9001,125.5,'GHOST',"
                                         "(Select Min(AccountID) from Acc_Master where ParentID "
                                         "not in('P','B')),2)"));
        m_road = std::make_unique<LedgerRoad>(scheme);
        m_server = m_road->serverName(m_ledger->folder());
        m_prompts = AnsweringPrompts();
        m_window = std::make_unique<frmAudit>();
        m_window->setPrompts(&m_prompts);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        control<QComboBox>("cboDatabase")->setCurrentIndex(0);
        control<QLineEdit>("txtServer")->setText(m_server);
        QVERIFY(clickAndWait("cmdOpen"));
        QVERIFY2(m_prompts.told.isEmpty(), qPrintable(m_prompts.told.join(u'\n')));
        QVERIFY(control<QLabel>("lblLedger")->text().startsWith(QStringLiteral("Open: Dosavine")));
    }

    QStringList tables() const
    {
        return m_ledger->writtenTables(QStringLiteral("AccId, AccYearID, Opening"));
    }

    void roads()
    {
        QTest::addColumn<QString>("scheme");
        for (const char* road : LedgerRoad::names())
            QTest::newRow(road) << QString::fromLatin1(road);
    }

    std::unique_ptr<LedgerFixture> m_ledger;
    std::unique_ptr<LedgerRoad> m_road;
    QString m_server;
    AnsweringPrompts m_prompts;
    std::unique_ptr<frmAudit> m_window;

private slots:
    void cleanup()
    {
        m_window.reset();
        m_road.reset();
        m_ledger.reset();
    }

    void checkSaysWhatTheCloseToolSays_data() { roads(); }
    void checkSaysWhatTheCloseToolSays()
    {
        QFETCH(QString, scheme);
        openOn(scheme);
        QVERIFY(clickAndWait("cmdCheck"));
        QVERIFY2(m_prompts.told.isEmpty(), qPrintable(m_prompts.told.join(u'\n')));
        const AuditTable* findings = control<AuditTable>("tblFindings");
        const QString cli = tool(QH_CLOSE_TOOL, m_server, {QStringLiteral("check")}).output;
        QStringList shown;
        for (int r = 0; r < findings->rowCount(); ++r)
            shown.append(QStringLiteral("  ") + findings->text(r, 3));
        QStringList printed;
        for (const QString& line : cli.split(u'\n'))
            if (line.startsWith(QStringLiteral("  ")))
                printed.append(line);
        QCOMPARE(shown, printed);

        // The unknown account's posting, its amount beside it; selected,
        // the posting itself below.
        int ghost = -1;
        for (int r = 0; r < findings->rowCount(); ++r)
            if (findings->text(r, 3).contains(QStringLiteral("missing from Acc_Master")))
                ghost = r;
        QVERIFY(ghost >= 0);
        QCOMPARE(findings->text(ghost, 1), QStringLiteral("1"));
        QCOMPARE(findings->text(ghost, 2), QStringLiteral("125.50"));
        QSignalSpy idle(m_window.get(), &frmAudit::idle);
        control<AuditTable>("tblFindings")->selectRow(ghost);
        QVERIFY(idle.wait(60000));
        const AuditTable* rows = control<AuditTable>("tblFindingRows");
        QCOMPARE(rows->rowCount(), 1);
        QCOMPARE(rows->text(0, 0), QStringLiteral("GHOST"));
        QVERIFY(rows->copiedText().startsWith(
            QStringLiteral("Dr_Account\tCr_Account\tAmount\tFin_Year_Id\nGHOST\t")));
    }

    void cancelledCheckShowsNothingAndWritesNothing()
    {
        openOn(QStringLiteral("sqlite"));
        const QByteArray before = m_ledger->hash();
        // Another program holds the file, as a busy server would: the check
        // waits at its first read, and Cancel is pressed meanwhile.
        {
            QSqlDatabase holder =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
            holder.setDatabaseName(m_ledger->path());
            QVERIFY(holder.open());
            QVERIFY(holder.exec(QStringLiteral("BEGIN EXCLUSIVE")).lastError().type() ==
                    QSqlError::NoError);
            QTest::mouseClick(control<QPushButton>("cmdCheck"), Qt::LeftButton);
            QVERIFY(control<QPushButton>("cmdCancel")->isEnabled());
            QTest::mouseClick(control<QPushButton>("cmdCancel"), Qt::LeftButton);
            QTest::qWait(200);
            holder.exec(QStringLiteral("ROLLBACK"));
            holder.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("holder"));
        QSignalSpy idle(m_window.get(), &frmAudit::idle);
        QVERIFY(m_window->isBusy() || idle.count() > 0);
        QVERIFY(!m_window->isBusy() || idle.wait(60000));
        QVERIFY(control<QLabel>("lblStatus")->text().startsWith(QStringLiteral("Cancelled")));
        QCOMPARE(control<AuditTable>("tblFindings")->rowCount(), 0);
        QVERIFY(m_prompts.told.isEmpty());
        QVERIFY(!control<QPushButton>("cmdCancel")->isEnabled());
        // The window goes on: the next check runs whole.
        QVERIFY(clickAndWait("cmdCheck"));
        QVERIFY(control<AuditTable>("tblFindings")->rowCount() > 0);
        QCOMPARE(m_ledger->hash(), before);
    }

    void previewAndProofSayWhatTheCloseToolSays_data() { roads(); }
    void previewAndProofSayWhatTheCloseToolSays()
    {
        QFETCH(QString, scheme);
        openOn(scheme);
        QVERIFY(clickAndWait("cmdPreview"));
        QVERIFY2(m_prompts.told.isEmpty(), qPrintable(m_prompts.told.join(u'\n')));
        const QString cli = tool(QH_CLOSE_TOOL, m_server, {QStringLiteral("preview")}).output;
        const QString summary = control<QLabel>("lblPreviewSummary")->text();
        QVERIFY2(cli.startsWith(summary.section(u'.', 0, 0) + u'.'), qPrintable(summary));
        AuditTable* changes = control<AuditTable>("tblPreviewChanges");
        QVERIFY(changes->rowCount() > 0);
        QStringList listed;
        for (const QString& line : cli.split(u'\n'))
            if (!line.startsWith(QStringLiteral("  openings")) &&
                line.startsWith(QStringLiteral("  ")))
                listed.append(line);
        QCOMPARE(changes->rowCount(), listed.size());
        for (int r = 0; r < changes->rowCount(); ++r) {
            const QString line = QStringLiteral("  %1 %2, year %3: %4")
                                     .arg(changes->text(r, 2), changes->text(r, 0),
                                          changes->text(r, 1), changes->text(r, 3));
            QVERIFY2(std::any_of(listed.cbegin(), listed.cend(),
                                 [&](const QString& l) { return l.startsWith(line); }),
                     qPrintable(line));
        }
        // Largest first; the year totals as the tool prints them.
        for (int r = 1; r < changes->rowCount(); ++r)
            QVERIFY(std::fabs(changes->value(r - 1, 5).toDouble()) >=
                    std::fabs(changes->value(r, 5).toDouble()));
        const AuditTable* years = control<AuditTable>("tblPreviewYears");
        for (int r = 0; r < years->rowCount(); ++r)
            QVERIFY2(
                cli.contains(
                    QStringLiteral("openings %1 -> %2").arg(years->text(r, 4), years->text(r, 5))),
                qPrintable(years->text(r, 0)));
        // Filtered by an account, only its rows stay.
        const QString account = changes->text(0, 0);
        control<QLineEdit>("txtPreviewFilter")->setText(account);
        QVERIFY(changes->rowCount() >= 1);
        for (int r = 0; r < changes->rowCount(); ++r)
            QVERIFY(changes->text(r, 0).contains(account) || changes->text(r, 3).contains(account));

        QVERIFY(clickAndWait("cmdProve"));
        const QString proof = control<QLabel>("lblProofResult")->text();
        const QString verify = tool(QH_CLOSE_TOOL, m_server, {QStringLiteral("verify")}).output;
        QVERIFY2(verify.contains(
                     proof.section(u'\n', 0, 0).mid(QStringLiteral("Started from: ").size())),
                 qPrintable(proof + u'\n' + verify));
        AuditTable* differences = control<AuditTable>("tblProofDifferences");
        for (int r = 0; r < differences->rowCount(); ++r)
            QVERIFY(verify.contains(differences->text(r, 0)));
        if (differences->rowCount() > 0) {
            QSignalSpy idle(m_window.get(), &frmAudit::idle);
            m_window->proofPage().showAccountYear(0);
            QVERIFY(idle.wait(60000));
            QVERIFY(control<AuditTable>("tblProofRows")->rowCount() > 0);
        }
    }

    void restoreIsRefusedOrEqualsTheToolsRestore_data() { roads(); }
    void restoreIsRefusedOrEqualsTheToolsRestore()
    {
        QFETCH(QString, scheme);
        openOn(scheme);
        const QStringList asBuilt = tables();
        WindowDriver yearEnd(m_server);
        QVERIFY2(yearEnd.connect() && yearEnd.migrate(), qPrintable(yearEnd.messages()));
        const QStringList migrated = tables();
        QVERIFY(migrated != asBuilt);

        QVERIFY(clickAndWait("cmdReadArchive"));
        AuditTable* records = control<AuditTable>("tblSnapshots");
        QCOMPARE(records->rowCount(), 1);
        QCOMPARE(records->text(0, 2), QStringLiteral("Migrate Accounts"));
        QCOMPARE(records->text(0, 3), QStringLiteral("landed"));
        QVERIFY(control<QLabel>("lblChain")->text().contains(QStringLiteral("chain intact")));
        records->selectRow(0);
        QVERIFY(clickAndWait("cmdSnapshotChanges"));
        QVERIFY(control<AuditTable>("tblSnapshotChanges")->rowCount() > 0);

        // Refused: the question says what would change, and nothing does.
        m_prompts.yes = false;
        QVERIFY(clickAndWait("cmdRestore"));
        QCOMPARE(m_prompts.asked.size(), 1);
        QVERIFY(m_prompts.asked[0].contains(QStringLiteral("Acc_Opening")));
        QCOMPARE(tables(), migrated);

        // Confirmed: the ledger as the snapshot holds it, the ledger before
        // kept as snapshot 2.
        m_prompts.yes = true;
        QSignalSpy idle(m_window.get(), &frmAudit::idle);
        QTest::mouseClick(control<QPushButton>("cmdRestore"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(records->rowCount() == 2 && !m_window->isBusy(), 120000);
        QVERIFY2(m_prompts.told.join(u'\n').contains(QStringLiteral("Restored snapshot 1")),
                 qPrintable(m_prompts.told.join(u'\n')));
        const QStringList restored = tables();
        QCOMPARE(restored, asBuilt);

        // The tool's restore of the same snapshot leaves the same tables.
        QVERIFY2(yearEnd.connect() && yearEnd.migrate(), qPrintable(yearEnd.messages()));
        const LedgerFixture::ToolRun cli =
            tool(QH_SNAPSHOTS_TOOL, m_server, {QStringLiteral("restore"), QStringLiteral("1")});
        QVERIFY2(cli.exitCode == 0, qPrintable(cli.errors));
        QCOMPARE(tables(), restored);
    }

    void reportIsTheCloseToolsReport()
    {
        openOn(QStringLiteral("sqlite"));
        const QString csv = QDir(m_ledger->folder()).filePath(QStringLiteral("window.csv"));
        const QString html = QDir(m_ledger->folder()).filePath(QStringLiteral("window.html"));
        m_prompts.path = csv;
        QVERIFY(clickAndWait("cmdSaveCsv"));
        m_prompts.path = html;
        QVERIFY(clickAndWait("cmdSaveHtml"));
        QVERIFY2(m_prompts.told.isEmpty(), qPrintable(m_prompts.told.join(u'\n')));
        const QString toolCsv = QDir(m_ledger->folder()).filePath(QStringLiteral("tool.csv"));
        tool(QH_CLOSE_TOOL, m_server, {QStringLiteral("report"), QStringLiteral("--csv"), toolCsv});
        QCOMPARE(readFile(csv), readFile(toolCsv));
        QVERIFY(readFile(html).contains(QStringLiteral("missing from Acc_Master")));
        QTest::mouseClick(control<QPushButton>("cmdOpenHtml"), Qt::LeftButton);
        QCOMPARE(m_prompts.opened, QStringList{html});

        // The pack is saved, opened, and the tool attests the ledger by it.
        const QString pdf = QDir(m_ledger->folder()).filePath(QStringLiteral("window.pdf"));
        m_prompts.path = pdf;
        QVERIFY(clickAndWait("cmdSavePdf"));
        QCOMPARE(m_prompts.opened, (QStringList{html, pdf}));
        const auto attested =
            tool(QH_CLOSE_TOOL, m_server, {QStringLiteral("attest"), QStringLiteral("--pdf"), pdf});
        QVERIFY2(attested.exitCode == 0, qPrintable(attested.output + attested.errors));

        // A report that cannot be written says so and what to do.
        m_prompts.path = QDir(m_ledger->folder()).filePath(QStringLiteral("no/such/folder.csv"));
        QVERIFY(clickAndWait("cmdSaveCsv"));
        QCOMPARE(m_prompts.told.size(), 1);
        QVERIFY(m_prompts.told[0].contains(QStringLiteral("cannot be written")));
    }

    void aWrongServerSaysWhatToDo()
    {
        m_prompts = AnsweringPrompts();
        m_window = std::make_unique<frmAudit>();
        m_window->setPrompts(&m_prompts);
        control<QLineEdit>("txtServer")->setText(QStringLiteral("sqlite:/no/such/folder"));
        QVERIFY(clickAndWait("cmdOpen"));
        QCOMPARE(m_prompts.told.size(), 1);
        QVERIFY(m_prompts.told[0].contains(QStringLiteral("open the ledger again")));
        QVERIFY(!control<QWidget>("tabs")->isEnabled());
    }
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    tst_audit test;
    const int failed = QTest::qExec(&test, argc, argv);
#ifdef Q_OS_WIN
    // Under Wine a process that opened a database connection on a thread of
    // its own (the window's worker) runs every test, then never finishes its
    // exit: a DLL's detach waits for ever. The results are written and every
    // connection is closed by now, so the process ends here without them.
    std::fflush(nullptr);
    TerminateProcess(GetCurrentProcess(), UINT(failed));
#endif
    return failed;
}
#include "tst_audit.moc"
