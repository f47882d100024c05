// The MP3 open path on arbitrary bytes, as a plain MP3 file (mapped by the
// one-stream player) and as both streams of the two-stream player: ID3 tags
// skipped, the first frame found, Xing/Info/VBRI headers read and checked
// against the stream, the frame scan and the length; then seeks by time
// and by bytes through the table of contents and the frame index of
// reverse play.
// fuzz-libs: kvo_mp3file kvo_libkvo
#include "libkvo/src/duoplayer.h"
#include "mp3file/src/soloplayer.h"
#include "tests/fuzz/fuzz_file.h"

namespace {

template <class Player>
void Walk(Player* player)
{
    MP3_TIME length{};
    player->GetSongLengthHMS(&length);
    player->GetBitrate(1);
    for (uint32_t part : {0u, 1u, 2u, 4u}) {
        MP3_TIME at{};
        at.ms = uint32_t(uint64_t(length.ms) * part / 3);
        player->Seek(TIME_FORMAT_MS, &at, SONG_BEGIN);
        MP3_TIME bytes{};
        bytes.bytes = uint32_t(uint64_t(length.bytes) * part / 3);
        player->Seek(TIME_FORMAT_BYTES, &bytes, SONG_BEGIN);
        MP3_TIME now{};
        player->GetPosition(&now);
    }
    player->ReverseMode(1);
    player->ReverseMode(0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Players are made once: each owns threads of its own.
    static CSoloPlayer* solo = CreateSoloPlayer();
    static CDuoPlayer* duo = CreateDuoPlayer();
    static FuzzFile file;
    const std::string path = file.Hold(data, size);
    if (path.empty() || !solo || !duo)
        return 0;
    // Buffer ms 0: no sound device is ever involved.
    if (solo->Open_Mp3File(path.c_str(), 0, 0, 0))
        Walk(solo);
    solo->Close();
    if (size > 0 && duo->OpenStream(1, 0, data, uint32_t(size), data, uint32_t(size), 0))
        Walk(duo);
    duo->Close();
    return 0;
}
