#include "kvostudio/libskin/skinbitmap.h"

#include "kvostudio/folders.h"

platform::Bitmap LoadSkinBitmap(const std::string& name)
{
    if (name.empty())
        return {};
    const std::string folder = GetSkinFolder();
    if (folder.empty())
        return {};
    return platform::Bitmap::Load(folder + name);
}
