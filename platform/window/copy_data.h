#pragma once
// Data handed to a window by another program (the second start of the
// program passing its command line to the first): the record the window
// receives with WM_COPYDATA, and the system commands that restore or
// minimise a top-level window.

#include <cstdint>
#include <string>

#include "platform/window/messages.h"

namespace platform {

enum : UINT { WM_COPYDATA = 0x004A };

// lParam of WM_COPYDATA. A posted one is owned by the receiver, which frees
// it with FreeCopyData (as does the poster's drop when the window is gone).
struct COPYDATASTRUCT {
    uintptr_t dwData = 0;  // the sender's code
    uint32_t cbData = 0;   // bytes at lpData
    void* lpData = nullptr;
};

// A record holding a copy of the bytes of 'text' and its terminating zero
// (cbData = size + 1).
COPYDATASTRUCT* MakeCopyData(uintptr_t code, const std::string& text);
void FreeCopyData(LPARAM record);

enum : WPARAM { SC_MINIMIZE = 0xF020, SC_RESTORE = 0xF120 };

}  // namespace platform
