// QMessageBox for the program's boxes.
#include "ui/MessageBoxPresenter.h"

#include "core/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QMessageBox::Icon ToQt(MessageBox::Icon icon)
{
    switch (icon) {
    case MessageBox::Icon::Information:
        return QMessageBox::Information;
    case MessageBox::Icon::Exclamation:
        return QMessageBox::Warning;
    case MessageBox::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

MessageBox::Answer ShowWidgetBox(const MessageBox::Request& request)
{
    QString shown = request.text;
    shown.replace(u'\r', u'\n');
    const bool ask = request.buttons != MessageBox::Buttons::Ok;
    const bool discard = request.buttons == MessageBox::Buttons::SaveDiscardCancel;
    // Over the dialog that is open, else the active window, and modal to that window
    // only: the run timer, a window of its own, stays usable.
    QWidget* over = QApplication::activeModalWidget() != nullptr ? QApplication::activeModalWidget()
                                                                   : QApplication::activeWindow();
    QMessageBox box(ToQt(request.icon), request.title, shown,
                    !ask       ? QMessageBox::StandardButtons(QMessageBox::Ok)
                    : discard ? QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel
                              : QMessageBox::Save | QMessageBox::Cancel,
                    over);
    box.setWindowModality(Qt::WindowModal);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(ask ? QMessageBox::Save : QMessageBox::Ok);
    box.setEscapeButton(ask ? QMessageBox::Cancel : QMessageBox::Ok);
    // A path or a printer's reason can be selected and copied out of the box.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    const int pressed = box.exec();
    if (!ask) {
        return MessageBox::Answer::Ok;
    }
    switch (pressed) {
    case QMessageBox::Save:
        return MessageBox::Answer::Save;
    case QMessageBox::Discard:
        return MessageBox::Answer::Discard;
    default:
        return MessageBox::Answer::Cancel;
    }
}

}  // namespace

void InstallWidgetMessageBox()
{
    MessageBox::SetPresenter(ShowWidgetBox);
}
