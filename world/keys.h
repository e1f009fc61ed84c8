// The keys that move the player, by the codes their events carry: Windows virtual-key codes,
// the numbering every backend translates its own keys into.
#pragma once

#include <string_view>

namespace quellon::vk {

inline constexpr int kShift = 16;
inline constexpr int kLeft = 37;
inline constexpr int kUp = 38;
inline constexpr int kRight = 39;
inline constexpr int kDown = 40;
inline constexpr int kComma = 188;
inline constexpr int kPeriod = 190;

// The movement keys by the names scripts and pages give them: left, right, up, down, comma and
// period; 0 for any other name.
int named(std::string_view name);

}  // namespace quellon::vk
