#include "display/layout.h"

#include <cmath>

namespace quendar {
namespace {

// std::nearbyint rounds halves to even in the default rounding mode, which is the rule here.
int roundedQuotient(int numerator, double divisor) {
    return static_cast<int>(std::nearbyint(static_cast<double>(numerator) / divisor));
}

} // namespace

Layout computeLayout(int innerWidth) {
    Layout l;
    const int w = innerWidth;
    l.innerWidth = w;
    l.digitWidth = roundedQuotient(w - 2, 3.9);
    l.panelHeight = roundedQuotient(w - 2, 2.97);
    l.unitWidth = roundedQuotient(w - 2, 4.34);

    for (int i = 0; i < 3; ++i) {
        l.digitFields[i] = Rect{i * l.digitWidth + 1, kPanelTop, l.digitWidth, l.panelHeight};
    }
    l.unitField = Rect{3 * l.digitWidth + 1, kPanelTop, l.unitWidth, l.panelHeight};
    l.logo = Rect{(w - 383) / 2, 4, 383, 32};

    const int half = w / 2;
    const int buttonY = l.panelHeight + 46;
    const std::array<int, 4> buttonX = {half - 65, half - 30, half + 5, half + 40};
    for (int i = 0; i < 4; ++i) {
        l.buttons[i] = Rect{buttonX[i], buttonY, 25, 25};
    }

    const std::array<int, 4> lineY = {81, 101, 121, 151};
    const std::array<int, 4> lineHeight = {20, 20, 20, 25};
    for (int i = 0; i < 4; ++i) {
        l.lines[i] = Rect{1, l.panelHeight + lineY[i], w - 2, lineHeight[i]};
    }
    return l;
}

} // namespace quendar
