// Stop, Pause, Resume and Release from another thread while the decoding
// thread waits for a free buffer or for pushed data.

#include "tests/player/player_fixture.h"

using namespace playertest;

namespace {

class PlayerThreads : public SimulatedDevice {
protected:
    void SetUp() override
    {
        SimulatedDevice::SetUp();
        mp3 = ToneMp3(440, 3.0);
    }
    std::vector<uint8_t> mp3;
};

}  // namespace

TEST_F(PlayerThreads, OperationsFromAnotherThreadWhileWaitingForABuffer)
{
    sim->SetStepped();  // the device plays nothing: the ring fills and the thread waits
    for (int round = 0; round < 3; ++round) {
        auto* player = CreateDuoPlayer();
        RecordingCallback cb;
        ASSERT_EQ(player->SetCallbackFunc(&cb, MP3_MSG_STOP), 1);
        ASSERT_EQ(player->OpenStream(1, 0, mp3.data(), mp3.size(), mp3.data(), mp3.size(), 500), 1);
        ASSERT_EQ(player->Play(), 1);
        std::thread other([&] {
            player->Pause();
            player->Resume();
            sim->Advance(200);
            if (round == 0)
                player->Stop();
            if (round == 1)
                player->Close();
        });
        other.join();
        if (round == 0) {
            EXPECT_TRUE(cb.WaitFor(MP3_MSG_STOP));
        }
        player->Release();  // round 2: released while still waiting
        EXPECT_LE(cb.Count(MP3_MSG_STOP), 1u);
    }
}

TEST_F(PlayerThreads, StopAndReleaseWhileWaitingForPushedData)
{
    for (int round = 0; round < 2; ++round) {
        auto* player = CreateDuoPlayer();
        RecordingCallback cb;
        // Answer the dry stream with "wait": nothing will be pushed.
        ASSERT_EQ(player->SetCallbackFunc(&cb, MP3_MSG_STREAM_OUT_OF_DATA_SYNC | MP3_MSG_STOP), 1);
        const size_t part = 20000;
        ASSERT_EQ(player->OpenStream(1, 1, mp3.data(), part, mp3.data(), part, 500), 1);
        ASSERT_EQ(player->Play(), 1);
        ASSERT_TRUE(cb.WaitFor(MP3_MSG_STREAM_OUT_OF_DATA_SYNC));
        std::thread other([&] {
            if (round == 0) {
                EXPECT_EQ(player->Stop(), 1);
            }
            player->Release();
        });
        other.join();
        EXPECT_LE(cb.Count(MP3_MSG_STOP), 1u);
    }
}

TEST_F(PlayerThreads, ManyPlaysAndStopsInARowLeaveNothingBehind)
{
    sim->SetRealTime(4.0);
    PlayerPtr player;
    ASSERT_EQ(player->OpenStream(1, 0, mp3.data(), mp3.size(), mp3.data(), mp3.size(), 500), 1);
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(player->Play(), 1) << player->GetError();
        std::this_thread::sleep_for(std::chrono::milliseconds(i % 3));
        if (i % 2)
            player->Pause();
        EXPECT_EQ(player->Stop(), 1);
    }
    EXPECT_EQ(sim->OpenDevices(), 0);
}
