#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QString>

class QLabel;
class QWidget;

// The window's designed look: its fonts, colours, frame style and icon, and
// the conversion of designed twips into pixels.
class WindowLook
{
public:
    static constexpr int TwipsPerPixel = 15;
    static int toPixels(int twips) { return twips / TwipsPerPixel; }

    static const QColor Background;
    static const QColor ButtonFace;
    static const QColor StatusText;

    // Arial at the given size, or whatever the system substitutes for it.
    static QFont arial(double points);
    // Places a control by its designed twips, relative to its container.
    static void place(QWidget* widget, int left, int top, int width, int height);
    // Draws a label's caption with whole-pixel advances; a substituted font
    // wider than Arial gets its letters tightened just enough to fit.
    static void fitCaption(QLabel* label);
    // Etched frames with their caption on the top line.
    static QString frameStyleSheet();
    // A small ledger book with a quill, drawn rather than shipped as a file.
    static QIcon drawnIcon();
};
