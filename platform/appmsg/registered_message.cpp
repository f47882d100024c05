#include "platform/appmsg/registered_message.h"

#include <mutex>
#include <string>
#include <unordered_map>

namespace platform {
namespace {

struct Table {
    std::mutex mutex;
    std::unordered_map<std::string, uint32_t> ids;
    uint32_t next = kFirstRegisteredMessage;
};

// Built on first use, so registrations made by other modules' static
// initialisers find it ready whatever the initialisation order.
Table& TheTable()
{
    static Table table;
    return table;
}

std::string FoldCase(std::string_view name)
{
    std::string key(name);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return key;
}

}  // namespace

uint32_t RegisterWindowMessage(std::string_view name)
{
    if (name.empty()) return 0;
    Table& table = TheTable();
    std::string key = FoldCase(name);
    std::lock_guard<std::mutex> lock(table.mutex);
    auto found = table.ids.find(key);
    if (found != table.ids.end()) return found->second;
    if (table.next > kLastRegisteredMessage) return 0;
    uint32_t id = table.next++;
    table.ids.emplace(std::move(key), id);
    return id;
}

}  // namespace platform
