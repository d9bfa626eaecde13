// What the program gives the speed log: the main window's track, its message boxes and its printing.
#pragma once

#include "ui/log/SpeedLogLink.h"

#include <functional>

class LogHost : public SpeedLogHost {
public:
    LogHost(std::function<TrackNow()> track, std::function<void()> showRunTimer);

    TrackNow Track() const override;
    void Box(const QString& text, bool warning) override;
    int AskSaveOrDiscard(const QString& text) override;
    void ShowRunTimer() override;
    // Through a PagePrinter of `window`'s own, made at its first page.
    void PrintPage(QWidget* window, const QString& title, const QString& noun,
                   const std::function<bool(QPagedPaintDevice&)>& compose, bool toPdf) override;

private:
    std::function<TrackNow()> track_;
    std::function<void()> showRunTimer_;
};
