// The program's side of the speed log.
#include "ui/home/LogHost.h"

#include "core/General.h"
#include "core/MessageBox.h"
#include "ui/print/PagePrinter.h"

#include <QWidget>

LogHost::LogHost(std::function<TrackNow()> track, std::function<void()> showRunTimer)
    : track_(std::move(track)), showRunTimer_(std::move(showRunTimer))
{
}

TrackNow LogHost::Track() const
{
    return track_();
}

void LogHost::Box(const QString& text, bool warning)
{
    MessageBox::Show(General::AppTitle, text, warning ? MessageBox::Icon::Exclamation : MessageBox::Icon::Information);
}

int LogHost::AskSaveOrDiscard(const QString& text)
{
    switch (MessageBox::AskSaveOrDiscard(General::AppTitle, text, MessageBox::Icon::Exclamation)) {
    case MessageBox::Answer::Save:
        return 1;
    case MessageBox::Answer::Discard:
        return 0;
    default:
        return -1;
    }
}

void LogHost::ShowRunTimer()
{
    showRunTimer_();
}

void LogHost::PrintPage(QWidget* window, const QString& title, const QString& noun,
                        const std::function<bool(QPagedPaintDevice&)>& compose, bool toPdf)
{
    auto* printer = window->findChild<PagePrinter*>(QString(), Qt::FindDirectChildrenOnly);
    if (printer == nullptr) {
        printer = new PagePrinter(window);
    }
    const PrintedPage page{title, noun, compose};
    if (toPdf) {
        printer->SavePdf(page);
    } else {
        printer->Print(page);
    }
}
