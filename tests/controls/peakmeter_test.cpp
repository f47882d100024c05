// The peak meter: levels and peaks as they are set and as they fall, the
// fall timer on its own thread that ends itself at rest, and the bars it
// paints.
#include <atomic>
#include <memory>

#include "controls_test_env.h"
#include "kvostudio/peakmeterctrl.h"

using namespace platform;
using controlstest::CountColour;

namespace {

constexpr COLORREF kBehind = RGB(1, 2, 3);

// Counts the fall steps the timer runs.
class CountingMeter : public CPeakMeterCtrl {
public:
    using CPeakMeterCtrl::CPeakMeterCtrl;
    std::atomic<int> steps{0};
    void DecayStep(unsigned id) override
    {
        CPeakMeterCtrl::DecayStep(id);
        ++steps;
    }
};

class PeakMeter : public ::testing::Test {
protected:
    void SetUp() override
    {
        controlstest::UseMemoryWindows();
        ASSERT_TRUE(parent.Make({0, 0, 338, 329}));
        body = Bitmap(338, 329);
        body.Fill(kBehind);
        made = std::make_unique<CountingMeter>(&parent, &body);
        ASSERT_TRUE(meter().IsWindow());
        ASSERT_TRUE(meter().SetMeterBands(11, 1));
    }
    void TearDown() override
    {
        parent.DestroyWindow();
        PumpMessages();
    }
    void SetAll(int v)
    {
        std::vector<int> values(11, v);
        ASSERT_TRUE(meter().SetData(values.data(), 0, 11));
    }
    // Lit pixels of band i's bar.
    int Lit(const Bitmap& shown, int band)
    {
        return CountColour(shown, {band * 4, 0, band * 4 + 5, 25}, CPeakMeterCtrl::BandColour(band));
    }

    CountingMeter& meter() { return *made; }

    controlstest::CommandSink parent;
    Bitmap body;
    std::unique_ptr<CountingMeter> made;
};

}  // namespace

TEST_F(PeakMeter, LevelsAreClampedAndShownAsRowsOfCells)
{
    EXPECT_EQ(meter().GetRectInParent(), (Rect{20, 60, 68, 85}));
    const int values[] = {250, 0, -7, 35, 100, 1};
    ASSERT_TRUE(meter().SetData(values, 0, 6));
    const std::vector<PeakMeterData> bands = meter().GetBands();
    EXPECT_EQ(bands[0].level, 100);
    EXPECT_EQ(bands[1].level, 0);
    EXPECT_EQ(bands[2].level, 0);
    EXPECT_EQ(bands[3].level, 35);
    EXPECT_EQ(bands[0].peak, 100);
    EXPECT_EQ(bands[0].hold, 20);

    const Bitmap shown = meter().RenderToBitmap();
    EXPECT_EQ(Lit(shown, 0), 10 * 2 * 3 - 3);  // ten rows of 3 x 2 pixels, the top one under the peak mark
    EXPECT_EQ(Lit(shown, 1), 0);
    EXPECT_EQ(Lit(shown, 3), 3 * 2 * 3);
    EXPECT_EQ(Lit(shown, 5), 0);  // 1 is below one row
    EXPECT_EQ(shown.GetPixel(0, 10), kBehind);  // the gap between bars shows the skin
    EXPECT_EQ(shown.GetPixel(14, 25 - 7), CPeakMeterCtrl::kPeakColour);  // band 3's peak mark at 35
}

TEST_F(PeakMeter, BadSettingsAndDataChangeNothing)
{
    EXPECT_FALSE(meter().SetMeterBands(0, 1));
    EXPECT_FALSE(meter().SetMeterBands(3, -1));
    EXPECT_EQ(meter().GetBandCount(), 11);
    EXPECT_FALSE(meter().SetData(nullptr, 0, 11));
    const int values[] = {50, 60};
    EXPECT_FALSE(meter().SetData(values, 0, -1));
    std::vector<int> wide(20, 70);
    ASSERT_TRUE(meter().SetData(wide.data(), 5, 15));  // bands past the last are left out
    EXPECT_EQ(meter().GetBands().size(), 11u);
    EXPECT_EQ(meter().GetBands()[10].level, 70);
}

TEST_F(PeakMeter, BarsFallARowATickAndPeaksFallAfterTheirHold)
{
    SetAll(100);
    auto step = [&](int n) {
        for (int i = 0; i < n; ++i)
            meter().DecayStep(0);
    };
    step(9);
    EXPECT_EQ(meter().GetBands()[4].level, 10);
    step(1);
    EXPECT_EQ(meter().GetBands()[4].level, 0);
    step(9);
    EXPECT_EQ(meter().GetBands()[4].peak, 100);  // held for 19 ticks
    step(1);
    EXPECT_EQ(meter().GetBands()[4].peak, 95);  // the 20th tick ends the hold and falls
    step(18);
    EXPECT_EQ(meter().GetBands()[4].peak, 5);
    step(1);
    EXPECT_EQ(meter().GetBands()[4].peak, 0);  // the 39th
    EXPECT_EQ(Lit(meter().RenderToBitmap(), 4), 0);
}

TEST_F(PeakMeter, TheTimerStopsItselfAtRestAndNewDataStartsItAgain)
{
    SetAll(100);
    ASSERT_TRUE(meter().Start(1));
    EXPECT_TRUE(meter().Start(1));  // one runs already
    ASSERT_TRUE(RunLoopUntil([&] { return !meter().IsTimerTicking(); }, 20000));
    EXPECT_EQ(meter().steps, 40);  // the 40th finds everything at rest
    EXPECT_NE(meter().GetTimerId(), 0u);
    PumpMessages();  // the repaints the timer asked for
    EXPECT_EQ(Lit(meter().RenderToBitmap(), 0), 0);

    SetAll(30);
    EXPECT_TRUE(meter().IsTimerTicking());
    EXPECT_TRUE(meter().Stop());
    EXPECT_FALSE(meter().Stop());
    EXPECT_EQ(meter().GetTimerId(), 0u);
}

TEST_F(PeakMeter, DataFromTheWindowThreadWhileTheTimerFalls)
{
    ASSERT_TRUE(meter().Start(1));
    for (int i = 0; i < 300; ++i) {
        SetAll(i % 101);
        (void)meter().RenderToBitmap();
    }
    parent.DestroyWindow();  // stops the timer with the window
    EXPECT_FALSE(meter().IsTimerTicking());
    EXPECT_TRUE(meter().GetBands().empty());
}

TEST_F(PeakMeter, DraggingTheMeterDragsTheMainWindow)
{
    const Point at{30, 70};
    controlstest::MoveTo(parent, at);
    controlstest::Button(parent, at, true);
    controlstest::MoveTo(parent, {at.x + 40, at.y + 25});
    controlstest::Button(parent, {at.x + 40, at.y + 25}, false);
    EXPECT_EQ(parent.GetWindowRect().TopLeft(), (Point{40, 25}));
}
