#pragma once

#include <QMargins>

class QWidget;

// A window sized by its outer twips, as the old toolkit sized forms: title bar
// and border included. The client area gets what the window manager's frame
// leaves, which is known only once the window has been framed, so the size is
// fitted again whenever the frame changes.
class OuterSize
{
public:
    OuterSize(QWidget* window, int widthTwips, int heightTwips);

    int widthTwips() const noexcept { return m_width; }
    int heightTwips() const noexcept { return m_height; }
    void setHeight(int twips);
    // After a show, move, resize or activation: refits if the frame changed.
    void refit();
    // Centres the outer size on the window's screen.
    void centre();

private:
    void apply();

    QWidget* m_window;
    int m_width;
    int m_height;
    QMargins m_frameUsed; // the frame the client size was computed for
};
