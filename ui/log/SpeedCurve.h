// The speed curve: mean speed against throttle step, a line for each locomotive and direction with its lowest-highest bars.
#pragma once

#include "log/FleetFigures.h"

#include <QColor>
#include <QRectF>
#include <QWidget>

#include <vector>

class QPainter;

// One name of the legend where it was drawn, and the text shown for it (shortened,
// with the whole name as a tooltip, where the space is too narrow for it).
struct LegendEntry {
    QRectF area;
    QString name;
    QString shown;
};

// Painted by the program itself, the same on the screen, on a printed page and in a
// PDF file: lines, marks and gaps are sized in points, not in a device's pixels.
// Each locomotive has a colour; its reverse runs are drawn dashed in that colour.
class SpeedCurve : public QWidget {
    Q_OBJECT

public:
    explicit SpeedCurve(QWidget* parent);

    // `lines` in mph, shown in `unit`; a target speed (mph) above 0 is drawn across.
    void Show(const std::vector<CurveLine>& lines, SpeedUnit unit, double targetMph);
    // The same curve drawn into `target` of a page; its legend as drawn there.
    std::vector<LegendEntry> Render(QPainter& painter, const QRectF& target) const;
    // What it draws: the lines in mph, and the target speed (0: none).
    const std::vector<CurveLine>& Lines() const { return lines_; }
    double TargetMph() const { return targetMph_; }
    // The legend as the widget last painted it.
    const std::vector<LegendEntry>& Legend() const { return legend_; }

protected:
    void paintEvent(class QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    std::vector<CurveLine> lines_;
    SpeedUnit unit_ = SpeedUnit::Mph;
    double targetMph_ = 0.0;
    std::vector<LegendEntry> legend_;
};

// The title of the speed axis, the target line's name, and the range of the speed
// axis (from 0 to a little above the highest figure).
QString SpeedAxisTitle(SpeedUnit unit);
QString TargetName(double targetMph, SpeedUnit unit);
double SpeedAxisTop(const std::vector<CurveLine>& lines, SpeedUnit unit, double targetMph);
// The colour of the locomotive number `index` of the curve, its bars the same.
QColor LineColour(std::size_t index);
// The sizes of the curve's pen and marks, in points.
inline constexpr double CurvePenPoints = 1.5;
inline constexpr double BarPenPoints = 1.0;
inline constexpr double MarkRadiusPoints = 2.25;
