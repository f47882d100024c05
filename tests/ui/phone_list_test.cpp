// The dialog of the files sent from the phone, on the display with ten
// files, driven by the real pointer and keyboard: every row can be brought
// into view with the wheel, the scrollbar and the keys, then downloaded
// with the download button or dropped with its close button.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "kvostudio/downloadfrommobile.h"
#include "kvostudio/webservice.h"
#include "tests/support/fake_service.h"
#include "tests/support/temp_files.h"
#include "ui_test_env.h"

using namespace platform;
using testsupport::FakeService;
using uitest::Wait;

namespace {

constexpr int kFiles = 10;

std::string FileName(int i)
{
    return "phone" + std::to_string(i) + ".kvo";
}

// The service's list of ten files, FIDs 1 to 10.
void ServeTenFiles(FakeService& fake)
{
    std::string items;
    for (int i = 1; i <= kFiles; ++i) {
        fake.SetFile("/files/" + FileName(i), std::string(1000 + i, static_cast<char>(i)));
        items += "<Item><FID>" + std::to_string(i) + "</FID><DownUrl>" + fake.Url("/files/" + FileName(i)) +
                 "</DownUrl><Artist>Artist</Artist><Subject>Song " + std::to_string(i) + "</Subject><FileName>" +
                 FileName(i) + "</FileName></Item>";
    }
    std::string list = FakeService::ServiceXml("Phone", 1, {});
    list.insert(list.find("  </Records>"), items);
    fake.SetXmlAnswer("/webservice/studio/getdownlist", list);
}

class PhoneListOnTheDisplay : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fake_.Start());
        ServeTenFiles(fake_);
        ::setenv("KVO_SERVICE_URL", fake_.BaseUrl().c_str(), 1);
    }
    void TearDown() override { ::unsetenv("KVO_SERVICE_URL"); }

    // The middle of a row's text, or of its close button, on the screen.
    Point RowPoint(CDownloadSkinListCtrl& list, int row) const
    {
        Rect r;
        list.GetItemRect(row, &r);
        return list.ClientToScreen(Point{60, (r.top + r.bottom) / 2});
    }
    // The list places a row's close button where it last painted it: the
    // button is waited for in its row after a scroll.
    static Point CloseButtonOf(CDownloadSkinListCtrl& list, int row)
    {
        Wait([&] {
            Rect r;
            list.GetItemRect(row, &r);
            const Rect b = list.ItemAt(row)->rcButton;
            return b.top >= r.top && b.bottom <= r.bottom;
        });
        const Rect b = list.ItemAt(row)->rcButton;
        return list.ClientToScreen(Point{(b.left + b.right) / 2, (b.top + b.bottom) / 2});
    }
    static bool Shows(CDownloadSkinListCtrl& list, int row)
    {
        return row >= list.GetTopIndex() && row < list.GetTopIndex() + list.GetCountPerPage();
    }
    // Comes from a pixel above, so the pointer moves even when it is on
    // the spot already (a move that goes nowhere is waited for in vain),
    // and clicks once the dialog is what the desktop has there.
    static bool ClickAt(Window& dlg, Point p)
    {
        return uitest::MoveTo(p.x, p.y - 1) && uitest::PointInto(dlg, p) && uitest::Xdo({"click", "1"});
    }
    static bool Key(Window& dlg, const char* name)
    {
        return Wait([&] { return uitest::HasKeyboardFocus(dlg); }) && uitest::Xdo({"key", name});
    }
    // The FID of the row, a number.
    static int Fid(CDownloadSkinListCtrl& list, int row) { return std::atoi(list.GetItemFid(row).c_str()); }

    FakeService fake_;
    testsupport::TempDir dir_;
};

}  // namespace

