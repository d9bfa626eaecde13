// The one way the program shows a message box, so tests can answer it instead of a person.
#pragma once

#include <QString>

#include <functional>

namespace MessageBox {

enum class Icon { None, Information, Exclamation };
enum class Buttons { Ok, SaveCancel, SaveDiscardCancel };
enum class Answer { Ok, Save, Discard, Cancel };

struct Request {
    QString title;
    QString text;  // "\r" starts a new line
    Icon icon;
    Buttons buttons;
};

// Shows the box modally and returns the button the user pressed.
using Presenter = std::function<Answer(const Request& request)>;

// A box with one OK button.
void Show(const QString& title, const QString& text, Icon icon);
// A box with Save and Cancel; true when the user chose Save.
bool AskSave(const QString& title, const QString& text, Icon icon);
// A box with Save, Discard and Cancel; the one the user chose.
Answer AskSaveOrDiscard(const QString& title, const QString& text, Icon icon);

// The windows install the real box at start; tests install a recorder. Returns the
// previous presenter so a test can put it back.
Presenter SetPresenter(Presenter presenter);

}  // namespace MessageBox
