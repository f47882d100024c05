#include "platform/window/message_map.h"

namespace platform {

bool MessageMap::Entry::Matches(const Message& msg) const
{
    if (msg.message != message)
        return false;
    if (message == WM_COMMAND) {
        const int id = LOWORD(msg.wParam);
        const int code = HIWORD(msg.wParam);
        return (anyId || (id >= firstId && id <= lastId)) && (anyCode || code == this->code);
    }
    if (message == WM_NOTIFY) {
        const auto* hdr = reinterpret_cast<const NMHDR*>(msg.lParam);
        if (!hdr)
            return false;
        const int id = static_cast<int>(hdr->idFrom);
        return (anyId || (id >= firstId && id <= lastId)) && (anyCode || hdr->code == code);
    }
    return true;
}

MessageMap::MessageMap(const MessageMap* base, std::initializer_list<Entry> entries)
    : base_(base), entries_(entries)
{
}

const MessageMap::Entry* MessageMap::FindHere(const Message& msg) const
{
    for (const Entry& e : entries_)
        if (e.Matches(msg))
            return &e;
    return nullptr;
}

MessageMap::Entry MessageMap::CommandEntry(int firstId, int lastId, int code, bool anyCode)
{
    Entry e;
    e.message = WM_COMMAND;
    e.firstId = firstId;
    e.lastId = lastId;
    e.anyId = false;
    e.code = code;
    e.anyCode = anyCode;
    return e;
}

}  // namespace platform
