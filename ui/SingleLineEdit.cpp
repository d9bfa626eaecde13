// Pasting into the one-line text box: by key, by menu, by the middle button and by dropping.
#include "ui/SingleLineEdit.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

#include <memory>

QString SingleLineEdit::WithoutControls(const QString& text)
{
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() != QChar::Other_Control) {
            kept += c;
        }
    }
    return kept;
}

void SingleLineEdit::PasteFrom(int clipboardMode)
{
    if (isReadOnly()) {
        return;
    }
    const QString text = QGuiApplication::clipboard()->text(static_cast<QClipboard::Mode>(clipboardMode));
    // insert() cuts to the maximum length, now of the cleaned text.
    insert(WithoutControls(text));
}

void SingleLineEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Paste)) {
        // Shift+Insert with Ctrl pastes the X11 selection, as in QLineEdit itself.
        const bool selection = event->key() == Qt::Key_Insert &&
                               event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier) &&
                               QGuiApplication::clipboard()->supportsSelection();
        PasteFrom(selection ? QClipboard::Selection : QClipboard::Clipboard);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void SingleLineEdit::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        deselect();
        PasteFrom(QClipboard::Selection);
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void SingleLineEdit::dropEvent(QDropEvent* event)
{
    if (!event->mimeData()->hasText()) {
        QLineEdit::dropEvent(event);
        return;
    }
    // The same drop, carrying the cleaned text.
    QMimeData cleaned;
    cleaned.setText(WithoutControls(event->mimeData()->text()));
    QDropEvent drop(event->position(), event->possibleActions(), &cleaned, event->buttons(), event->modifiers(),
                    event->type());
    drop.setDropAction(event->dropAction());
    QLineEdit::dropEvent(&drop);
    event->setAccepted(drop.isAccepted());
    event->setDropAction(drop.dropAction());
}

void SingleLineEdit::contextMenuEvent(QContextMenuEvent* event)
{
    const std::unique_ptr<QMenu> menu(createStandardContextMenu());
    // The menu's Paste is the one action wired to QLineEdit::paste (by name, as Qt
    // wires it); it is rewired to the cleaning paste.
    for (QAction* action : menu->actions()) {
        if (QObject::disconnect(action, SIGNAL(triggered()), this, SLOT(paste()))) {
            connect(action, &QAction::triggered, this, [this] { PasteFrom(QClipboard::Clipboard); });
        }
    }
    menu->exec(event->globalPos());
}
