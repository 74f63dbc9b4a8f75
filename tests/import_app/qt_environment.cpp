// The window's tests run on one QApplication on the offscreen platform.
#include "offscreen_qt.h"

namespace {

testing::Environment* const qtEnvironment =
    testing::AddGlobalTestEnvironment(new testsupport::OffscreenQtEnvironment);

}  // namespace
