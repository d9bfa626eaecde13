// The speed curve drawn with Qt Charts.
#include "ui/log/SpeedCurve.h"

#include <QChart>
#include <QCoreApplication>
#include <QGraphicsLayout>
#include <QChartView>
#include <QGraphicsScene>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>

namespace {

struct Drawn {
    std::vector<CurveLine> lines;
    SpeedUnit unit = SpeedUnit::Mph;
    double targetMph = 0.0;
};

QLineSeries* AddSeries(QChart& chart, const QString& name, const QList<QPointF>& points)
{
    auto* series = new QLineSeries(&chart);
    series->setName(name);
    series->append(points);
    chart.addSeries(series);
    return series;
}

// A chart of `drawn`: the means of each line (points shown), a bar from lowest to
// highest at each of its steps in the same colour, and the target across.
void Fill(QChart& chart, const Drawn& drawn)
{
    chart.removeAllSeries();
    for (QAbstractAxis* axis : chart.axes()) {
        chart.removeAxis(axis);
        delete axis;
    }
    int lowStep = 0;
    int highStep = 1;
    for (const CurveLine& line : drawn.lines) {
        for (const CurvePoint& point : line.points) {
            highStep = std::max(highStep, point.throttle);
        }
    }
    auto* steps = new QValueAxis(&chart);
    steps->setTitleText(QStringLiteral("Throttle step"));
    steps->setLabelFormat(QStringLiteral("%d"));
    steps->setRange(lowStep, highStep + 1);
    steps->applyNiceNumbers();
    auto* speeds = new QValueAxis(&chart);
    speeds->setTitleText(SpeedAxisTitle(drawn.unit));
    speeds->setLabelFormat(QStringLiteral("%.0f"));
    speeds->setRange(0.0, SpeedAxisTop(drawn.lines, drawn.unit, drawn.targetMph));
    speeds->applyNiceNumbers();
    chart.addAxis(steps, Qt::AlignBottom);
    chart.addAxis(speeds, Qt::AlignLeft);
    const auto attach = [&](QLineSeries* series) {
        series->attachAxis(steps);
        series->attachAxis(speeds);
    };
    for (std::size_t i = 0; i < drawn.lines.size(); ++i) {
        const CurveLine& line = drawn.lines.at(i);
        QList<QPointF> means;
        for (const CurvePoint& point : line.points) {
            means << QPointF(point.throttle, InUnit(point.mean, drawn.unit));
        }
        QLineSeries* series = AddSeries(chart, line.name, means);
        series->setPointsVisible(true);
        series->setColor(LineColour(i));
        attach(series);
        for (const CurvePoint& point : line.points) {
            QLineSeries* bar =
                AddSeries(chart, QStringLiteral("%1, step %2: lowest to highest").arg(line.name).arg(point.throttle),
                          {QPointF(point.throttle, InUnit(point.min, drawn.unit)),
                           QPointF(point.throttle, InUnit(point.max, drawn.unit))});
            bar->setColor(series->color());
            attach(bar);
            for (QLegendMarker* marker : chart.legend()->markers(bar)) {
                marker->setVisible(false);
            }
        }
    }
    if (drawn.targetMph > 0.0) {
        const double target = InUnit(drawn.targetMph, drawn.unit);
        QLineSeries* line = AddSeries(chart, TargetName(drawn.targetMph, drawn.unit),
                                      {QPointF(steps->min(), target), QPointF(steps->max(), target)});
        QPen pen(Qt::darkGray, 2, Qt::DashLine);
        line->setPen(pen);
        attach(line);
    }
    chart.legend()->setAlignment(Qt::AlignBottom);
    chart.setMargins(QMargins(4, 4, 4, 4));
    chart.setBackgroundRoundness(0);
}

}  // namespace

struct SpeedCurve::Parts {
    QChartView* view = nullptr;
    Drawn drawn;
};

SpeedCurve::SpeedCurve(QWidget* parent) : QWidget(parent), parts_(std::make_unique<Parts>())
{
    auto* chart = new QChart;
    chart->setObjectName(QStringLiteral("chtCurve"));
    parts_->view = new QChartView(chart, this);
    parts_->view->setObjectName(QStringLiteral("vwCurve"));
    parts_->view->setRenderHint(QPainter::Antialiasing);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(parts_->view);
    Fill(*chart, parts_->drawn);
}

SpeedCurve::~SpeedCurve() = default;

void SpeedCurve::Show(const std::vector<CurveLine>& lines, SpeedUnit unit, double targetMph)
{
    parts_->drawn = Drawn{lines, unit, targetMph};
    Fill(*parts_->view->chart(), parts_->drawn);
}

void SpeedCurve::Render(QPainter& painter, const QRectF& target) const
{
    // A chart of its own at the page's size: the one on screen keeps its size.
    QGraphicsScene scene;
    auto* chart = new QChart;
    scene.addItem(chart);
    const QSizeF size(900.0, 900.0 * target.height() / target.width());
    chart->resize(size);
    Fill(*chart, parts_->drawn);
    // A chart places its axes, labels and legend when its layout requests come round;
    // off screen they must come now.
    QCoreApplication::sendPostedEvents();
    chart->layout()->activate();
    scene.render(&painter, target, QRectF(QPointF(0, 0), size));
}
