// Pausing close to the end of a song, when the ring of wave buffers already
// holds all that is left: the song stays paused where it was, and Resume
// plays the rest before the song ends, once. For the two-stream player
// (500 ms of buffers) and the plain-MP3 file player (800 ms).

#include <chrono>
#include <functional>

#include "mp3file/src/mp3fileplayer.h"
#include "tests/player/player_fixture.h"
#include "tests/support/temp_files.h"

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

    // Plays until 'beforeEndMs' before the end, pauses for a second, resumes
    // and plays to the end; returns the samples the device received.
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

        // Time enough for the decoder to hand all it can to the device.
        std::this_thread::sleep_for(std::chrono::seconds(1));
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
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(events.Count(MP3_MSG_STOP), 1u);
        return sim->RecordedSize() / 4;
    }

    testsupport::TempDir dir;
};

// Samples of the song: its audio frames (the Info frame is not part of it).
size_t SongSamples(const std::vector<uint8_t>& mp3)
{
    return (testsupport::DecodeMp3(mp3).frames - 1) * 1152;
}

uint32_t Ms(const std::function<int(MP3_TIME*)>& get)
{
    MP3_TIME t{};
    get(&t);
    return t.ms;
}

// Either player's transport, which has the same operations in both.
template <typename Player>
Transport TransportOf(Player* p)
{
    return {[p] { return p->Play(); }, [p] { return p->Pause(); }, [p](MP3_STATUS* s) { return p->GetStatus(s); },
            [p] { return Ms([p](MP3_TIME* m) { return p->GetPosition(m); }); },
            [p] { return Ms([p](MP3_TIME* m) { return p->GetSongLengthHMS(m); }); }};
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
        const Transport t = TransportOf(p);
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
        const Transport t = TransportOf(p);
        const size_t played = PlayPausedNearTheEnd(t, events, beforeEnd);
        EXPECT_NEAR(double(played), double(SongSamples(mp3)), 1152) << beforeEnd << " ms before the end";
        file.Close();
        g_soloEvents = nullptr;
    }
}
