// kvo_skingen <output folder>: writes every bitmap of the skin manifest.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "kvostudio/libskin/skinmanifest.h"
#include "tools/skingen/art.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: kvo_skingen <output folder>\n");
        return 2;
    }
    std::string dir = argv[1];
    if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "kvo_skingen: cannot create %s: %s\n", dir.c_str(), std::strerror(errno));
        return 1;
    }
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    for (const skin::BitmapSpec& spec : skin::kBitmaps) {
        skingen::Canvas canvas = skingen::Draw(spec);
        if (!skingen::WriteIfChanged(dir + spec.name, canvas.ToBmp())) {
            std::fprintf(stderr, "kvo_skingen: cannot write %s%s\n", dir.c_str(), spec.name);
            return 1;
        }
    }
    return 0;
}
