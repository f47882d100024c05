// The container reader: well-formed containers open and play their two
// streams in whole-file and streaming mode; malformed ones are refused.

#include <algorithm>
#include <cmath>

#include "libkvo/src/kvofile.h"
#include "tests/player/player_fixture.h"
#include "tests/support/kvo_writer.h"

using namespace playertest;
using testsupport::KvoContent;
using testsupport::KvoFault;
using testsupport::KvoFaultSpec;

namespace {

class KvoFileTest : public SimulatedDevice {
protected:
    void SetUp() override
    {
        SimulatedDevice::SetUp();
        content.tag = testsupport::MakeKvoTag({"Title", "Artist", u"la la", "", {}});
        content.head = {1, 2, 3, 4};
        content.stream1 = ToneMp3(440, seconds);
        content.stream2 = ToneMp3(1000, seconds);
        content.pieceSize = 3000;
    }
    std::string Write(const KvoFaultSpec& fault = {})
    {
        const std::string path = dir.File("song.kvo");
        testsupport::WriteFile(path, testsupport::WriteKvo(content, fault));
        return path;
    }
    // Plays to the end; returns the bytes the device played.
    std::vector<uint8_t> PlayToEnd(KvoFile& kvo)
    {
        EXPECT_TRUE(kvo.Play());
        return PlayedToEnd(kvo);
    }
    // Waits for the song started to end; the bytes the device played.
    std::vector<uint8_t> PlayedToEnd(KvoFile& kvo)
    {
        for (int i = 0; i < 2000 && !kvo.IsPlaying(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        while (kvo.IsPlaying())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return sim->Recorded();
    }

    double seconds = 1.5;
    KvoContent content;
    testsupport::TempDir dir;
};

}  // namespace

TEST_F(KvoFileTest, AWholeFileContainerOpensWithItsLengthAndPlaysToTheEnd)
{
    KvoFile kvo;
    ASSERT_TRUE(kvo.Open(Write().c_str(), false));
    const auto decoded = testsupport::DecodeMp3(content.stream1);
    const double trueSeconds = double(decoded.frames - 1) * 1152 / 44100;
    EXPECT_NEAR(kvo.GetLengthSeconds(), trueSeconds, 0.027);
    const auto out = PlayToEnd(kvo);
    EXPECT_NEAR(double(out.size()) / 4 / 44100, trueSeconds, 0.03);
    EXPECT_FALSE(kvo.IsPlaying());
}

TEST_F(KvoFileTest, ASeekPlaysFromThePlaceAskedEveryTime)
{
    KvoFile kvo;
    ASSERT_TRUE(kvo.Open(Write().c_str(), false));
    const double length = kvo.GetLengthSeconds();
    // The same place each time, to within the frame it lands on; before
    // the start is the start.
    for (float at : {0.5f, 0.5f, 0.5f, 0.0f, -1.0f}) {
        SCOPED_TRACE(at);
        sim->ClearRecorded();
        ASSERT_NE(kvo.SeekSeconds(at), 0);
        const auto out = PlayedToEnd(kvo);
        EXPECT_NEAR(double(out.size()) / 4 / 44100, length - std::max(at, 0.0f), 0.027);
    }
}

TEST_F(KvoFileTest, StreamingModePlaysTheSameSongAndHasNoLength)
{
    seconds = 3.0;  // several refills of 20000 bytes
    SetUp();
    KvoFile whole;
    ASSERT_TRUE(whole.Open(Write().c_str(), false));
    const auto reference = PlayToEnd(whole);
    whole.Close();
    sim->ClearRecorded();

    KvoFile streaming;
    ASSERT_TRUE(streaming.Open(Write().c_str(), true));
    EXPECT_EQ(streaming.GetLengthSeconds(), 0.0f);
    const auto out = PlayToEnd(streaming);
    ASSERT_EQ(out.size(), reference.size());
    EXPECT_TRUE(out == reference);
}

TEST_F(KvoFileTest, AStreamingPairLargerThanARefillIsStillPlayed)
{
    seconds = 3.0;
    SetUp();
    content.pieceSize = 30000;  // above the 20000-byte refill
    KvoFile whole;
    ASSERT_TRUE(whole.Open(Write().c_str(), false));
    const auto reference = PlayToEnd(whole);
    whole.Close();
    sim->ClearRecorded();

    KvoFile streaming;
    ASSERT_TRUE(streaming.Open(Write().c_str(), true));
    EXPECT_EQ(PlayToEnd(streaming).size(), reference.size());
}

TEST_F(KvoFileTest, StreamsOfDifferentLengthsPlayToTheEndOfTheLongerOne)
{
    // The writer pads the shorter stream's pieces with zero bytes, as a
    // container carries it; the shorter stream is silent for the rest.
    struct Case {
        const char* name;
        double accompaniment, vocal;
    };
    for (const Case& c : {Case{"short vocal", 3.0, 1.0}, Case{"short accompaniment", 1.0, 3.0}}) {
        for (bool streaming : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (streaming ? ", streaming" : ", whole file"));
            content.stream1 = ToneMp3(440, c.accompaniment);
            content.stream2 = ToneMp3(1000, c.vocal);
            const double longest = std::max(c.accompaniment, c.vocal);
            const double frame = 1152.0 / 44100;
            KvoFile kvo;
            ASSERT_TRUE(kvo.Open(Write().c_str(), streaming));
            if (!streaming) {
                EXPECT_NEAR(kvo.GetLengthSeconds(), longest, 2 * frame);
            }
            sim->ClearRecorded();
            const auto out = PlayToEnd(kvo);
            EXPECT_NEAR(double(out.size()) / 4 / 44100, longest, 2 * frame);
            // The longer stream is heard in the last second, the shorter not.
            const std::vector<int16_t> samples(reinterpret_cast<const int16_t*>(out.data()),
                                               reinterpret_cast<const int16_t*>(out.data() + out.size()));
            const size_t frames = samples.size() / 2;
            ASSERT_GT(frames, size_t(44100));
            const size_t from = frames - 44100 * 3 / 4;
            const double longTone = c.accompaniment > c.vocal ? 440 : 1000;
            const double shortTone = c.accompaniment > c.vocal ? 1000 : 440;
            EXPECT_GT(testsupport::ToneAmplitude(samples, 2, 0, from, 22050, longTone, 44100), 2000);
            EXPECT_LT(testsupport::ToneAmplitude(samples, 2, 0, from, 22050, shortTone, 44100), 100);
            // Both are heard at the start.
            EXPECT_GT(testsupport::ToneAmplitude(samples, 2, 0, 4410, 22050, 440, 44100), 2000);
            EXPECT_GT(testsupport::ToneAmplitude(samples, 2, 0, 4410, 22050, 1000, 44100), 2000);
        }
    }
}

TEST_F(KvoFileTest, StopInStreamingModeRewindsToTheStart)
{
    KvoFile kvo;
    ASSERT_TRUE(kvo.Open(Write().c_str(), true));
    const auto first = PlayToEnd(kvo);
    kvo.Stop();
    sim->ClearRecorded();
    EXPECT_EQ(PlayToEnd(kvo), first);
}

TEST_F(KvoFileTest, EveryStopInStreamingModeLeavesOneCopyOfTheStartQueued)
{
    seconds = 6.0;
    SetUp();
    const auto decoded = testsupport::DecodeMp3(content.stream1);
    const double songSamples = double(decoded.frames - 1) * 1152;
    KvoFile kvo;
    ASSERT_TRUE(kvo.Open(Write().c_str(), true));
    // Before the first play, and twice.
    kvo.Stop();
    kvo.Stop();
    EXPECT_NEAR(double(PlayToEnd(kvo).size()) / 4, songSamples, 1152);
    // After a song that ended, and after one stopped while it played.
    kvo.Stop();
    kvo.Stop();
    sim->ClearRecorded();
    EXPECT_NEAR(double(PlayToEnd(kvo).size()) / 4, songSamples, 1152);
    sim->SetStepped();
    ASSERT_TRUE(kvo.Play());
    sim->Advance(300);
    kvo.Stop();
    kvo.Stop();
    sim->SetInstant();
    sim->ClearRecorded();
    EXPECT_NEAR(double(PlayToEnd(kvo).size()) / 4, songSamples, 1152);
}

TEST_F(KvoFileTest, MalformedContainersAreRefused)
{
    const KvoFaultSpec faults[] = {
        {KvoFault::WrongTypeAtPair, 1, 0},     {KvoFault::WrongSecondType, 0, 0},
        {KvoFault::UnequalPairLengths, 2, 0},  {KvoFault::TruncatedInsidePair, 1, 0},
        {KvoFault::CountBelowTwo, 0, 1},       {KvoFault::CountBelowTwo, 0, 0},
        {KvoFault::HugeCount, 0, 0},           {KvoFault::SizeTablePastEnd, 0, 0},
        {KvoFault::ChunkLengthPastEnd, 0, 0},
    };
    for (const KvoFaultSpec& fault : faults) {
        for (bool streaming : {false, true}) {
            KvoFile kvo;
            EXPECT_FALSE(kvo.Open(Write(fault).c_str(), streaming))
                << "fault " << int(fault.fault) << " streaming " << streaming;
            EXPECT_FALSE(kvo.IsPlaying());
        }
    }
}

TEST_F(KvoFileTest, AMalformedPairMidStreamEndsTheSongInsteadOfHanging)
{
    seconds = 6.0;
    SetUp();
    KvoFile kvo;
    // The fault sits beyond the first 50000-byte fill.
    ASSERT_TRUE(kvo.Open(Write({KvoFault::WrongSecondType, 25, 0}).c_str(), true));
    const auto out = PlayToEnd(kvo);
    EXPECT_GT(out.size(), 0u);
    EXPECT_FALSE(kvo.IsPlaying());
}

TEST_F(KvoFileTest, MissingFilesAndContainersWithoutAudioDoNotOpen)
{
    KvoFile kvo;
    EXPECT_FALSE(kvo.Open(nullptr, false));
    EXPECT_FALSE(kvo.Open(dir.File("missing.kvo").c_str(), false));
    content.stream1.clear();
    content.stream2.clear();
    EXPECT_FALSE(kvo.Open(Write().c_str(), false));  // the player refuses empty streams
    EXPECT_FALSE(kvo.IsPlaying());
    EXPECT_EQ(kvo.GetPositionSeconds(), 0.0f);
}

TEST_F(KvoFileTest, VolumeStoresThePercentAndWeighsTheSides)
{
    KvoFile kvo;
    ASSERT_TRUE(kvo.Open(Write().c_str(), false));
    kvo.SetVolume(0.5f, 100, 50);
    EXPECT_EQ(kvo.VolumePercent(), 50);
    uint32_t left = 0, right = 0;
    kvo.Player()->GetPlayerVolume(&left, &right);
    EXPECT_EQ(left, 50u);
    EXPECT_EQ(right, 25u);
    kvo.SetVolume(1.5f, 100, 100);
    EXPECT_EQ(kvo.VolumePercent(), 150);
    kvo.Player()->GetPlayerVolume(&left, &right);
    EXPECT_EQ(left, 50u);  // unchanged
}
