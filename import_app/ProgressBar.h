// A progress bar with the programming model of the common-controls bar: Min, Max and Value are
// single-precision numbers, kept as set. Qt's bar counts in integers, so it shows them rounded to
// the nearest whole number (a value beyond the range shows as the nearer end).
#pragma once

#include <QProgressBar>

class ProgressBar : public QProgressBar {
  public:
    explicit ProgressBar(QWidget* parent = nullptr);

    float Min() const { return min_; }
    void SetMin(float min);
    float Max() const { return max_; }
    void SetMax(float max);
    float Value() const { return value_; }
    void SetValue(float value);

  private:
    void Show();

    float min_ = 0;
    float max_ = 100;
    float value_ = 0;
};
