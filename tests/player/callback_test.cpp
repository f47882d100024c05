// Events reach the caller on the player's callback thread, synchronous kinds
// wait for their answer, and the mask picks the kinds.

#include "platform/thread/event.h"
#include "tests/player/player_fixture.h"

using namespace playertest;

namespace {

class PlayerCallbacks : public SimulatedDevice {
protected:
    void OpenShortSong(CDuoPlayer* p)
    {
        song1 = ToneMp3(440, 0.5);
        song2 = ToneMp3(880, 0.5);
        ASSERT_EQ(p->OpenStream(1, 0, song1.data(), song1.size(), song2.data(), song2.size(), 500), 1)
            << p->GetError();
    }
    std::vector<uint8_t> song1, song2;
};

}  // namespace

TEST_F(PlayerCallbacks, EventsArriveOnTheCallbackThreadNeverTheCallers)
{
    PlayerPtr player;
    RecordingCallback cb;
    ASSERT_EQ(player->SetCallbackFunc(&cb, MP3_MSG_ALL), 1);
    OpenShortSong(player.p);
    ASSERT_EQ(player->Play(), 1);
    ASSERT_TRUE(cb.WaitFor(MP3_MSG_STOP));

    const auto events = cb.Events();
    ASSERT_GE(events.size(), 3u);
    // Play is announced synchronously first, then asynchronously.
    EXPECT_EQ(events[0].kind, MP3_MSG_PLAY_SYNC);
    EXPECT_EQ(events[1].kind, MP3_MSG_PLAY);
    for (const Event& e : events) {
        EXPECT_NE(e.thread, std::this_thread::get_id());
        EXPECT_EQ(e.thread, events[0].thread);
    }
}

TEST_F(PlayerCallbacks, StopArrivesExactlyOnceAtTheEndOfASong)
{
    PlayerPtr player;
    RecordingCallback cb;
    ASSERT_EQ(player->SetCallbackFunc(&cb, MP3_MSG_STOP), 1);
    OpenShortSong(player.p);
    ASSERT_EQ(player->Play(), 1);
    ASSERT_TRUE(cb.WaitFor(MP3_MSG_STOP));
    // Stop after the end changes nothing and sends nothing more.
    EXPECT_EQ(player->Stop(), 0);
    player->Close();
    EXPECT_EQ(cb.Count(MP3_MSG_STOP), 1u);
    EXPECT_EQ(cb.Events().size(), 1u);  // the mask let nothing else through
}

TEST_F(PlayerCallbacks, ASynchronousKindBlocksUntilItsAnswerAndActsOnIt)
{
    PlayerPtr player;
    RecordingCallback cb;
    platform::Event asked(true), release(true);
    cb.answerFor = [&](uint32_t kind) {
        if (kind == MP3_MSG_PLAY_SYNC) {
            asked.Set();
            release.Wait();
            return 1;  // cancels the start
        }
        return 0;
    };
    ASSERT_EQ(player->SetCallbackFunc(&cb, MP3_MSG_PLAY_SYNC | MP3_MSG_STOP), 1);
    OpenShortSong(player.p);

    std::atomic<int> playResult{-1};
    std::thread caller([&] { playResult = player->Play(); });
    EXPECT_TRUE(asked.Wait(20000));
    EXPECT_EQ(playResult.load(), -1);  // still waiting for the answer
    release.Set();
    caller.join();
    EXPECT_EQ(playResult.load(), 1);  // a cancelled start still answers 1
    ASSERT_TRUE(cb.WaitFor(MP3_MSG_STOP));
    EXPECT_TRUE(sim->Recorded().empty());
    MP3_STATUS status;
    player->GetStatus(&status);
    EXPECT_EQ(status.fStop, 1);
}

TEST_F(PlayerCallbacks, AMaskOfZeroSendsNothing)
{
    PlayerPtr player;
    RecordingCallback cb;
    ASSERT_EQ(player->SetCallbackFunc(&cb, 0), 1);
    OpenShortSong(player.p);
    ASSERT_EQ(player->Play(), 1);
    while (true) {
        MP3_STATUS status;
        player->GetStatus(&status);
        if (status.fStop)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    player->Close();
    EXPECT_TRUE(cb.Events().empty());
}

TEST_F(PlayerCallbacks, ReleaseWhileACallbackRunsNeitherHangsNorCrashes)
{
    auto* player = CreateDuoPlayer();
    RecordingCallback cb;
    std::atomic<bool> inCallback{false};
    cb.answerFor = [&](uint32_t kind) {
        if (kind == MP3_MSG_STOP) {
            inCallback = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        return 0;
    };
    ASSERT_EQ(player->SetCallbackFunc(&cb, MP3_MSG_ALL), 1);
    OpenShortSong(player);
    ASSERT_EQ(player->Play(), 1);
    while (!inCallback.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    player->Release();  // waits for the running callback, then ends
    SUCCEED();
}

TEST_F(PlayerCallbacks, ReleaseWithEventsStillQueuedNeitherHangsNorCrashes)
{
    for (int round = 0; round < 5; ++round) {
        auto* player = CreateDuoPlayer();
        RecordingCallback cb;
        cb.answerFor = [](uint32_t) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            return 0;
        };
        ASSERT_EQ(player->SetCallbackFunc(&cb, MP3_MSG_ALL), 1);
        OpenShortSong(player);
        ASSERT_EQ(player->Play(), 1);
        player->Release();
    }
}

TEST_F(PlayerCallbacks, ReplacingTheCallbackSendsLaterEventsToTheNewOne)
{
    PlayerPtr player;
    RecordingCallback first, second;
    ASSERT_EQ(player->SetCallbackFunc(&first, MP3_MSG_ALL), 1);
    ASSERT_EQ(player->SetCallbackFunc(&second, MP3_MSG_STOP), 1);
    OpenShortSong(player.p);
    ASSERT_EQ(player->Play(), 1);
    ASSERT_TRUE(second.WaitFor(MP3_MSG_STOP));
    EXPECT_TRUE(first.Events().empty());
}
