// What the program gives the speed log: the main window's track, its message boxes and its printing.
#pragma once

#include "ui/log/SpeedLogLink.h"

#include <functional>

class LogHost : public SpeedLogHost {
public:
    explicit LogHost(std::function<TrackNow()> track);

    TrackNow Track() const override;
    void Box(const QString& text, bool warning) override;
    // Through a PagePrinter of `window`'s own, made at its first page.
    void PrintPage(QWidget* window, const QString& title, const QString& noun,
                   const std::function<bool(QPagedPaintDevice&)>& compose, bool toPdf) override;

private:
    std::function<TrackNow()> track_;
};
