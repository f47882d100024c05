#include "tests/support/memory_scan.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace testsupport {

namespace {

struct Region {
    uintptr_t start = 0;
    uintptr_t end = 0;
    std::string name;
};

// The private writable mappings that are not backed by a file.
std::vector<Region> WritableRegions()
{
    std::vector<Region> regions;
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        std::istringstream in(line);
        std::string range, perms, offset, device, inode, name;
        in >> range >> perms >> offset >> device >> inode;
        std::getline(in >> std::ws, name);
        if (perms.size() < 4 || perms[0] != 'r' || perms[1] != 'w' || perms[3] != 'p')
            continue;
        if (!name.empty() && name != "[heap]" && name != "[stack]" && name.rfind("[anon", 0) != 0)
            continue;
        Region r;
        if (std::sscanf(range.c_str(), "%" SCNxPTR "-%" SCNxPTR, &r.start, &r.end) != 2)
            continue;
        r.name = name.empty() ? "anonymous" : name;
        regions.push_back(r);
    }
    return regions;
}

}  // namespace

std::vector<std::string> FindInOwnMemory(const char* bytes, size_t size)
{
    std::vector<std::string> found;
    if (!bytes || size == 0)
        return found;
    constexpr size_t kChunk = 1 << 20;
    constexpr uintptr_t kLargestRegion = uintptr_t(16) << 30;
    // The reading buffer has a mapping of its own, so it can be left out.
    void* mapped = ::mmap(nullptr, kChunk + size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return {"cannot map a reading buffer"};
    char* buffer = static_cast<char*>(mapped);
    const auto own = reinterpret_cast<uintptr_t>(mapped);
    const int mem = ::open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
    if (mem < 0) {
        ::munmap(mapped, kChunk + size);
        return {"cannot open /proc/self/mem"};
    }
    for (const Region& r : WritableRegions()) {
        // Past the reading buffer, and past the sanitizers' shadow memory:
        // terabytes reserved in one mapping, never a program's data.
        if ((r.start <= own && own < r.end) || r.end - r.start > kLargestRegion)
            continue;
        // Chunks overlap by size - 1 bytes, so a match across their border
        // is seen.
        for (uintptr_t at = r.start; at < r.end;) {
            const size_t want = std::min<uintptr_t>(kChunk + size - 1, r.end - at);
            const ssize_t got = ::pread(mem, buffer, want, static_cast<off_t>(at));
            if (got <= 0)
                break;
            for (const char* p = buffer; (p = static_cast<const char*>(
                                              ::memmem(p, buffer + got - p, bytes, size))) != nullptr;
                 ++p) {
                char where[96];
                std::snprintf(where, sizeof where, "%#" PRIxPTR " in %s", at + (p - buffer), r.name.c_str());
                found.emplace_back(where);
            }
            if (static_cast<size_t>(got) < want || at + got >= r.end)
                break;
            at += kChunk;
        }
    }
    ::close(mem);
    ::explicit_bzero(buffer, kChunk + size);
    ::munmap(mapped, kChunk + size);
    return found;
}

__attribute__((noinline)) void WipeStackBelowCaller()
{
    // Deeper than the calls a fake service thread makes.
    char below[64 * 1024];
    ::explicit_bzero(below, sizeof below);
}

}  // namespace testsupport
