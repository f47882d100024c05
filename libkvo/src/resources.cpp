#include "libkvo/src/resources.h"

#include <strings.h>

const ResourceEntry* FindResourceEntry(const ResourceModule* module, const char* name, const char* type)
{
    if (!module || !module->entries || !name || !type)
        return nullptr;
    for (size_t i = 0; i < module->count; ++i) {
        const ResourceEntry& e = module->entries[i];
        if (e.name && e.type && strcasecmp(e.name, name) == 0 && strcasecmp(e.type, type) == 0)
            return &e;
    }
    return nullptr;
}
