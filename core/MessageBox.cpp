// The replaceable presenter behind every message box.
#include "core/MessageBox.h"

#include <QtGlobal>

#include <utility>

namespace MessageBox {

namespace {

Presenter& Current()
{
    static Presenter presenter;
    return presenter;
}

Answer Present(const Request& request)
{
    if (Current()) {
        return Current()(request);
    }
    // No window layer: nobody could answer a box, so say it where it is seen.
    qWarning("%s: %s", qUtf8Printable(request.title), qUtf8Printable(request.text));
    return request.buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
}

}  // namespace

void Show(const QString& title, const QString& text, Icon icon)
{
    Present({title, text, icon, Buttons::Ok});
}

bool AskSave(const QString& title, const QString& text, Icon icon)
{
    return Present({title, text, icon, Buttons::SaveCancel}) == Answer::Save;
}

Answer AskSaveOrDiscard(const QString& title, const QString& text, Icon icon)
{
    return Present({title, text, icon, Buttons::SaveDiscardCancel});
}

Presenter SetPresenter(Presenter presenter)
{
    return std::exchange(Current(), std::move(presenter));
}

}  // namespace MessageBox
