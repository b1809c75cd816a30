#include "app/audit/DesktopPrompts.h"

#include "core/Texts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

void DesktopPrompts::tell(const QString& text, Icon icon)
{
    const QString title = QApplication::applicationDisplayName();
    if (icon == Icon::Critical)
        QMessageBox::critical(m_parent, title, Texts::cutLongNames(text));
    else
        QMessageBox::information(m_parent, title, Texts::cutLongNames(text));
}

bool DesktopPrompts::confirm(const QString& text)
{
    return QMessageBox::question(m_parent, QApplication::applicationDisplayName(),
                                 Texts::cutLongNames(text), QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

QString DesktopPrompts::chooseFile(const QString& caption, const QString& suggested,
                                   const QString& filter)
{
    return QFileDialog::getSaveFileName(m_parent, caption, suggested, filter);
}

void DesktopPrompts::open(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
