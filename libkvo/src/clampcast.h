#pragma once
// Real numbers to integers without undefined behaviour: a value the
// integer type cannot hold is clamped to the type's range in floating point
// before the cast, NaN becomes 0, and the fraction is truncated toward zero.
// Lengths, rates and positions worked out from a file's headers can be
// anything, so every such conversion goes through here.

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

template <class Int>
Int ClampedCast(double value)
{
    static_assert(std::is_integral_v<Int>);
    if (std::isnan(value))
        return 0;
    // The largest value of a 32- or 64-bit type rounds up when it is made a
    // double, so the upper test is ">=" against that rounded value.
    constexpr double lowest = static_cast<double>(std::numeric_limits<Int>::lowest());
    constexpr double highest = static_cast<double>(std::numeric_limits<Int>::max());
    if (value <= lowest)
        return std::numeric_limits<Int>::lowest();
    if (value >= highest)
        return std::numeric_limits<Int>::max();
    return static_cast<Int>(value);
}
