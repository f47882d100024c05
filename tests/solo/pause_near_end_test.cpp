// Pausing close to the end of a song, when the ring of wave buffers already
// holds all that is left: the song stays paused where it was, and Resume
// plays the rest before the song ends, once. For the two-stream player
// (500 ms of buffers) and the plain-MP3 file player (800 ms).

#include <chrono>
#include <functional>

#include "mp3file/src/mp3fileplayer.h"
#include "tests/player/player_fixture.h"
#include "tests/support/temp_files.h"
#include "tests/support/wait_until.h"

using namespace playertest;

namespace {

RecordingCallback* g_soloEvents = nullptr;
int RecordSoloEvent(uint32_t kind, uintptr_t w, uintptr_t l)
{
    return g_soloEvents ? g_soloEvents->OnPlayerMessage(kind, w, l) : 0;
}

// What the test needs of either player.
struct Transport {
    std::function<int()> play;
    std::function<int()> pause;
    std::function<int(MP3_STATUS*)> status;
    std::function<uint32_t()> positionMs;
    std::function<uint32_t()> lengthMs;
    // How far into the song the decoder has read, and where the song ends,
    // in bytes from its first audio frame.
    std::function<uint32_t()> decodedBytes;
    std::function<uint32_t()> songBytes;
};

class PauseNearTheEnd : public SimulatedDevice {
protected:
    void SetUp() override
    {
        SimulatedDevice::SetUp();
        sim->SetStepped();
    }
    void TearDown() override
    {
        g_soloEvents = nullptr;
        SimulatedDevice::TearDown();
    }

    // Plays until 'beforeEndMs' before the end, pauses until the decoder has
    // handed the rest of the song to the device, resumes and plays to the
    // end; returns the samples the device received.
    size_t PlayPausedNearTheEnd(const Transport& t, RecordingCallback& events, uint32_t beforeEndMs)
    {
        sim->ClearRecorded();
        EXPECT_EQ(t.play(), 1);
        const uint32_t pauseAt = t.lengthMs() - beforeEndMs;
        // The stepped device plays only what the decoder has queued: a step
        // that found nothing queued gives the decoder a moment.
        for (int i = 0; i < 20000 && t.positionMs() < pauseAt; ++i) {
            const uint32_t before = t.positionMs();
            sim->Advance(10);
            if (t.positionMs() == before)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        const uint32_t pausedAt = t.positionMs();
        EXPECT_GE(pausedAt, pauseAt);
        EXPECT_LT(pausedAt, pauseAt + 100);
        EXPECT_EQ(t.pause(), 1);

        // The decoder goes on while the device is paused, and where the ring
        // has room for the whole tail it reads the song's last frame: that is
        // where the fault was, so the test waits for it. Where the tail does
        // not fit (700 ms before the end of the file player's 800 ms ring)
        // the decoder stops a frame or so short and the second it is given
        // is the time in which a wrong end would show.
        testsupport::WaitUntil([&] { return t.decodedBytes() >= t.songBytes(); }, 1000);
        // Reaching the end while paused must neither end the song nor drop
        // what the device holds: a stop would come within moments.
        EXPECT_FALSE(events.WaitFor(MP3_MSG_STOP, 1, 300));
        sim->Advance(1000);
        MP3_STATUS status;
        t.status(&status);
        EXPECT_EQ(status.fPause, 1);
        EXPECT_EQ(status.fStop, 0);
        EXPECT_EQ(events.Count(MP3_MSG_STOP), 0u);
        EXPECT_EQ(t.positionMs(), pausedAt);

        EXPECT_EQ(t.play(), 1);  // resumes
        for (int i = 0; i < 400 && !events.WaitFor(MP3_MSG_STOP, 1, 5); ++i)
            sim->Advance(20);
        EXPECT_TRUE(events.WaitFor(MP3_MSG_STOP, 1, 1000));
        EXPECT_FALSE(events.WaitFor(MP3_MSG_STOP, 2, 100)) << "the song ended twice";
        return sim->RecordedSize() / 4;
    }

    testsupport::TempDir dir;
};

// Samples of the song: its audio frames (the Info frame is not part of it).
size_t SongSamples(const std::vector<uint8_t>& mp3)
{
    return (testsupport::DecodeMp3(mp3).frames - 1) * 1152;
}

MP3_TIME Time(const std::function<int(MP3_TIME*)>& get)
{
    MP3_TIME t{};
    get(&t);
    return t;
}

// Either player's transport, which has the same operations in both (but
// for the name of the stream query).
template <typename Player>
Transport TransportOf(Player* p, const std::function<int(MP3_STREAM_INFO*)>& info)
{
    return {[p] { return p->Play(); },
            [p] { return p->Pause(); },
            [p](MP3_STATUS* s) { return p->GetStatus(s); },
            [p] { return Time([p](MP3_TIME* m) { return p->GetPosition(m); }).ms; },
            [p] { return Time([p](MP3_TIME* m) { return p->GetSongLengthHMS(m); }).ms; },
            [p] { return Time([p](MP3_TIME* m) { return p->GetPosition(m); }).bytes; },
            [p, info] {
                MP3_STREAM_INFO i{};
                info(&i);
                return Time([p](MP3_TIME* m) { return p->GetSongLengthHMS(m); }).bytes - i.nHeaderStart;
            }};
}

}  // namespace

// Each player is paused where users met the fault and deeper in the last
// buffered stretch: how much of it the ring holds depends on where the
// song's last buffer ends.
TEST_F(PauseNearTheEnd, TheTwoStreamPlayerKeepsTheTailAndEndsOnce)
{
    const auto a = ToneMp3(440, 2.0);
    const auto b = ToneMp3(660, 2.0);
    for (uint32_t beforeEnd : {300u, 150u}) {
        PlayerPtr player;
        ASSERT_EQ(player->OpenStream(1, 0, a.data(), a.size(), b.data(), b.size(), 500), 1) << player->GetError();
        RecordingCallback events;
        ASSERT_EQ(player->SetCallbackFunc(&events, MP3_MSG_STOP), 1);
        CDuoPlayer* p = player.p;
        const Transport t = TransportOf(p, [p](MP3_STREAM_INFO* i) { return p->GetMp3Info(i); });
        const size_t played = PlayPausedNearTheEnd(t, events, beforeEnd);
        EXPECT_NEAR(double(played), double(SongSamples(a)), 1152) << beforeEnd << " ms before the end";
    }
}

TEST_F(PauseNearTheEnd, TheFilePlayerKeepsTheTailAndEndsOnce)
{
    const auto mp3 = ToneMp3(440, 2.5);
    const std::string path = dir.File("song.mp3");
    testsupport::WriteFile(path, mp3);
    for (uint32_t beforeEnd : {700u, 400u}) {
        Mp3FilePlayer file;
        ASSERT_TRUE(file.Open(path.c_str()));
        RecordingCallback events;
        g_soloEvents = &events;
        ASSERT_EQ(file.Player()->SetCallbackFunc(RecordSoloEvent, MP3_MSG_STOP), 1);
        CSoloPlayer* p = file.Player();
        const Transport t = TransportOf(p, [p](MP3_STREAM_INFO* i) { return p->Get_Mp3Info(i); });
        const size_t played = PlayPausedNearTheEnd(t, events, beforeEnd);
        EXPECT_NEAR(double(played), double(SongSamples(mp3)), 1152) << beforeEnd << " ms before the end";
        file.Close();
        g_soloEvents = nullptr;
    }
}
