// The ID3 reader on arbitrary files: tags of every version, frames, text
// decoding of every frame found, and the audio scan behind the tag.
// fuzz-sources: kvostudio/libskin/id3*.cpp kvostudio/libskin/mpegaudioinfo.cpp
// fuzz-sources: kvostudio/logfile.cpp kvostudio/folders.cpp
// fuzz-libs: kvo_platform_fs kvo_platform_text kvo_platform_filemap
#include <cstring>

#include "kvostudio/libskin/id3tagv2.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzFile file;
    const std::string path = file.Hold(data, size);
    if (path.empty()) return 0;
    CId3tagv2 tag;
    tag.Read(path.c_str());
    size_t total = tag.GetTitle().size() + tag.GetArtist().size() + tag.GetLyrics().size() +
                   tag.GetUserText().size() + tag.GetDurationSeconds() + tag.GetBitrateKbps();
    for (const auto& [key, frame] : tag.Frames()) {
        char id[5] = {};
        std::memcpy(id, frame.id, 4);
        total += tag.GetFrameText(id).size();
    }
    // Editing what was read must hold together too.
    tag.SetFrameText("COMM", "x\xC3\xBF");
    tag.SetFrameText("WXXX", "y");
    total += tag.GetFrameText("COMM").size() + tag.GetFrameText("WXXX").size();
    return total == size_t(-1);
}
