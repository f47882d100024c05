// The player's interface: version, error texts, status and refusals of a
// player with nothing open.

#include <cstring>
#include <string>

#include "tests/player/player_fixture.h"

using namespace playertest;

TEST(PlayerInterface, VersionIs240InEveryState)
{
    PlayerPtr player;
    ASSERT_NE(player.p, nullptr);
    EXPECT_EQ(player->GetVersion(), 240);
    player->Play();  // fails: nothing open
    EXPECT_EQ(player->GetVersion(), 240);
    player->Close();
    EXPECT_EQ(player->GetVersion(), 240);
}

TEST(PlayerInterface, OperationsWithNothingOpenFailWithTheirTexts)
{
    PlayerPtr player;
    struct Case {
        int (*call)(CDuoPlayer*);
        const char* text;
    };
    const Case cases[] = {
        {[](CDuoPlayer* p) { return p->Play(); }, "Play->Stream isn't open !"},
        {[](CDuoPlayer* p) { return p->Stop(); }, "Stop->Stream isn't open !"},
        {[](CDuoPlayer* p) { return p->Pause(); }, "Pause->Stream isn't open !"},
        {[](CDuoPlayer* p) { return p->Resume(); }, "Resume->Stream isn't open !"},
        {[](CDuoPlayer* p) {
             ID3_INFO info;
             return p->LoadID3(1, &info);
         },
         "LoadID3->Stream isn't open !"},
        {[](CDuoPlayer* p) { return p->PushDataToStream("a", "b", 1); }, "PushDataToStream->Stream isn't open !"},
        {[](CDuoPlayer* p) { return p->OpenStream(1, 0, nullptr, 0, nullptr, 0, 500); },
         "OpenStream->Can't open NULL stream !"},
        {[](CDuoPlayer* p) { return p->GetStatus(nullptr); },
         "GetStatus->MP3_STATUS *pStatus - this parameter can't be NULL"},
        {[](CDuoPlayer* p) { return p->GetPosition(nullptr); },
         "GetPosition->MP3_TIME *pTime - this parameter can't be NULL"},
        {[](CDuoPlayer* p) { return p->GetSongLengthHMS(nullptr); },
         "GetSongLengthHMS->MP3_TIME *pLength - this parameter can't be NULL"},
        {[](CDuoPlayer* p) { return p->GetMp3Info(nullptr); },
         "GetMp3Info->Invalid parameter !\r\nMP3_STREAM_INFO *pInfo can't be NULL !"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.call(player.p), 0) << c.text;
        EXPECT_STREQ(player->GetError(), c.text);
    }
    // Close of a closed player succeeds and keeps the last text.
    EXPECT_EQ(player->Close(), 1);
    EXPECT_STREQ(player->GetError(), cases[std::size(cases) - 1].text);
}

TEST(PlayerInterface, LongErrorTextsAreCutTo511Characters)
{
    PlayerPtr player;
    const std::string path = "/no/such/" + std::string(600, 'x') + ".mp3";
    EXPECT_EQ(player->OpenMp3File(path.c_str(), 500, 0, 0), 0);
    const std::string text = player->GetError();
    EXPECT_EQ(text.size(), 511u);
    EXPECT_EQ(text.rfind("OpenMp3FileEx->Can't open file:  /no/such/", 0), 0u);
}

TEST(PlayerInterface, StatusOfAClosedPlayerIsStopped)
{
    PlayerPtr player;
    MP3_STATUS status;
    ASSERT_EQ(player->GetStatus(&status), 1);
    EXPECT_EQ(status.fPlay, 0);
    EXPECT_EQ(status.fPause, 0);
    EXPECT_EQ(status.fStop, 1);
}

TEST(PlayerInterface, PositionOfAClosedPlayerIsZero)
{
    PlayerPtr player;
    MP3_TIME time;
    std::memset(&time, 0xAB, sizeof time);
    ASSERT_EQ(player->GetPosition(&time), 1);
    EXPECT_EQ(time.ms, 0u);
    EXPECT_EQ(time.bytes, 0u);
    EXPECT_EQ(player->GetBitrate(0), 0);
}

TEST(PlayerInterface, MixLevelNeverFails)
{
    PlayerPtr player;
    EXPECT_NE(player->SetMixLevel(0.0f), 0);
    EXPECT_NE(player->SetMixLevel(2.5f), 0);
}

TEST(PlayerInterface, ClearingACallbackThatWasNeverSetSucceeds)
{
    PlayerPtr player;
    EXPECT_EQ(player->SetCallbackFunc(nullptr, 0), 1);  // no thread runs: still 1
}

class PlayerDevices : public SimulatedDevice {};

TEST_F(PlayerDevices, DevicesAreListedByNameCutTo31Characters)
{
    const std::string longName = "A sound card whose name is longer than thirty-one characters";
    sim->SetDevices({longName, "Second card"});
    PlayerPtr player;
    EXPECT_EQ(player->EnumerateWaveOut(), 2);
    WAVEOUT_INFO info;
    ASSERT_EQ(player->GetWaveOutInfo(0, &info), 1);
    EXPECT_EQ(std::string(info.ProductName), longName.substr(0, 31));
    ASSERT_EQ(player->GetWaveOutInfo(1, &info), 1);
    EXPECT_STREQ(info.ProductName, "Second card");
    EXPECT_EQ(player->GetWaveOutInfo(2, &info), 0);
    EXPECT_STREQ(player->GetError(), "GetWaveOutInfo->Invalid first parameter. nIndex is out of bounds !");
    EXPECT_EQ(player->GetWaveOutInfo(0, nullptr), 0);
    EXPECT_STREQ(player->GetError(), "GetWaveOutInfo->Invalid second parameter. pWaveOutInfo can't be 0 !");
    EXPECT_EQ(player->SetWaveOutDevice(-1), 1);
    EXPECT_EQ(player->SetWaveOutDevice(1), 1);
    EXPECT_EQ(player->SetWaveOutDevice(2), 0);
    EXPECT_STREQ(player->GetError(), "SetWaveOutDevice->Invalid first parameter. nIndex is out of bounds !");
}

TEST_F(PlayerDevices, WithoutDevicesTheListAndThePlayFail)
{
    sim->SetDevices({});
    PlayerPtr player;
    EXPECT_EQ(player->EnumerateWaveOut(), 0);
    EXPECT_STREQ(player->GetError(), "EnumerateWaveOut->There is no wave-out devices !");
    EXPECT_EQ(player->SetWaveOutDevice(-1), 0);
    EXPECT_STREQ(player->GetError(), "SetWaveOutDevice->There is no wave-out devices !");
    const auto mp3 = ToneMp3(440, 0.5);
    ASSERT_EQ(player->OpenStream(1, 0, mp3.data(), mp3.size(), mp3.data(), mp3.size(), 500), 1);
    EXPECT_EQ(player->Play(), 0);
    EXPECT_STREQ(player->GetError(), "_ThreadFunc->Can't open wave output: WAVE_MAPPER");
    MP3_STATUS status;
    player->GetStatus(&status);
    EXPECT_EQ(status.fStop, 1);
}
