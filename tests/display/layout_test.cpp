// Layout arithmetic: the positions of every control at two inner widths.

#include "display/layout.h"

#include <gtest/gtest.h>

namespace quendar {
namespace {

TEST(LayoutTest, InitialWidthEndsExactlyAtInitialHeight) {
    const Layout l = computeLayout(385);
    EXPECT_EQ(l.digitWidth, 98);
    EXPECT_EQ(l.panelHeight, 129);
    EXPECT_EQ(l.unitWidth, 88);
    EXPECT_EQ(l.digitFields[0], (Rect{1, 40, 98, 129}));
    EXPECT_EQ(l.digitFields[1], (Rect{99, 40, 98, 129}));
    EXPECT_EQ(l.digitFields[2], (Rect{197, 40, 98, 129}));
    EXPECT_EQ(l.unitField, (Rect{295, 40, 88, 129}));
    EXPECT_EQ(l.logo, (Rect{1, 4, 383, 32}));
    EXPECT_EQ(l.buttons[0], (Rect{127, 175, 25, 25}));
    EXPECT_EQ(l.buttons[1], (Rect{162, 175, 25, 25}));
    EXPECT_EQ(l.buttons[2], (Rect{197, 175, 25, 25}));
    EXPECT_EQ(l.buttons[3], (Rect{232, 175, 25, 25}));
    EXPECT_EQ(l.lines[0], (Rect{1, 210, 383, 20}));
    EXPECT_EQ(l.lines[1], (Rect{1, 230, 383, 20}));
    EXPECT_EQ(l.lines[2], (Rect{1, 250, 383, 20}));
    EXPECT_EQ(l.lines[3], (Rect{1, 280, 383, 25}));
    EXPECT_EQ(l.lines[3].y + l.lines[3].height, 305);
}

TEST(LayoutTest, Width800) {
    const Layout l = computeLayout(800);
    EXPECT_EQ(l.digitWidth, 205);
    EXPECT_EQ(l.panelHeight, 269);
    EXPECT_EQ(l.unitWidth, 184);
    EXPECT_EQ(l.digitFields[1].x, 206);
    EXPECT_EQ(l.digitFields[2].x, 411);
    EXPECT_EQ(l.unitField.x, 616);
    EXPECT_EQ(l.logo.x, 208);
    EXPECT_EQ(l.buttons[0].x, 335);
    EXPECT_EQ(l.buttons[1].x, 370);
    EXPECT_EQ(l.buttons[2].x, 405);
    EXPECT_EQ(l.buttons[3].x, 440);
    EXPECT_EQ(l.buttons[0].y, 315);
    EXPECT_EQ(l.lines[0].y, 350);
    EXPECT_EQ(l.lines[1].y, 370);
    EXPECT_EQ(l.lines[2].y, 390);
    EXPECT_EQ(l.lines[3].y, 420);
    EXPECT_EQ(l.lines[0].width, 798);
}

} // namespace
} // namespace quendar
