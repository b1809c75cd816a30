#include "app/MessageBoxSink.h"

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
    QMessageBox box(boxIcon(icon), title(), text, QMessageBox::Ok, m_parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}
