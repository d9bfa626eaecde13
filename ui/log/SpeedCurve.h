// The speed curve: mean speed against throttle step, a line for each locomotive with its lowest-highest bars.
#pragma once

#include "log/FleetFigures.h"

#include <QColor>
#include <QWidget>

#include <memory>
#include <vector>

class QPainter;

// Painted by the program itself, the same on every system.
class SpeedCurve : public QWidget {
    Q_OBJECT

public:
    explicit SpeedCurve(QWidget* parent);
    ~SpeedCurve() override;

    // `lines` in mph, shown in `unit`; a target speed (mph) above 0 is drawn across.
    void Show(const std::vector<CurveLine>& lines, SpeedUnit unit, double targetMph);
    // The same curve drawn into `target` of a page.
    void Render(QPainter& painter, const QRectF& target) const;
    // What it draws: the lines in mph, and the target speed (0: none).
    const std::vector<CurveLine>& Lines() const;
    double TargetMph() const;

private:
    struct Drawing;
    std::unique_ptr<Drawing> drawing_;
};

// The title of the speed axis, the target line's name, and the range of the speed
// axis (from 0 to a little above the highest figure).
QString SpeedAxisTitle(SpeedUnit unit);
QString TargetName(double targetMph, SpeedUnit unit);
double SpeedAxisTop(const std::vector<CurveLine>& lines, SpeedUnit unit, double targetMph);
// The colour of the curve's line number `index`, its bars the same.
QColor LineColour(std::size_t index);
