// The Decoder tab's curve: the speeds measured, the target and the speeds the planned CVs should give, step by step, on the screen and on the decoder sheet.
#include "DecoderCurve.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

QColor KindColour(DecoderCurveLine::Kind kind, const QColor& ink)
{
    switch (kind) {
    case DecoderCurveLine::Kind::Target:
        return QColor(0xb0, 0x50, 0x00);
    case DecoderCurveLine::Kind::Predicted:
        return QColor(0x00, 0x70, 0x30);
    case DecoderCurveLine::Kind::Measured:
        break;
    }
    return ink;
}

Qt::PenStyle KindStyle(DecoderCurveLine::Kind kind)
{
    switch (kind) {
    case DecoderCurveLine::Kind::Target:
        return Qt::DashLine;
    case DecoderCurveLine::Kind::Predicted:
        return Qt::DotLine;
    case DecoderCurveLine::Kind::Measured:
        break;
    }
    return Qt::SolidLine;
}

}  // namespace

void PaintDecoderCurve(QPainter& painter, const QRectF& whole, const DecoderCurveData& data, const QColor& ink)
{
    const QRectF area = whole.adjusted(40, 8, -8, -40);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(ink);
    painter.drawRect(area);
    double fastest = 10.0;
    for (const DecoderCurveLine& line : data.lines) {
        for (const auto& [step, speed] : line.points) {
            fastest = std::max(fastest, speed);
        }
    }
    fastest = std::ceil(fastest / 10.0) * 10.0;  // a round top
    painter.drawText(QRectF(whole.left(), area.top() - 6, 36, 14), Qt::AlignRight, QString::number(fastest));
    painter.drawText(QRectF(whole.left(), area.bottom() - 8, 36, 14), Qt::AlignRight, QStringLiteral("0"));
    painter.drawText(QRectF(area.left(), area.bottom() + 4, area.width(), 16), Qt::AlignCenter,
                     QStringLiteral("step (1-%1) and %2; the heavier line is reverse").arg(data.topStep).arg(data.unit));
    // The key: what each kind of line is.
    const QString names[] = {QStringLiteral("measured"), QStringLiteral("target"), QStringLiteral("predicted")};
    for (int kind = 0; kind < 3; ++kind) {
        const auto which = static_cast<DecoderCurveLine::Kind>(kind);
        const double left = area.left() + kind * area.width() / 3.0;
        const double y = area.bottom() + 30;
        painter.setPen(QPen(KindColour(which, ink), 1.5, KindStyle(which)));
        painter.drawLine(QPointF(left + 4, y), QPointF(left + 34, y));
        painter.setPen(ink);
        painter.drawText(QRectF(left + 40, y - 8, area.width() / 3.0 - 44, 16), Qt::AlignLeft | Qt::AlignVCenter,
                         names[kind]);
    }
    const double across = std::max(1, data.topStep - 1);
    for (const DecoderCurveLine& line : data.lines) {
        painter.setPen(QPen(KindColour(line.kind, ink), line.reverse ? 2.5 : 1.5, KindStyle(line.kind)));
        QPainterPath path;
        for (const auto& [step, speed] : line.points) {
            const QPointF point(area.left() + area.width() * (step - 1) / across,
                                area.bottom() - area.height() * std::clamp(speed, 0.0, fastest) / fastest);
            path.elementCount() == 0 ? path.moveTo(point) : path.lineTo(point);
            if (line.kind == DecoderCurveLine::Kind::Measured) {
                painter.drawEllipse(point, 2.5, 2.5);
            }
        }
        painter.drawPath(path);
    }
}

DecoderCurve::DecoderCurve(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(360, 240);
}

void DecoderCurve::Show(DecoderCurveData data)
{
    data_ = std::move(data);
    update();
}

void DecoderCurve::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    PaintDecoderCurve(painter, QRectF(rect()), data_, palette().color(QPalette::WindowText));
}
