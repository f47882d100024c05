#include <cstring>

#include "kvostudio/include/convert/auxiliary.h"
#include "kvostudio/include/convert/byteorder.h"

bool ReadKvoHead(std::FILE* f, uint64_t fileSize, KvoHead* head)
{
    *head = KvoHead{};
    uint8_t fixed[12];
    if (fileSize < sizeof fixed || std::fseek(f, 0, SEEK_SET) != 0 || std::fread(fixed, 1, sizeof fixed, f) != sizeof fixed)
        return false;
    std::memcpy(head->signature, fixed, 6);
    head->field = static_cast<uint16_t>(fixed[6] | fixed[7] << 8);
    head->count = Le32(fixed + 8);
    // Every container starts with its tag block and the vocal head block.
    if (head->count < 2 || uint64_t(head->count) * 4 > fileSize - sizeof fixed) return false;
    std::vector<uint8_t> table(size_t(head->count) * 4);
    if (std::fread(table.data(), 1, table.size(), f) != table.size()) return false;
    head->sizes.resize(head->count);
    for (uint32_t i = 0; i < head->count; ++i) head->sizes[i] = Le32(&table[size_t(i) * 4]);
    return true;
}
