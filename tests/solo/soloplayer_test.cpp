// The one-stream player: what differs from the two-stream player, and a
// plain MP3 made by the lame command played through it.

#include <cmath>
#include <cstdlib>

#include "mp3file/src/mp3fileplayer.h"
#include "mp3file/src/soloplayer.h"
#include "tests/player/player_fixture.h"
#include "tests/support/pcm_maker.h"

using namespace playertest;
using testsupport::MiddleToneAmplitude;

namespace {

struct SoloPtr {
    CSoloPlayer* p = CreateSoloPlayer();
    ~SoloPtr()
    {
        if (p)
            p->Release();
    }
    CSoloPlayer* operator->() const { return p; }
};

// The plain callback function of this player gets no object: events are
// collected in one place for the test running now.
RecordingCallback* g_events = nullptr;
int RecordEvent(uint32_t kind, uintptr_t w, uintptr_t l)
{
    return g_events ? g_events->OnPlayerMessage(kind, w, l) : 0;
}

class SoloPlayerTest : public SimulatedDevice {
protected:
    void SetUp() override
    {
        SimulatedDevice::SetUp();
        g_events = &events;
    }
    void TearDown() override
    {
        g_events = nullptr;
        SimulatedDevice::TearDown();
    }
    std::vector<uint8_t> PlayToEnd(CSoloPlayer* p)
    {
        EXPECT_EQ(p->SetCallbackFunc(RecordEvent, MP3_MSG_ALL), 1);
        EXPECT_EQ(p->Play(), 1) << p->GetError();
        EXPECT_TRUE(events.WaitFor(MP3_MSG_STOP));
        return sim->Recorded();
    }

    RecordingCallback events;
    testsupport::TempDir dir;
};

}  // namespace

TEST_F(SoloPlayerTest, VersionAndTheTextsOfItsOwnOperations)
{
    SoloPtr player;
    EXPECT_EQ(player->GetVersion(), 250);
    const std::wstring wide = L"/no/such/folder/s\u00f6ng.mp3";
    EXPECT_EQ(player->Open_Mp3FileW(wide.c_str(), 500, 0, 0), 0);
    EXPECT_STREQ(player->GetError(), "Open_Mp3FileEx->Can't open file:  /no/such/folder/s\xc3\xb6ng.mp3  !");
    EXPECT_EQ(player->OpenStream(1, 0, nullptr, 0, 500), 0);
    EXPECT_STREQ(player->GetError(), "OpenStream->Can't open NULL stream !");
    EXPECT_EQ(player->Get_Mp3Info(nullptr), 0);
    EXPECT_STREQ(player->GetError(), "Get_Mp3Info->Invalid parameter !\r\nMP3_STREAM_INFO *pInfo can't be NULL !");
    const std::vector<uint8_t> junk(4000, 0x11);
    EXPECT_EQ(player->OpenStream(1, 0, junk.data(), junk.size(), 500), 0);
    EXPECT_STREQ(player->GetError(), "_Open_Mp3->Can't find first valid mp3 frame");
    MP3_STATUS status;
    player->GetStatus(&status);
    EXPECT_EQ(status.fStop, 1);
}

TEST_F(SoloPlayerTest, TheCallbackFunctionGetsTheSameKindsAsTheTwoStreamPlayer)
{
    const auto mp3 = ToneMp3(440, 0.5);
    SoloPtr solo;
    ASSERT_EQ(solo->OpenStream(1, 0, mp3.data(), mp3.size(), 500), 1) << solo->GetError();
    PlayToEnd(solo.p);
    std::vector<uint32_t> soloKinds;
    for (const Event& e : events.Events())
        soloKinds.push_back(e.kind);

    sim->ClearRecorded();
    PlayerPtr duo;
    RecordingCallback duoEvents;
    ASSERT_EQ(duo->SetCallbackFunc(&duoEvents, MP3_MSG_ALL), 1);
    ASSERT_EQ(duo->OpenStream(1, 0, mp3.data(), mp3.size(), mp3.data(), mp3.size(), 500), 1);
    ASSERT_EQ(duo->Play(), 1);
    ASSERT_TRUE(duoEvents.WaitFor(MP3_MSG_STOP));
    std::vector<uint32_t> duoKinds;
    for (const Event& e : duoEvents.Events())
        duoKinds.push_back(e.kind);
    EXPECT_EQ(soloKinds, duoKinds);
    EXPECT_NE(events.Events().front().thread, std::this_thread::get_id());
}

TEST_F(SoloPlayerTest, AMonoFilePlaysTheSameSampleOnBothSides)
{
    const auto mono = testsupport::MakeMp3(testsupport::MakeTone(44100, 1, 1.0, 500, 0.5));
    const std::string path = dir.File("mono.mp3");
    testsupport::WriteFile(path, mono);
    SoloPtr player;
    ASSERT_EQ(player->Open_Mp3File(path.c_str(), 500, 0, 0), 1) << player->GetError();
    const auto out = PlayToEnd(player.p);
    ASSERT_GT(out.size(), 4u * 40000);
    const auto* s = reinterpret_cast<const int16_t*>(out.data());
    for (size_t i = 0; i < out.size() / 4; ++i)
        ASSERT_EQ(s[2 * i], s[2 * i + 1]) << "pair " << i;
    EXPECT_NEAR(MiddleToneAmplitude(out, 0, 500), 0.5 * 32768, 0.03 * 32768);  // no 0.7 mix gain
}

