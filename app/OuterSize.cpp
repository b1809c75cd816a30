#include "app/OuterSize.h"

#include "app/WindowLook.h"

#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

OuterSize::OuterSize(QWidget* window, int widthTwips, int heightTwips)
    : m_window(window), m_width(widthTwips), m_height(heightTwips)
{
}

void OuterSize::setHeight(int twips)
{
    m_height = twips;
    apply();
}

void OuterSize::apply()
{
    const QWindow* handle = m_window->windowHandle();
    m_frameUsed = handle ? handle->frameMargins() : QMargins();
    const int width = WindowLook::toPixels(m_width) - m_frameUsed.left() - m_frameUsed.right();
    const int height = WindowLook::toPixels(m_height) - m_frameUsed.top() - m_frameUsed.bottom();
    m_window->setFixedSize(std::max(width, 1), std::max(height, 1));
}

void OuterSize::refit()
{
    const QWindow* handle = m_window->windowHandle();
    if (handle && handle->frameMargins() != m_frameUsed)
        apply();
}

void OuterSize::centre()
{
    const QScreen* where = m_window->screen();
    if (!where)
        return;
    const QRect area = where->availableGeometry();
    const QSize outer(WindowLook::toPixels(m_width), WindowLook::toPixels(m_height));
    m_window->move(area.x() + (area.width() - outer.width()) / 2,
                   area.y() + (area.height() - outer.height()) / 2);
}
