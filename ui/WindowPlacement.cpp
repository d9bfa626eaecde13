// The place of the run timer and the speed log beside the main window.
#include "ui/WindowPlacement.h"

#include <algorithm>

namespace {

constexpr int Gap = 8;

// `value` moved into [low, high] where possible, else to `low`.
int Kept(int value, int low, int high)
{
    return std::max(low, std::min(value, high));
}

}  // namespace

QPoint BesidePosition(const QRect& main, const QSize& size, const QRect& screen)
{
    const int top = Kept(main.top(), screen.top(), screen.bottom() + 1 - size.height());
    const int left = Kept(main.left(), screen.left(), screen.right() + 1 - size.width());
    const int roomRight = screen.right() - main.right() - Gap;
    const int roomLeft = main.left() - screen.left() - Gap;
    const int roomBelow = screen.bottom() - main.bottom() - Gap;
    const int roomAbove = main.top() - screen.top() - Gap;
    if (roomRight >= size.width()) {
        return {main.right() + 1 + Gap, top};
    }
    if (roomLeft >= size.width()) {
        return {main.left() - Gap - size.width(), top};
    }
    if (roomBelow >= size.height()) {
        return {left, main.bottom() + 1 + Gap};
    }
    if (roomAbove >= size.height()) {
        return {left, main.top() - Gap - size.height()};
    }
    // Nothing fits: as little of the main window covered as the screen allows.
    return roomRight >= roomLeft ? QPoint(screen.right() + 1 - size.width(), top) : QPoint(screen.left(), top);
}

QSize BesideSize(const QRect& main, const QSize& size, int narrowest, const QRect& screen)
{
    const int roomSide = std::max(screen.right() - main.right(), main.left() - screen.left()) - Gap;
    const int roomUpDown = std::max(screen.bottom() - main.bottom(), main.top() - screen.top()) - Gap;
    if (roomSide >= size.width() || roomUpDown >= size.height() || roomSide < narrowest) {
        return size;
    }
    return {roomSide, size.height()};
}
