// The play order on its own: what Next and Previous make current for each
// repeat code, sequentially and through a shuffle order, and how a stale
// order position is brought back into range.
#include <gtest/gtest.h>

#include <vector>

#include "kvostudio/libskin/playorder.h"

namespace {

// Four rows with ids 10..13, shuffled as 2, 0, 3, 1.
const std::vector<int> kIds{10, 11, 12, 13};
const std::vector<int> kOrder{2, 0, 3, 1};

struct Step {
    int result;
    int currentId;
    int orderPos;
};

Step Next(int repeat, bool shuffle, PlayPosition pos, const std::vector<int>& ids = kIds,
          const std::vector<int>& order = kOrder)
{
    const int r = PlayOrderNext(ids, order, repeat, shuffle, pos);
    return {r, pos.currentId, pos.orderPos};
}

Step Previous(int repeat, bool shuffle, PlayPosition pos, const std::vector<int>& ids = kIds,
              const std::vector<int>& order = kOrder)
{
    const int r = PlayOrderPrevious(ids, order, repeat, shuffle, pos);
    return {r, pos.currentId, pos.orderPos};
}

bool operator==(const Step& a, const Step& b)
{
    return a.result == b.result && a.currentId == b.currentId && a.orderPos == b.orderPos;
}

void PrintTo(const Step& s, std::ostream* os)
{
    *os << "{result " << s.result << ", current " << s.currentId << ", pos " << s.orderPos << "}";
}

}  // namespace

TEST(PlayOrder, RepeatOffAndOneNeverMoveTheCurrentItem)
{
    for (bool shuffle : {false, true}) {
        EXPECT_EQ(Next(kRepeatOff, shuffle, {11, 1}), (Step{0, 11, 1}));
        EXPECT_EQ(Previous(kRepeatOff, shuffle, {11, 1}), (Step{0, 11, 1}));
        EXPECT_EQ(Next(kRepeatOne, shuffle, {11, 1}), (Step{1, 11, 1}));
        EXPECT_EQ(Previous(kRepeatOne, shuffle, {11, 1}), (Step{1, 11, 1}));
    }
}

TEST(PlayOrder, SequentialStepsGoRoundOnlyUnderRepeatAll)
{
    EXPECT_EQ(Next(kRepeatAll, false, {11, 3}), (Step{1, 12, 2}));
    // Previous leaves the order position where it was.
    EXPECT_EQ(Previous(kRepeatAll, false, {12, 3}), (Step{1, 11, 3}));
    EXPECT_EQ(Next(kRepeatAll, false, {13, 3}), (Step{1, 10, 0}));
    EXPECT_EQ(Previous(kRepeatAll, false, {10, 2}), (Step{1, 13, 0}));
    // Any other code steps like "all" but stops at the ends.
    EXPECT_EQ(Next(7, false, {11, 0}), (Step{1, 12, 2}));
    EXPECT_EQ(Next(7, false, {13, 0}), (Step{0, 13, 0}));
    EXPECT_EQ(Previous(-1, false, {10, 0}), (Step{0, 10, 0}));
}

TEST(PlayOrder, WithoutACurrentRowASequentialStepPlaysNothing)
{
    EXPECT_EQ(Next(kRepeatAll, false, {99, 0}), (Step{0, 99, 0}));
    EXPECT_EQ(Previous(kRepeatAll, false, {99, 0}), (Step{0, 99, 0}));
    // A row without a record ends the step.
    const std::vector<int> holes{10, kNoRecord, 12};
    EXPECT_EQ(Next(kRepeatAll, false, {10, 0}, holes, {0, 1, 2}), (Step{0, 10, 0}));
}

TEST(PlayOrder, ShuffleWalksTheOrderAndStartsAgain)
{
    PlayPosition pos{12, 0};  // row 2 is at position 0
    std::vector<int> played;
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(PlayOrderNext(kIds, kOrder, kRepeatAll, true, pos), 1);
        played.push_back(pos.currentId);
    }
    EXPECT_EQ(played, (std::vector<int>{10, 13, 11, 12, 10}));
    EXPECT_EQ(pos.orderPos, 1);

    std::vector<int> back;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(PlayOrderPrevious(kIds, kOrder, kRepeatAll, true, pos), 1);
        back.push_back(pos.currentId);
    }
    EXPECT_EQ(back, (std::vector<int>{12, 11, 13}));
}

TEST(PlayOrder, AStalePositionComesBackIntoTheOrder)
{
    // Rows were removed: the position lies past the order's end.
    EXPECT_EQ(Next(kRepeatAll, true, {10, 9}), (Step{1, 12, 0}));
    EXPECT_EQ(Previous(kRepeatAll, true, {10, 9}), (Step{1, 11, 3}));
    EXPECT_EQ(Previous(kRepeatAll, true, {10, 4}), (Step{1, 11, 3}));
    // A negative one cannot read before the order either.
    EXPECT_EQ(Next(kRepeatAll, true, {10, -7}), (Step{1, 12, 0}));
}

TEST(PlayOrder, OneRowKeepsPlayingUnderShuffle)
{
    const std::vector<int> one{5};
    const std::vector<int> order{0};
    EXPECT_EQ(Next(kRepeatAll, true, {5, 0}, one, order), (Step{1, 5, 0}));
    EXPECT_EQ(Previous(kRepeatAll, true, {5, 0}, one, order), (Step{1, 5, 0}));
}

TEST(PlayOrder, AnEmptyListPlaysNothingUnderAnyCode)
{
    const std::vector<int> none;
    for (int repeat : {kRepeatAll, kRepeatOne, kRepeatOff})
        for (bool shuffle : {false, true}) {
            EXPECT_EQ(Next(repeat, shuffle, {0, 0}, none, none).result, 0);
            EXPECT_EQ(Previous(repeat, shuffle, {0, 0}, none, none).result, 0);
        }
}

TEST(PlayOrder, TheCurrentRowsPlaceInTheOrder)
{
    EXPECT_EQ(OrderIndexOfCurrent(kIds, kOrder, 13), 2);
    EXPECT_EQ(OrderIndexOfCurrent(kIds, kOrder, 12), 0);
    EXPECT_EQ(OrderIndexOfCurrent(kIds, kOrder, 42), 0);
    EXPECT_EQ(OrderIndexOfCurrent(kIds, {}, 13), 0);
}
