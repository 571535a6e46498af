#pragma once
// The classic virtual-key codes the screens' key handlers compare with (what
// vb_key_code makes of a Qt key event). No widget is needed to use them.

namespace k4::vk {
constexpr int Back = 8, Tab = 9, Return = 13, Shift = 16, Control = 17, Menu = 18, Pause = 19,
              Capital = 20, Escape = 27, Space = 32, Prior = 33, Next = 34, End = 35, Home = 36,
              Left = 37, Up = 38, Right = 39, Down = 40, Insert = 45, Delete = 46, F1 = 112,
              F2 = 113, F3 = 114, F4 = 115, F5 = 116, F12 = 123, F24 = 135;
}  // namespace k4::vk
