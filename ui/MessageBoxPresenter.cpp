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
    const bool ask = request.buttons == MessageBox::Buttons::SaveCancel;
    // Over the dialog that is open, else the active window, and modal to that window
    // only: the run timer, a window of its own, stays usable.
    QWidget* over = QApplication::activeModalWidget() != nullptr ? QApplication::activeModalWidget()
                                                                   : QApplication::activeWindow();
    QMessageBox box(ToQt(request.icon), request.title, shown,
                    ask ? QMessageBox::Save | QMessageBox::Cancel : QMessageBox::Ok, over);
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
    return pressed == QMessageBox::Save ? MessageBox::Answer::Save : MessageBox::Answer::Cancel;
}

}  // namespace

void InstallWidgetMessageBox()
{
    MessageBox::SetPresenter(ShowWidgetBox);
}
