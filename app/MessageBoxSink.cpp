#include "app/MessageBoxSink.h"

#include "core/Texts.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace {

QMessageBox::Icon boxIcon(MessageSink::Icon icon)
{
    switch (icon) {
    case MessageSink::Icon::Information:
        return QMessageBox::Information;
    case MessageSink::Icon::Critical:
        return QMessageBox::Critical;
    case MessageSink::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void MessageBoxSink::show(const QString& text, Icon icon)
{
    QMessageBox box(boxIcon(icon), title(), Texts::cutLongNames(text), QMessageBox::Ok, m_parent);
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
