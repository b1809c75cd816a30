#include "app/audit/AuditPrompts.h"

#include "core/Texts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

void DesktopPrompts::tell(const QString& text)
{
    QMessageBox::information(m_parent, QApplication::applicationDisplayName(),
                             Texts::cutLongNames(text));
}

bool DesktopPrompts::confirm(const QString& text)
{
    return QMessageBox::question(m_parent, QApplication::applicationDisplayName(),
                                 Texts::cutLongNames(text), QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

QString DesktopPrompts::saveFile(const QString& caption, const QString& suggested,
                                 const QString& filter)
{
    return QFileDialog::getSaveFileName(m_parent, caption, suggested, filter);
}

void DesktopPrompts::open(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
