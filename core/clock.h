#pragma once
// The local date and time, behind a seam so that tests can fix the clock.

namespace quendar {

/// A local calendar date and time in whole seconds.
struct DateTime {
    int year = 0;
    int month = 0;  ///< 1 to 12
    int day = 0;    ///< 1 to 31
    int hour = 0;   ///< 0 to 23
    int minute = 0; ///< 0 to 59
    int second = 0; ///< 0 to 60
    friend bool operator==(const DateTime&, const DateTime&) = default;
};

/// Source of the current local date and time.
class Clock {
public:
    virtual ~Clock() = default;
    /// The current local date and time of the operating system, in whole seconds.
    [[nodiscard]] virtual DateTime now() const = 0;
};

/// The operating system's local clock.
class SystemClock final : public Clock {
public:
    /// Reads the local time now.
    [[nodiscard]] DateTime now() const override;
};

} // namespace quendar
