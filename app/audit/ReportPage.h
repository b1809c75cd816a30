#pragma once

#include <QWidget>

class AuditHost;
class QLabel;
class QPushButton;

// Report: the closing figures saved as HTML (one page that prints on A4)
// or CSV, as quillhaven-close writes them, and the HTML opened in the
// system's browser; and the auditor's pack saved as PDF and opened.
class ReportPage : public QWidget
{
    Q_OBJECT

public:
    ReportPage(AuditHost& host, QWidget* parent = nullptr);

    void saveHtml();
    void saveCsv();
    void openHtml();
    // Writes the auditor's pack where the operator chooses, then opens it.
    void savePdf();

private:
    void save(bool html);

    AuditHost& m_host;
    QPushButton* m_cmdSaveHtml;
    QPushButton* m_cmdSaveCsv;
    QPushButton* m_cmdOpenHtml;
    QPushButton* m_cmdSavePdf;
    QLabel* m_lblSaved;
    QString m_htmlPath;
};
