// For tests of widgets: a QApplication on the offscreen platform for the whole test program, and
// a way to act on a modal dialog once it shows.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include <QApplication>
#include <QTimer>

namespace testsupport {

class OffscreenQtEnvironment : public testing::Environment {
  public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "widget-tests";
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
    }
    void TearDown() override { delete app_; }

  private:
    QApplication* app_ = nullptr;
};

// Runs `handle` on the modal dialog once it is shown (for a call that shows one and waits).
inline void WhenModalShows(std::function<void(QWidget&)> handle) {
    QTimer::singleShot(10, [handle] {
        if (QWidget* dialog = QApplication::activeModalWidget())
            handle(*dialog);
        else
            WhenModalShows(handle);
    });
}

}  // namespace testsupport
