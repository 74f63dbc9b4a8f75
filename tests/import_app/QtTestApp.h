// One QApplication for a test program, on Qt's offscreen platform so that widget tests run
// without a screen.
#pragma once

#include <QApplication>
#include <cstdlib>

inline QApplication& QtTestApp() {
    static int argc = 1;
    static char name[] = "tests";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}
