// Splitting a container gives back exactly the streams that went into it;
// a broken container is refused without reading past its end.
#include <gtest/gtest.h>

#include "kvostudio/include/convert/auxiliary.h"
#include "tests/support/kvo_writer.h"
#include "tests/support/mp3_maker.h"

using namespace testsupport;

namespace {

KvoContent Song()
{
    KvoContent c;
    KvoTagFields t;
    t.title = "Song";
    t.artist = "Singer";
    c.tag = MakeKvoTag(t);
    c.head = {'H', 'E', 'A', 'D', 0, 1, 2};
    c.stream1 = MakeMp3(MakeTone(44100, 2, 2.0, 440.0, 0.5));
    c.stream2 = MakeMp3(MakeTone(44100, 2, 2.0, 880.0, 0.5));
    c.pieceSize = 4000;
    return c;
}

class SplitTest : public testing::Test {
protected:
    bool Split(const std::vector<uint8_t>& container, bool second = true)
    {
        WriteFile(dir.File("song.kvo"), container);
        return parse.Split(dir.File("song.kvo").c_str(), dir.File("even").c_str(),
                           second ? dir.File("odd").c_str() : nullptr);
    }
    TempDir dir;
    CKvoParse parse;
};

}  // namespace

TEST_F(SplitTest, StreamsComeBackByteForByte)
{
    const KvoContent c = Song();
    ASSERT_TRUE(Split(WriteKvo(c)));
    const auto even = ReadFile(dir.File("even"));
    EXPECT_EQ(even, ExpectedEvenStream(c));
    EXPECT_EQ(ReadFile(dir.File("odd")), ExpectedOddStream(c));
    EXPECT_EQ(parse.head.count, 2 + 2 * CutPieces(c).stream1.size());

    // The first output is an MP3 with a leading tag: what the accompaniment
    // conversion reads. It still holds the accompaniment's tone.
    ASSERT_GE(even.size(), 3u);
    EXPECT_EQ(std::string(even.begin(), even.begin() + 3), "ID3");
    const DecodedMp3 d = DecodeMp3(even);
    EXPECT_EQ(d.sampleRate, 44100);
    auto left = Channel(d.samples, 2, 0);
    ASSERT_GT(left.size(), 44100u);
    EXPECT_NEAR(EstimateFrequency({left.begin() + 11025, left.begin() + 33075}, 44100), 440.0, 1.0);
}

TEST_F(SplitTest, WithoutSecondOutputOnlyTheFirstIsWritten)
{
    const KvoContent c = Song();
    ASSERT_TRUE(Split(WriteKvo(c), false));
    EXPECT_EQ(ReadFile(dir.File("even")), ExpectedEvenStream(c));
    EXPECT_FALSE(FileExists(dir.File("odd")));
}

TEST_F(SplitTest, ContainerWithOnlyTheHeadChunks)
{
    KvoContent c = Song();
    c.stream1.clear();
    c.stream2.clear();
    ASSERT_TRUE(Split(WriteKvo(c)));
    EXPECT_EQ(ReadFile(dir.File("even")), c.tag);
    EXPECT_EQ(ReadFile(dir.File("odd")), c.head);
}

TEST_F(SplitTest, ChunkTypesAndPairLengthsAreNotTheSplittersConcern)
{
    // The splitter walks chunks by their own lengths whatever their types,
    // so containers the player refuses still split whole.
    const KvoContent c = Song();
    for (KvoFault f : {KvoFault::WrongTypeAtPair, KvoFault::WrongSecondType, KvoFault::UnequalPairLengths,
                       KvoFault::SizeTablePastEnd}) {
        SCOPED_TRACE(int(f));
        ASSERT_TRUE(Split(WriteKvo(c, {f, 1})));
        EXPECT_EQ(ReadFile(dir.File("even")), ExpectedEvenStream(c));
    }
}

TEST_F(SplitTest, BrokenContainersAreRefusedAndLeaveEmptyOutputs)
{
    const KvoContent c = Song();
    const size_t lastPair = CutPieces(c).stream1.size() - 1;
    const KvoFaultSpec faults[] = {
        {KvoFault::TruncatedInsidePair, 0},       {KvoFault::TruncatedInsidePair, lastPair},
        {KvoFault::CountBelowTwo, 0, 0},          {KvoFault::CountBelowTwo, 0, 1},
        {KvoFault::HugeCount},                    {KvoFault::HugeCount, 0, 0xFFFFFFFFu},
        {KvoFault::ChunkLengthPastEnd, 0},        {KvoFault::ChunkLengthPastEnd, lastPair, 0xFFFFFFFFu},
    };
    for (const KvoFaultSpec& f : faults) {
        SCOPED_TRACE(testing::Message() << "fault " << int(f.fault) << " pair " << f.pair);
        EXPECT_FALSE(Split(WriteKvo(c, f)));
        EXPECT_TRUE(ReadFile(dir.File("even")).empty());
        EXPECT_TRUE(ReadFile(dir.File("odd")).empty());
    }
    // Shorter than the fixed head, and empty.
    EXPECT_FALSE(Split({1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_FALSE(Split({}));
}

TEST_F(SplitTest, MissingInputStillCreatesTheOutputs)
{
    EXPECT_FALSE(parse.Split(dir.File("missing.kvo").c_str(), dir.File("even").c_str(), dir.File("odd").c_str()));
    EXPECT_TRUE(FileExists(dir.File("even")));
    EXPECT_TRUE(FileExists(dir.File("odd")));
    EXPECT_FALSE(parse.Split(nullptr, dir.File("even").c_str(), nullptr));
}
