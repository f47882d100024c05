// The container reader on arbitrary files: the head and its size table,
// the chunk pairs read whole and streamed, the two streams handed to the
// player (tags, first frames, VBR headers, the frame scan) and a seek into
// what it opened.
// fuzz-libs: kvo_libkvo
#include "libkvo/src/kvofile.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FuzzFile file;
    const std::string path = file.Hold(data, size);
    if (path.empty())
        return 0;
    for (bool streaming : {false, true}) {
        KvoFile kvo;
        if (!kvo.Open(path.c_str(), streaming))
            continue;
        const float length = kvo.GetLengthSeconds();
        if (!(length >= 0.0f))
            __builtin_trap();
        // A seek moves the player without playing (the reader's own seek
        // would start the sound device).
        MP3_TIME target{};
        target.ms = static_cast<uint32_t>(length * 500.0f);
        kvo.Player()->Seek(TIME_FORMAT_MS, &target, SONG_BEGIN);
        MP3_TIME now{};
        kvo.Player()->GetPosition(&now);
    }
    return 0;
}
