// Photographs the audit window at each of its pages, for the README:
// quillhaven_audit_screenshots SERVER FOLDER writes FOLDER/audit-*.png. The
// ledger is checked and previewed as it is, then migrated by the year-end
// commands, so that the proof and the snapshots have something to show.
// Run it on a display (scripts/screenshots.sh uses a virtual one).

#include "app/audit/AuditTable.h"
#include "app/audit/DesktopPrompts.h"
#include "app/audit/frmAudit.h"
#include "tests/support/WindowDriver.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <cstdio>

namespace {

class SilentPrompts : public Prompts
{
public:
    explicit SilentPrompts(QString folder) : m_folder(std::move(folder)) {}
    void tell(const QString& text, Icon) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        failed = true;
    }
    bool confirm(const QString&) override { return false; }
    QString chooseFile(const QString&, const QString& suggested, const QString&) override
    {
        return QDir(m_folder).filePath(QFileInfo(suggested).fileName());
    }
    void open(const QString&) override {}

    bool failed = false;

private:
    QString m_folder;
};

class Camera
{
public:
    Camera(frmAudit& window, QString folder) : m_window(window), m_folder(std::move(folder)) {}

    bool click(const char* button)
    {
        QSignalSpy idle(&m_window, &frmAudit::idle);
        QTest::mouseClick(m_window.findChild<QPushButton*>(QString::fromLatin1(button)),
                          Qt::LeftButton);
        return idle.wait(120000);
    }
    bool wait()
    {
        QSignalSpy idle(&m_window, &frmAudit::idle);
        return !m_window.isBusy() || idle.wait(120000);
    }
    void page(int index)
    {
        m_window.findChild<QTabWidget*>(QStringLiteral("tabs"))->setCurrentIndex(index);
    }
    AuditTable* table(const char* name)
    {
        return m_window.findChild<AuditTable*>(QString::fromLatin1(name));
    }
    bool shoot(const char* name)
    {
        QTest::qWait(300); // let the paint settle
        const QString path =
            QDir(m_folder).filePath(QStringLiteral("audit-%1.png").arg(QLatin1String(name)));
        if (!m_window.grab().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return false;
        }
        std::printf("%s\n", qPrintable(path));
        return true;
    }

private:
    frmAudit& m_window;
    QString m_folder;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillhaven"));
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SERVER FOLDER\n", argv[0]);
        return 2;
    }
    const QString server = QString::fromLocal8Bit(argv[1]);
    const QString folder = QString::fromLocal8Bit(argv[2]);
    QTemporaryDir reports;

    frmAudit window;
    SilentPrompts prompts(reports.path());
    window.setPrompts(&prompts);
    window.resize(1000, 560);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 2;
    Camera camera(window, folder);
    window.findChild<QLineEdit*>(QStringLiteral("txtServer"))->setText(server);
    bool ok = camera.click("cmdOpen");

    ok = ok && camera.click("cmdCheck");
    if (AuditTable* findings = camera.table("tblFindings"); ok && findings->rowCount() > 0) {
        findings->selectRow(0);
        ok = camera.wait();
    }
    ok = ok && camera.shoot("1-check");

    camera.page(1);
    ok = ok && camera.click("cmdPreview") && camera.shoot("2-preview");

    // The year-end window's Migrate Accounts, so there is a migration to
    // prove and a snapshot to show.
    WindowDriver yearEnd(server);
    ok = ok && yearEnd.connect() && yearEnd.migrate();
    camera.page(2);
    ok = ok && camera.click("cmdProve") && camera.shoot("3-prove");

    camera.page(3);
    ok = ok && camera.click("cmdReadArchive");
    if (ok && camera.table("tblSnapshots")->rowCount() > 0) {
        camera.table("tblSnapshots")->selectRow(0);
        ok = camera.click("cmdSnapshotChanges");
    }
    ok = ok && camera.shoot("4-snapshots");

    camera.page(4);
    ok = ok && camera.click("cmdSaveHtml") && camera.shoot("5-report");
    return ok && !prompts.failed ? 0 : 1;
}
