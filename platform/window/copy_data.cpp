#include "platform/window/copy_data.h"

#include <cstring>

namespace platform {

COPYDATASTRUCT* MakeCopyData(uintptr_t code, const std::string& text)
{
    auto* record = new COPYDATASTRUCT;
    record->dwData = code;
    record->cbData = static_cast<uint32_t>(text.size() + 1);
    char* bytes = new char[text.size() + 1];
    std::memcpy(bytes, text.c_str(), text.size() + 1);
    record->lpData = bytes;
    return record;
}

void FreeCopyData(LPARAM record)
{
    auto* r = reinterpret_cast<COPYDATASTRUCT*>(record);
    if (!r)
        return;
    delete[] static_cast<char*>(r->lpData);
    delete r;
}

}  // namespace platform
