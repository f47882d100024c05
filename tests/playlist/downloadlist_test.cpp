// The download list: its current row and the getters that read it, the
// close button at the end of each row (its look and what a click on it
// asks of the parent), and the Delete key.
#include "kvostudio/libskin/downloadskinlistctrl.h"
#include "playlist_test_env.h"
#include "tests/support/text_ink.h"

using namespace platform;
using namespace playlisttest;

namespace {

constexpr COLORREF kCloseNormal = RGB(10, 20, 30);
constexpr COLORREF kCloseOver = RGB(40, 50, 60);
constexpr COLORREF kClosePress = RGB(70, 80, 90);

class DownloadList : public ::testing::Test {
protected:
    void SetUp() override
    {
        controlstest::UseMemoryWindows();
        WriteListSkin(skins);
        list = std::make_unique<CDownloadSkinListCtrl>();
        ASSERT_TRUE(host.Make({100, 100, 420, 300}));
        ASSERT_TRUE(list->Create({10, 10, 200, 100}, &host, 1000));
        list->Init();
        list->InsertColumn(0, "FILE", LVCFMT_LEFT, 200);
        list->InsertColumn(1, "", LVCFMT_LEFT, 60);
        list->MoveWindow({10, 10, 290, 120});
        for (int i = 0; i < 3; ++i)
            list->AddItem("file" + std::to_string(i) + ".kvo", "Subject", "Artist", "F" + std::to_string(i),
                          "http://x/" + std::to_string(i));
        list->RenderToBitmap();
    }
    void TearDown() override
    {
        list.reset();
        host.DestroyWindow();
        PumpMessages();
    }
    // A point of a row's close button, in screen coordinates.
    Point ButtonOf(int row) const
    {
        const Rect r = list->ItemAt(row)->rcButton;
        return list->ClientToScreen(Point{r.left + 5, r.top + 5});
    }

    skintest::ScopedSkinFolder skins;
    ListHost host;
    std::unique_ptr<CDownloadSkinListCtrl> list;
};

}  // namespace

TEST_F(DownloadList, AFreshListHasNoCurrentRowAndFallsBackToRowZerosName)
{
    EXPECT_EQ(list->ItemAt(0)->nId, 1);
    EXPECT_EQ(list->GetCurrentRow(), -1);
    EXPECT_EQ(list->GetCurrentFileName(), "file0.kvo");
    EXPECT_EQ(list->GetCurrentFid(), "");
    EXPECT_EQ(list->GetCurrentDownUrl(), "");
    EXPECT_EQ(list->GetItemFid(2), "F2");
    EXPECT_EQ(list->GetItemFid(-1), "");

    Click(host, list->ClientToScreen(Point{50, 22 + 11}));
    EXPECT_EQ(list->GetCurrentFid(), "F1");
    EXPECT_EQ(list->GetCurrentDownUrl(), "http://x/1");
    EXPECT_EQ(list->GetFirstSelected(), 1);
    // The keyboard's selection becomes current with the next paint.
    list->SetFocus();
    InjectKey(host, true, VK_DOWN);
    InjectKey(host, false, VK_DOWN);
    EXPECT_EQ(list->GetCurrentFid(), "F1");
    list->RenderToBitmap();
    EXPECT_EQ(list->GetCurrentFid(), "F2");
}

TEST_F(DownloadList, EachRowEndsInACloseButtonThatLightsUnderThePointer)
{
    const Rect button = list->ItemAt(1)->rcButton;
    EXPECT_EQ(button, (Rect{280 - 20, 22 + 5, 280 - 9, 22 + 16}));
    Bitmap b = list->RenderToBitmap();
    EXPECT_EQ(CountColour(b, button, kCloseNormal), 11 * 11);
    MoveTo(host, ButtonOf(1));
    b = list->RenderToBitmap();
    EXPECT_EQ(CountColour(b, button, kCloseOver), 11 * 11);
    EXPECT_EQ(CountColour(b, list->ItemAt(0)->rcButton, kCloseNormal), 11 * 11);
    Button(host, ButtonOf(1), true);
    b = list->RenderToBitmap();
    EXPECT_EQ(CountColour(b, button, kClosePress), 11 * 11);
    // Only the button shows in the second column: no other text of the row.
    EXPECT_FALSE(testsupport::FindTextInk(b, {200, 22, 258, 44}, CSkinListBase::kText, CSkinListBase::kBackground).Shows());
}

TEST_F(DownloadList, ALeftReleaseOrARightPressOnTheButtonAsksToCloseTheRow)
{
    Click(host, ButtonOf(2));
    EXPECT_EQ(host.commands, std::vector<int>{int(ID_CMD_ROW_CLOSE)});
    EXPECT_EQ(host.params, std::vector<LPARAM>{2});
    // A click on the button does not make the row current.
    EXPECT_EQ(list->GetCurrentRow(), -1);
    Click(host, ButtonOf(0), 3);
    EXPECT_EQ(host.params, (std::vector<LPARAM>{2, 0}));
    // A click beside the button only selects.
    Click(host, list->ClientToScreen(Point{100, 11}));
    EXPECT_EQ(host.commands.size(), 2u);
}

TEST_F(DownloadList, TheDeleteKeyDropsSelectedRowsWithoutTellingTheParent)
{
    Click(host, list->ClientToScreen(Point{50, 11}));
    EXPECT_EQ(list->GetCurrentFid(), "F0");
    InjectKey(host, true, VK_DELETE);
    InjectKey(host, false, VK_DELETE);
    EXPECT_EQ(list->GetItemCount(), 2);
    EXPECT_EQ(list->GetCurrentRow(), -1);
    EXPECT_EQ(list->GetCurrentFileName(), "file1.kvo");
    EXPECT_TRUE(host.commands.empty());
    EXPECT_EQ(list->DeleteItemAt(2), 0);
    EXPECT_EQ(list->DeleteItemAt(0), 1);
    EXPECT_EQ(list->GetCurrentFileName(), "file2.kvo");
}