TEST_F(SoloPlayerTest, AFileWhoseLastFrameEndsAtItsLastBytePlaysThatFrame)
{
    testsupport::Mp3Options options;
    options.infoFrame = false;
    const auto mp3 = testsupport::MakeMp3(testsupport::MakeTone(44100, 2, 1.0, 440, 0.5), options);
    const auto decoded = testsupport::DecodeMp3(mp3);
    SoloPtr player;
    ASSERT_EQ(player->OpenStream(1, 0, mp3.data(), mp3.size(), 500), 1);
    const auto out = PlayToEnd(player.p);
    EXPECT_EQ(out.size() / 4, decoded.frames * 1152);
}

TEST_F(SoloPlayerTest, APushedStreamEndsAfterItsQueuedDataWhenANullBlockIsPushed)
{
    const auto mp3 = ToneMp3(440, 1.0);
    const size_t half = mp3.size() / 2;
    SoloPtr player;
    ASSERT_EQ(player->OpenStream(1, 1, mp3.data(), half, 500), 1) << player->GetError();
    ASSERT_EQ(player->PushDataToStream(mp3.data() + half, mp3.size() - half), 1);
    ASSERT_EQ(player->PushDataToStream(nullptr, 0), 1);
    const auto out = PlayToEnd(player.p);
    const auto decoded = testsupport::DecodeMp3(mp3);
    EXPECT_NEAR(double(out.size()) / 4, double(decoded.frames - 1) * 1152, 1152);
}

TEST_F(SoloPlayerTest, ADryStreamAnsweredWithTwoGoesOnWithoutWaiting)
{
    const auto mp3 = ToneMp3(440, 0.5);
    for (int copy : {0, 1}) {
        SoloPtr player;
        std::atomic<int> dry{0};
        static std::atomic<int>* s_dry;
        s_dry = &dry;
        auto answerTwoThenEnd = [](uint32_t kind, uintptr_t, uintptr_t) -> int {
            if (kind == MP3_MSG_STREAM_OUT_OF_DATA_SYNC)
                return ++*s_dry < 5 ? 2 : 1;
            return 0;
        };
        ASSERT_EQ(player->OpenStream(copy, 1, mp3.data(), mp3.size(), 500), 1);
        ASSERT_EQ(player->SetCallbackFunc(answerTwoThenEnd, MP3_MSG_STREAM_OUT_OF_DATA_SYNC), 1);
        ASSERT_EQ(player->Play(), 1);
        for (int i = 0; i < 2000; ++i) {
            MP3_STATUS status;
            player->GetStatus(&status);
            if (status.fStop)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        EXPECT_GE(dry.load(), 5) << "copy " << copy;
        player->SetCallbackFunc(nullptr, 0);
    }
}

TEST_F(SoloPlayerTest, APlainMp3MadeByTheLameCommandKeepsItsLengthToneAndLevel)
{
    if (std::system("command -v lame >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "the lame command is not installed";
    const std::string wav = dir.File("tone.wav"), mp3 = dir.File("tone.mp3");
    testsupport::WriteFile(wav, testsupport::WavBytes(testsupport::MakeTone(44100, 2, 3.0, 1000, 0.5)));
    ASSERT_EQ(std::system(("lame --quiet -b 128 '" + wav + "' '" + mp3 + "'").c_str()), 0);

    Mp3FilePlayer player;
    ASSERT_TRUE(player.Open(mp3.c_str()));
    const auto decoded = testsupport::DecodeMp3(testsupport::ReadFile(mp3));
    const double trueSeconds = double(decoded.frames - 1) * 1152 / 44100;
    EXPECT_NEAR(player.GetLengthSeconds(), trueSeconds, 0.027);
    ASSERT_TRUE(player.Play());
    for (int i = 0; i < 2000 && !player.IsPlaying(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    while (player.IsPlaying())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const auto out = sim->Recorded();
    EXPECT_NEAR(double(out.size()) / 4 / 44100, trueSeconds, 0.027);
    EXPECT_NEAR(MiddleToneAmplitude(out, 0, 1000), 0.5 * 32768, 0.03 * 32768);
    EXPECT_NEAR(MiddleToneAmplitude(out, 1, 1000), 0.5 * 32768, 0.03 * 32768);
}

TEST_F(SoloPlayerTest, TheWrapperIsSafeWithoutAPlayerAndKeepsItsVolumeRules)
{
    Mp3FilePlayer player;
    EXPECT_FALSE(player.Open(nullptr));
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(player.GetPositionSeconds(), 0.0f);
    const std::string junk = dir.File("junk.mp3");
    testsupport::WriteFile(junk, std::vector<uint8_t>(5000, 0x42));
    EXPECT_FALSE(player.Open(junk.c_str()));
    EXPECT_FALSE(player.IsPlaying());
    player.Close();

    const std::string path = dir.File("tone.mp3");
    testsupport::WriteFile(path, ToneMp3(440, 1.0));
    ASSERT_TRUE(player.Open(path.c_str()));
    player.SetVolume(0.5f, 0, 0);
    uint32_t l = 0, r = 0;
    player.Player()->GetPlayerVolume(&l, &r);
    EXPECT_EQ(l, 50u);
    EXPECT_EQ(r, 50u);
    player.SetVolume(1.5f, 0, 0);
    EXPECT_EQ(player.VolumePercent(), 150);
    player.SetVolume(-0.2f, 0, 0);
    EXPECT_EQ(player.VolumePercent(), -20);
    player.Player()->GetPlayerVolume(&l, &r);
    EXPECT_EQ(l, 50u);  // neither passed on
    player.Close();
    EXPECT_EQ(player.VolumePercent(), 80);
}
