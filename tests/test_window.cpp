// The desktop's window: the whole-number scale that fits a screen.
#include "desktop_support.h"

using namespace desktoptest;

namespace {

TEST(DesktopWindow, ScaleIsTheLargestWholeNumberThatFits)
{
    struct { int w, h, scale; } const cases[] = {
        {320, 240, 1}, {640, 480, 1}, {800, 600, 2}, {1024, 768, 2}, {1366, 768, 2},
        {1920, 1080, 4}, {2560, 1440, 5}, {3840, 2160, 8}, {200, 100, 1}, {5000, 300, 1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(PlatformWindowScale(c.w, c.h), c.scale) << c.w << "x" << c.h;
}

} // namespace
