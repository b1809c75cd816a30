#include "app/WindowLook.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

const QColor WindowLook::Background(236, 233, 216);
const QColor WindowLook::ButtonFace(212, 208, 200);
const QColor WindowLook::StatusText(128, 128, 255);

QFont WindowLook::arial(double points)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    return font;
}

void WindowLook::place(QWidget* widget, int left, int top, int width, int height)
{
    widget->setGeometry(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

void WindowLook::fitCaption(QLabel* label)
{
    // Whole-pixel advances, as the old toolkit drew its captions: a little
    // narrower than fractional ones, and so the same width on every screen.
    QFont font = label->font();
    font.setHintingPreference(QFont::PreferFullHinting);
    const QString text = label->text();
    const double need = QFontMetricsF(font).horizontalAdvance(text);
    const double room = label->width();
    if (text.size() >= 2 && need > room) {
        // Only a substitute wider than Arial gets here; tightening its
        // letters beats cutting the caption off.
        const double spacing = std::max(-1.0, (room - need) / static_cast<double>(text.size() - 1));
        font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    }
    label->setFont(font);
}

QString WindowLook::frameStyleSheet()
{
    // The database box lies over the top edge of Frame4, as designed, so its
    // check boxes are not cut. It is opaque, as a frame of the old toolkit
    // was: Frame4's top edge must not show through it across the boxes.
    return QStringLiteral(
        "QGroupBox { border: 2px groove rgb(172, 168, 153); border-radius: 0px; margin-top: 0px; }"
        "QGroupBox#Frame2 { margin-top: 6px; background-color: rgb(236, 233, 216); }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
        " left: 6px; padding: 0px 2px; }");
}

QIcon WindowLook::drawnIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 50, 110), 1.5));
    painter.setBrush(QColor(70, 90, 170));
    painter.drawRoundedRect(QRectF(4.5, 3.5, 22, 26), 2, 2);
    painter.setBrush(QColor(250, 248, 235));
    painter.drawRect(QRectF(8.5, 6.5, 15, 20));
    painter.setPen(QPen(QColor(120, 120, 120), 1));
    for (int y = 11; y <= 23; y += 4)
        painter.drawLine(QPointF(10.5, y + 0.5), QPointF(21.5, y + 0.5));
    painter.setPen(QPen(QColor(150, 40, 30), 2.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(29, 2), QPointF(17, 19));
    return QIcon(pixmap);
}
