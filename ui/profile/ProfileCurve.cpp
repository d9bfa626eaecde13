// The Profile tab's curve as it grows: the mean speed of each step measured, forward solid and reverse dashed.
#include "ui/profile/ProfileCurve.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numeric>

ProfileCurve::ProfileCurve(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(240, 140);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ProfileCurve::Clear()
{
    passes_.clear();
    update();
}

void ProfileCurve::Add(int step, bool reverse, double mph)
{
    passes_[{reverse, step}].push_back(mph);
    update();
}

double ProfileCurve::Mean(int step, bool reverse) const
{
    const auto found = passes_.find({reverse, step});
    if (found == passes_.end() || found->second.empty()) {
        return 0.0;
    }
    return std::accumulate(found->second.begin(), found->second.end(), 0.0) / static_cast<double>(found->second.size());
}

void ProfileCurve::SetTopStep(int top)
{
    topStep_ = std::max(1, top);
    update();
}

void ProfileCurve::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(40, 8, -8, -24);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(area);
    double fastest = 10.0;
    for (const auto& [key, speeds] : passes_) {
        fastest = std::max(fastest, Mean(key.second, key.first));
    }
    // A round top: the next 10 mph above the fastest mean.
    fastest = std::ceil(fastest / 10.0) * 10.0;
    painter.drawText(QRectF(0, area.top() - 6, 36, 14), Qt::AlignRight, QStringLiteral("%1").arg(fastest));
    painter.drawText(QRectF(0, area.bottom() - 8, 36, 14), Qt::AlignRight, QStringLiteral("0"));
    painter.drawText(QRectF(area.left(), area.bottom() + 4, area.width(), 16), Qt::AlignCenter,
                     QStringLiteral("step (1-%1) and scale mph; forward solid, reverse dashed").arg(topStep_));
    for (const bool reverse : {false, true}) {
        const QPen pen(palette().color(QPalette::Highlight), 2.0, reverse ? Qt::DashLine : Qt::SolidLine);
        painter.setPen(pen);
        QPainterPath path;
        for (const auto& [key, speeds] : passes_) {
            if (key.first != reverse) {
                continue;
            }
            const QPointF point(area.left() + area.width() * key.second / topStep_,
                                area.bottom() - area.height() * Mean(key.second, reverse) / fastest);
            path.elementCount() == 0 ? path.moveTo(point) : path.lineTo(point);
            painter.drawEllipse(point, 2.5, 2.5);
        }
        painter.drawPath(path);
    }
}