TEST_F(PhoneListOnTheDisplay, EveryOneOfTenRowsIsReachedDownloadedAndRemoved)
{
    KVO_REQUIRE_DISPLAY();
    CDownloadFromMobile dlg(nullptr, 7, CallGetDownList(7).items);
    dlg.ChooseSavePath = [&](const std::string& name) { return dir_.File(name + ".kvo"); };
    dlg.Download().SetFinishPause(std::chrono::milliseconds(0));
    ASSERT_TRUE(dlg.Create(CDownloadFromMobile::IDD));
    CDownloadSkinListCtrl& list = dlg.List();
    ASSERT_EQ(list.GetItemCount(), kFiles);
    ASSERT_LT(list.GetCountPerPage(), kFiles);
    const Rect button = [&] {
        const Point a = dlg.ClientToScreen(Point{140, 205});
        return RectOfSize(a.x, a.y, 107, 29);
    }();
    const Point download{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
    // The file is there, its row gone, and the progress window gone also
    // from the screen (the display takes a moment to drop it; a click
    // meanwhile would land on it).
    auto downloaded = [&](int fid, int rowsLeft) {
        return Wait([&] { return testsupport::FileExists(dir_.File("phone" + std::to_string(fid) + ".kvo")); }) &&
               Wait([&] { return list.GetItemCount() == rowsLeft; }) &&
               Wait([] { return !uitest::FindWindowOfSize(getpid(), 392, 253); });
    };

    // The wheel: notch by notch every row comes into view, down to the last,
    // which is downloaded.
    ASSERT_TRUE(uitest::PointInto(dlg, RowPoint(list, 0)));
    uitest::Screenshot(uitest::ArtifactPath("phone_list.png"));
    std::vector<bool> seen(kFiles, false);
    for (int notch = 0; notch < kFiles && !Shows(list, kFiles - 1); ++notch) {
        for (int row = 0; row < kFiles; ++row)
            seen[row] = seen[row] || Shows(list, row);
        const int top = list.GetTopIndex();
        ASSERT_TRUE(uitest::Xdo({"click", "5"}));
        ASSERT_TRUE(Wait([&] { return list.GetTopIndex() > top; }));
    }
    for (int row = 0; row < kFiles; ++row)
        EXPECT_TRUE(seen[row] || Shows(list, row)) << row;
    ASSERT_TRUE(ClickAt(dlg, RowPoint(list, kFiles - 1)));
    ASSERT_TRUE(Wait([&] { return list.GetFirstSelected() == kFiles - 1; }));
    ASSERT_TRUE(ClickAt(dlg, download));
    ASSERT_TRUE(downloaded(10, 9));
    EXPECT_EQ(fake_.RequestsFor("/webservice/studio/addrelaydownresult").at(0).body, "fid=10");

    // The scrollbar: its up arrow brings the top back, its down arrow the
    // end; the last row is dropped with its close button.
    CSkinVerticleScrollbar& bar = list.GetScrollbar();
    const Rect barRect = bar.GetWindowRect();
    const Point up{barRect.left + 4, barRect.top + 8};
    const Point down{barRect.left + 4, barRect.bottom - 8};
    for (int i = 0; i < kFiles && list.GetTopIndex() > 0; ++i) {
        const int top = list.GetTopIndex();
        ASSERT_TRUE(ClickAt(dlg, up));
        ASSERT_TRUE(Wait([&] { return list.GetTopIndex() == top - 1; }));
    }
    ASSERT_EQ(list.GetTopIndex(), 0);
    for (int i = 0; i < kFiles && !Shows(list, list.GetItemCount() - 1); ++i) {
        const int top = list.GetTopIndex();
        ASSERT_TRUE(ClickAt(dlg, down));
        ASSERT_TRUE(Wait([&] { return list.GetTopIndex() == top + 1; }));
    }
    ASSERT_TRUE(Shows(list, 8));
    const int lastFid = Fid(list, 8);
    ASSERT_TRUE(ClickAt(dlg, CloseButtonOf(list, 8)));
    ASSERT_TRUE(Wait([&] { return list.GetItemCount() == 8; }));
    EXPECT_EQ(fake_.RequestsFor("/webservice/studio/addnotuse").at(0).body, "fid=" + std::to_string(lastFid));

    // The keys: Home and Down walk through every row from the top; End
    // shows the last, which is downloaded, and the one before it dropped.
    ASSERT_TRUE(ClickAt(dlg, RowPoint(list, list.GetTopIndex())));
    ASSERT_TRUE(Key(dlg, "Home"));
    ASSERT_TRUE(Wait([&] { return list.GetFirstSelected() == 0 && list.GetTopIndex() == 0; }));
    for (int row = 1; row < list.GetItemCount(); ++row) {
        ASSERT_TRUE(Key(dlg, "Down"));
        ASSERT_TRUE(Wait([&] { return list.GetFirstSelected() == row && Shows(list, row); })) << row;
    }
    ASSERT_TRUE(Key(dlg, "Home"));
    ASSERT_TRUE(Wait([&] { return list.GetTopIndex() == 0; }));
    ASSERT_TRUE(Key(dlg, "End"));
    ASSERT_TRUE(Wait([&] { return list.GetFirstSelected() == 7 && Shows(list, 7); }));
    const int endFid = Fid(list, 7);
    ASSERT_TRUE(ClickAt(dlg, download));
    ASSERT_TRUE(downloaded(endFid, 7));
    const int droppedFid = Fid(list, 6);
    ASSERT_TRUE(ClickAt(dlg, CloseButtonOf(list, 6)));
    ASSERT_TRUE(Wait([&] { return list.GetItemCount() == 6; }));
    EXPECT_EQ(fake_.RequestsFor("/webservice/studio/addnotuse").at(1).body, "fid=" + std::to_string(droppedFid));
    for (int row = 0; row < list.GetItemCount(); ++row)
        EXPECT_EQ(Fid(list, row), row + 1);
    uitest::Screenshot(uitest::ArtifactPath("phone_list_after.png"));
    dlg.DestroyWindow();
}
