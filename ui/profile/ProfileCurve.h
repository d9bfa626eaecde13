// The Profile tab's curve as it grows: the mean speed of each step measured, forward solid and reverse dashed.
#pragma once

#include <QWidget>

#include <map>
#include <utility>
#include <vector>

class ProfileCurve : public QWidget {
    Q_OBJECT

public:
    explicit ProfileCurve(QWidget* parent);
    void Clear();
    // A pass at `step` in a direction, at `mph` scale miles per hour.
    void Add(int step, bool reverse, double mph);
    // The mean of the passes at each step, as drawn.
    double Mean(int step, bool reverse) const;
    void SetTopStep(int top);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::map<std::pair<bool, int>, std::vector<double>> passes_;
    int topStep_ = 126;
};
