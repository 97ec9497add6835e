#pragma once
// Where every control of the main window stands for a given inner width. Pure arithmetic, so the
// layout can be checked without a window.

#include <array>

namespace quendar {

/// A control's rectangle in the window's inner area, in pixels.
struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

/// The sizes and positions that follow from one inner width.
struct Layout {
    int innerWidth = 0;
    int digitWidth = 0;
    int panelHeight = 0;
    int unitWidth = 0;
    std::array<Rect, 3> digitFields{}; ///< left, middle, right
    Rect unitField{};
    Rect logo{};                   ///< width and height are the logo's own (383 × 32)
    std::array<Rect, 4> buttons{}; ///< port, log, statistics, cancel
    std::array<Rect, 4> lines{};   ///< info, measure, statistics, speed
};

/// Y of the speed panel's fields; never changes.
inline constexpr int kPanelTop = 40;

/// Computes the layout for `innerWidth`: the three panel sizes rounded to nearest (ties to even),
/// halvings by integer division.
[[nodiscard]] Layout computeLayout(int innerWidth);

} // namespace quendar
