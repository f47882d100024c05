#pragma once
// Window messages registered by name at start-up (ids 0xC000..0xFFFF; the
// same name always gives the same id). Windows look them up here.

inline constexpr char kMouseMoveMsgName[] = "WM_MOUSEMOVE_MSG-55E531B1_14D3_11d5_A025_006067718D05";
inline constexpr char kOpenMsgName[] = "WM_OPEN_MSG-44E531B1_14D3_11d5_A025_006067718D04";

// The menu bar's mouse-move notification, delivered by the mouse hook.
unsigned int GetMouseMoveHookMessage();
// Registered, handled by no window.
unsigned int GetOpenMessage();
