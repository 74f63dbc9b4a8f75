#include "import_app/ProgressBar.h"

#include <algorithm>
#include <cmath>

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
    Show();
}

void ProgressBar::SetMin(float min) {
    min_ = min;
    Show();
}

void ProgressBar::SetMax(float max) {
    max_ = max;
    Show();
}

void ProgressBar::SetValue(float value) {
    value_ = value;
    Show();
}

void ProgressBar::Show() {
    const int low = static_cast<int>(std::lround(min_));
    const int high = std::max(low, static_cast<int>(std::lround(max_)));
    setRange(low, high);
    setValue(std::clamp(static_cast<int>(std::lround(value_)), low, high));
}
