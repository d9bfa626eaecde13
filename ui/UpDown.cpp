// The arrow pair, its keys and its buddy.
#include "ui/UpDown.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QToolButton>

#include <algorithm>

UpDown::UpDown(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this))
{
    setFocusPolicy(Qt::StrongFocus);
    const auto setUp = [](QToolButton* button, Qt::ArrowType arrow, const QString& name) {
        button->setArrowType(arrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setAccessibleName(name);
    };
    setUp(up_, Qt::UpArrow, QStringLiteral("Up"));
    setUp(down_, Qt::DownArrow, QStringLiteral("Down"));
    connect(up_, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(down_, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

void UpDown::setMinimum(int minimum)
{
    minimum_ = minimum;
    maximum_ = std::max(maximum_, minimum_);
    value_ = std::clamp(value_, minimum_, maximum_);
}

void UpDown::setMaximum(int maximum)
{
    maximum_ = maximum;
    minimum_ = std::min(minimum_, maximum_);
    value_ = std::clamp(value_, minimum_, maximum_);
}

void UpDown::setValue(int value)
{
    const int clamped = std::clamp(value, minimum_, maximum_);
    if (clamped == value_) {
        return;
    }
    value_ = clamped;
    if (writeBuddy_) {
        writeBuddy_(QString::number(value_));
    }
    emit valueChanged(value_);
}

void UpDown::adoptValue(int value)
{
    value_ = std::clamp(value, minimum_, maximum_);
}

void UpDown::setBuddy(QLineEdit* buddy)
{
    writeBuddy_ = [buddy](const QString& text) { buddy->setText(text); };
}

void UpDown::setBuddy(QLabel* buddy)
{
    writeBuddy_ = [buddy](const QString& text) { buddy->setText(text); };
}

void UpDown::stepBy(int steps)
{
    // No wrap-around: at an end the arrow simply does nothing.
    setValue(value_ + steps);
}

void UpDown::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Up) {
        stepBy(1);
    } else if (event->key() == Qt::Key_Down) {
        stepBy(-1);
    } else {
        QWidget::keyPressEvent(event);
    }
}

void UpDown::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The arrows leave a pixel all round for the focus frame.
    const QRect inner = rect().adjusted(FocusFrame, FocusFrame, -FocusFrame, -FocusFrame);
    const int upper = inner.height() / 2;
    up_->setGeometry(inner.x(), inner.y(), inner.width(), upper);
    down_->setGeometry(inner.x(), inner.y() + upper, inner.width(), inner.height() - upper);
}

void UpDown::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (!hasFocus()) {
        return;
    }
    // The arrows take no focus themselves, so the keyboard's place is shown here.
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Highlight), FocusFrame));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}
