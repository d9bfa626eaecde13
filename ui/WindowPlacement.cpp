// Where the program's other windows open: within the screen, beside the main window, clear of the windows shown.
#include "ui/WindowPlacement.h"

#include <algorithm>

namespace {

constexpr int Gap = 8;

// `value` moved into [low, high] where possible, else to `low`.
int Kept(int value, int low, int high)
{
    return std::max(low, std::min(value, high));
}

qint64 Covered(const QRect& window, const std::vector<QRect>& keepClear)
{
    qint64 area = 0;
    for (const QRect& clear : keepClear) {
        const QRect both = window.intersected(clear);
        area += both.isEmpty() ? 0 : static_cast<qint64>(both.width()) * both.height();
    }
    return area;
}

// `window` moved into `screen` (its size no larger than the screen's).
QRect KeptOn(QRect window, const QRect& screen)
{
    window.moveLeft(Kept(window.left(), screen.left(), screen.right() + 1 - window.width()));
    window.moveTop(Kept(window.top(), screen.top(), screen.bottom() + 1 - window.height()));
    return window;
}

}  // namespace

QRect PlaceWithin(const QRect& main, const std::vector<QRect>& keepClear, const QSize& wanted, const QSize& least,
                  const QRect& screen)
{
    const QSize size = wanted.boundedTo(screen.size());
    const QSize smallest = least.boundedTo(size);
    // Beside the main window, narrowed or lowered to the room there down to `smallest`.
    const int roomRight = screen.right() - main.right() - Gap;
    const int roomLeft = main.left() - screen.left() - Gap;
    const int roomBelow = screen.bottom() - main.bottom() - Gap;
    const int roomAbove = main.top() - screen.top() - Gap;
    std::vector<QRect> beside;
    if (roomRight >= smallest.width()) {
        beside.push_back(KeptOn(QRect(main.right() + 1 + Gap, main.top(), std::min(size.width(), roomRight), size.height()),
                                screen));
    }
    if (roomLeft >= smallest.width()) {
        const int width = std::min(size.width(), roomLeft);
        beside.push_back(KeptOn(QRect(main.left() - Gap - width, main.top(), width, size.height()), screen));
    }
    if (roomBelow >= smallest.height()) {
        beside.push_back(
            KeptOn(QRect(main.left(), main.bottom() + 1 + Gap, size.width(), std::min(size.height(), roomBelow)), screen));
    }
    if (roomAbove >= smallest.height()) {
        const int height = std::min(size.height(), roomAbove);
        beside.push_back(KeptOn(QRect(main.left(), main.top() - Gap - height, size.width(), height), screen));
    }
    // The first beside place that covers nothing; else, of those and of the screen's
    // corners at the size wanted, the one that covers least (the first of equals).
    std::vector<QRect> places = beside;
    for (const QPoint corner : {screen.topRight(), screen.topLeft(), screen.bottomRight(), screen.bottomLeft()}) {
        QRect place(QPoint(), size);
        place.moveCenter(corner);
        places.push_back(KeptOn(place, screen));
    }
    return *std::min_element(places.begin(), places.end(), [&keepClear](const QRect& a, const QRect& b) {
        return Covered(a, keepClear) < Covered(b, keepClear);
    });
}
