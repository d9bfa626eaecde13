// A vertical up-down spinner that writes its value into a neighbouring box.
#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QToolButton;

// Qt's spin box owns its own text field; the windows of this program instead pair a
// separate text box or label with a bare arrow pair, the buddy showing the value.
// Every change of the value writes the buddy first and then emits valueChanged, so
// the buddy's own change handling runs before the spinner's.
class UpDown : public QWidget {
    Q_OBJECT

public:
    explicit UpDown(QWidget* parent);

    void setMinimum(int minimum);
    void setMaximum(int maximum);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    int value() const { return value_; }

    // Clamps to the range; a change writes the buddy and emits valueChanged.
    void setValue(int value);
    // Takes a value the user typed into the buddy without writing it back.
    void adoptValue(int value);

    void setBuddy(QLineEdit* buddy);
    void setBuddy(QLabel* buddy);

    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

signals:
    void valueChanged(int value);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int FocusFrame = 1;

    void stepBy(int steps);

    QToolButton* up_;
    QToolButton* down_;
    std::function<void(const QString&)> writeBuddy_;
    int minimum_ = 0;
    int maximum_ = 0;
    int value_ = 0;
};
