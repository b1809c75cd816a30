#pragma once

// Where a long load reports how far it is: the window's progress bar, or
// nothing at all.
class Progress
{
public:
    virtual ~Progress() = default;

    // The bar's value, 0 to 1000.
    virtual void setProgress(int value) = 0;
    // Called now and then during long loads, so a window can repaint.
    virtual void keepPainting() {}
};
