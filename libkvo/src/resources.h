#pragma once
// Songs built into a program: a table of named, typed byte blocks that the
// players can open like a file (OpenMp3Resource). A ResourceModule stands
// for the module whose resources are searched.

#include <cstddef>
#include <cstdint>

struct ResourceEntry {
    const char* name;
    const char* type;
    const void* data;
    uint32_t size;
};

struct ResourceModule {
    const ResourceEntry* entries;
    size_t count;
};

// The entry with this name and type (compared without regard to case, as
// resource names are); null when the module has none.
const ResourceEntry* FindResourceEntry(const ResourceModule* module, const char* name, const char* type);
