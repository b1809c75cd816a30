#include "app/BoxPrompts.h"

#include "core/Texts.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QUrl>

namespace {

const QString kTitle = QStringLiteral("Quillhaven");

QMessageBox::Icon boxIcon(Prompts::Icon icon)
{
    switch (icon) {
    case Prompts::Icon::Information:
        return QMessageBox::Information;
    case Prompts::Icon::Critical:
        return QMessageBox::Critical;
    case Prompts::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void BoxPrompts::tell(const QString& text, Icon icon)
{
    QMessageBox box(boxIcon(icon), kTitle, Texts::cutLongNames(text), QMessageBox::Ok, m_parent);
    box.setWindowModality(Qt::ApplicationModal);
    // The box waits for the operator, not the program: the ordinary pointer
    // over it, and the window's own font.
    if (m_parent)
        box.setFont(m_parent->font());
    const bool busy = QGuiApplication::overrideCursor() != nullptr;
    if (busy)
        QGuiApplication::restoreOverrideCursor();
    box.exec();
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

bool BoxPrompts::confirm(const QString& text)
{
    return QMessageBox::question(m_parent, kTitle, Texts::cutLongNames(text),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

QString BoxPrompts::chooseFile(const QString& caption, const QString& suggested,
                               const QString& filter)
{
    return QFileDialog::getSaveFileName(m_parent, caption, suggested, filter);
}

void BoxPrompts::open(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
