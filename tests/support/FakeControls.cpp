#include "tests/support/FakeControls.h"

#include <algorithm>

void FakeControls::setProgress(int value)
{
    progress = value;
    maxProgress = std::max(maxProgress, value);
    ++progressCalls;
}
