#pragma once
// Screen-wide mouse pointer values: what the screens ask for while they work,
// and what start-up turns into Qt's override cursor.

namespace k4::pointer {

constexpr int standard = 0;
constexpr int arrow = 1;
constexpr int hourglass = 11;

}  // namespace k4::pointer
