// A one-line text box that drops line breaks and other control characters from what is pasted into it.
#pragma once

#include <QLineEdit>

class QMimeData;

// QLineEdit keeps a pasted line break, so "1<newline>2" would stay in the box and
// break every line the text is copied into. Here pasted and dropped text loses its
// control characters first, and only then is cut to the box's maximum length, so a
// pasted "1<CR><LF>5" becomes "15" in a three-character box.
class SingleLineEdit : public QLineEdit {
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

    // `text` without control characters (line breaks, tabs and the like).
    static QString WithoutControls(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void PasteFrom(int clipboardMode);
};
