// The popup skin menu: its layout, what a click on an entry, a separator or
// outside does, keys and lost pointers, and its look.
#include "controls_test_env.h"
#include "kvostudio/menuresource.h"
#include "kvostudio/skinmenu.h"
#include "tests/support/text_ink.h"

using namespace platform;
using controlstest::Button;
using controlstest::Click;
using controlstest::CountColour;
using controlstest::MoveTo;

namespace {

class SkinMenu : public ::testing::Test {
protected:
    void SetUp() override
    {
        controlstest::UseMemoryWindows();
        ASSERT_TRUE(owner.Make({100, 100, 500, 400}));
    }
    void TearDown() override
    {
        if (Window* w = Window::FromHandle(menuHandle))
            w->DestroyWindow();
        owner.DestroyWindow();
        PumpMessages();
    }
    CSkinMenu* Open(unsigned id, int width = 100, bool upward = false, Point at = {200, 250})
    {
        CSkinMenu* menu = CSkinMenu::Show(&owner, at.x, at.y, width, id, upward);
        menuHandle = menu ? menu->GetSafeHwnd() : 0;
        return menu;
    }
    bool MenuOpen() const { return Window::FromHandle(menuHandle) != nullptr; }
    // A point of the open menu in screen terms.
    Point In(int x, int y) const { return Window::FromHandle(menuHandle)->ClientToScreen(Point{x, y}); }

    controlstest::CommandSink owner;
    WindowHandle menuHandle = 0;
};

std::vector<int> Tops(const CSkinMenu& m)
{
    std::vector<int> tops;
    for (const auto& item : m.GetItems())
        tops.push_back(item.rect.top);
    return tops;
}

}  // namespace

TEST_F(SkinMenu, EntriesAre16PixelsTallBelowA5PixelMargin)
{
    CSkinMenu* menu = Open(IDR_LISTPOPUP);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Tops(*menu), (std::vector<int>{5, 21, 37, 53}));
    EXPECT_EQ(menu->GetWindowRect(), RectOfSize(200, 250, 100, 74));
    EXPECT_EQ(menu->GetItems()[1].text, "Remove selected");
    EXPECT_EQ(Window::GetCapture(), menu);
    menu->DestroyWindow();

    menu = Open(IDR_LISTPOPUP, 100, true);
    EXPECT_EQ(menu->GetWindowRect().top, 250 - 74);
    menu->DestroyWindow();

    EXPECT_EQ(Open(9999), nullptr);  // no such menu
    CSkinMenu noOwner(nullptr);
    EXPECT_EQ(noOwner.TrackPopup(0, 0, 100, IDR_ADD, false), 0);
}

TEST_F(SkinMenu, ASeparatorTucksIntoTheEntryAboveIt)
{
    CSkinMenu* menu = Open(IDR_PRIVATEBAR, 76, true);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Tops(*menu), (std::vector<int>{5, 21, 32, 48, 64, 80}));
    EXPECT_EQ(menu->GetItems()[2].rect.bottom, 48);
    EXPECT_EQ(menu->GetWindowRect(), RectOfSize(200, 250 - 106, 76, 101));
    const Bitmap shown = menu->RenderToBitmap();
    EXPECT_EQ(shown.GetPixel(30, 41), CSkinMenu::kSeparatorDark);
    EXPECT_EQ(shown.GetPixel(30, 42), CSkinMenu::kSeparatorLight);
    EXPECT_EQ(shown.GetPixel(0, 50), CSkinMenu::kFrameColour);
    EXPECT_EQ(shown.GetPixel(75, 100), CSkinMenu::kFrameColour);
}

TEST_F(SkinMenu, AClickOnAnEntryPostsItsCommandAndCloses)
{
    ASSERT_NE(Open(IDR_ADD), nullptr);
    Click(owner, In(50, 12));  // "Add file(s)"
    EXPECT_FALSE(MenuOpen());
    EXPECT_EQ(Window::GetCapture(), nullptr);
    EXPECT_EQ(owner.commands, std::vector<int>{32836});

    ASSERT_NE(Open(IDR_REMOVE), nullptr);
    Click(owner, In(50, 25), 3);  // the right button chooses too
    EXPECT_EQ(owner.commands, (std::vector<int>{32836, 32824}));
}

TEST_F(SkinMenu, ASeparatorKeepsItOpenAndAClickOutsideClosesWithoutACommand)
{
    ASSERT_NE(Open(IDR_PRIVATEBAR, 76), nullptr);
    Click(owner, In(30, 40));  // the separator
    EXPECT_TRUE(MenuOpen());
    Click(owner, {120, 120});  // on the owner, outside the menu
    EXPECT_FALSE(MenuOpen());
    EXPECT_TRUE(owner.commands.empty());
}

TEST_F(SkinMenu, AMenuOpenedByAPressOutlivesThatPressesRelease)
{
    MoveTo(owner, {200, 250});
    Button(owner, {200, 250}, true, 3);  // the list opens its menu on the press
    ASSERT_NE(Open(IDR_LISTPOPUP), nullptr);
    Button(owner, {200, 250}, false, 3);
    EXPECT_TRUE(MenuOpen());
    Click(owner, In(40, 8));
    EXPECT_EQ(owner.commands, std::vector<int>{32822});
}

TEST_F(SkinMenu, EscapeAndLosingThePointerCloseIt)
{
    CSkinMenu* menu = Open(IDR_LISTPOPUP);
    ASSERT_NE(menu, nullptr);
    menu->SendMessage(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_FALSE(MenuOpen());

    ASSERT_NE(Open(IDR_LISTPOPUP), nullptr);
    owner.SetCapture();
    EXPECT_FALSE(MenuOpen());
    Window::ReleaseCapture();

    ASSERT_NE(Open(IDR_LISTPOPUP), nullptr);
    owner.DestroyWindow();  // the owner takes its menu with it
    EXPECT_FALSE(MenuOpen());
    EXPECT_TRUE(owner.commands.empty());
}

TEST_F(SkinMenu, TheEntryUnderThePointerIsLit)
{
    CSkinMenu* menu = Open(IDR_LISTPOPUP);
    ASSERT_NE(menu, nullptr);
    MoveTo(owner, In(50, 30));
    EXPECT_EQ(menu->GetItems()[1].state, 2);
    EXPECT_EQ(menu->GetItems()[0].state, 0);
    Bitmap shown = menu->RenderToBitmap();
    EXPECT_EQ(shown.GetPixel(3, 23), CSkinMenu::kHotColour);
    EXPECT_EQ(shown.GetPixel(3, 8), CSkinMenu::kBodyColour);
    // The entries' text, in its colour, starts 10 pixels in.
    EXPECT_TRUE(testsupport::FindTextInk(shown, {10, 5, 100, 21}, CSkinMenu::kTextColour, CSkinMenu::kBodyColour).Shows());
    EXPECT_EQ(controlstest::CountNear(shown, {1, 5, 10, 69}, CSkinMenu::kTextColour), 0);

    MoveTo(owner, In(-5, 30));
    EXPECT_EQ(menu->GetItems()[1].state, 0);
}
