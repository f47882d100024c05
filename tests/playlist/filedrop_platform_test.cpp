// Dropped files in the window layer: the addresses a file manager hands
// over, and which window a drop reaches.
#include "playlist_test_env.h"

using namespace platform;

TEST(UriList, LocalFileAddressesBecomePaths)
{
    EXPECT_EQ(PathsFromUriList("file:///home/me/a%20b.mp3\r\n"
                               "# a comment\r\n"
                               "file://localhost/music/%E6%BC%A2.kvo\r\n"
                               "FILE:///x/y.mp3\n"
                               "\r\n"
                               "file:///last.mp3"),
              (std::vector<std::string>{"/home/me/a b.mp3", "/music/\xE6\xBC\xA2.kvo", "/x/y.mp3", "/last.mp3"}));
}

TEST(UriList, OtherAddressesAndBrokenEscapesAreLeftOut)
{
    EXPECT_TRUE(PathsFromUriList("http://host/a.mp3\r\n"
                                 "file://otherhost/a.mp3\r\n"
                                 "file:///a%2.mp3\r\n"
                                 "file:///a%zz.mp3\r\n"
                                 "file:///a%00b.mp3\r\n"
                                 "file:\r\n"
                                 "/plain/path.mp3\r\n")
                    .empty());
}

namespace {

class DropTarget : public Window {
public:
    std::vector<std::string> paths;
    Point point;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (msg == WM_DROPFILES) {
            const auto* drop = reinterpret_cast<const DroppedFiles*>(wp);
            paths = drop->paths;
            point = drop->point;
            return 0;
        }
        return Window::WindowProc(msg, wp, lp);
    }
};

}  // namespace

TEST(FileDropTarget, ADropGoesToTheNearestWindowThatTakesFiles)
{
    controlstest::UseMemoryWindows();
    DropTarget top, panel, inner;
    ASSERT_TRUE(top.CreateEx(0, "Top", "", WS_POPUP | WS_VISIBLE, {50, 50, 250, 250}, nullptr, 0));
    ASSERT_TRUE(panel.CreateEx(0, "Panel", "", WS_CHILD | WS_VISIBLE, {10, 10, 110, 110}, &top, 1));
    ASSERT_TRUE(inner.CreateEx(0, "Inner", "", WS_CHILD | WS_VISIBLE, {20, 20, 60, 60}, &panel, 2));
    EXPECT_FALSE(DeliverDroppedFiles(top, {40, 40}, {"/a.mp3"}));
    DragAcceptFiles(panel, true);
    ASSERT_TRUE(DeliverDroppedFiles(top, {40, 40}, {"/a.mp3", "/b.kvo"}));
    EXPECT_TRUE(inner.paths.empty());
    EXPECT_EQ(panel.paths, (std::vector<std::string>{"/a.mp3", "/b.kvo"}));
    EXPECT_EQ(panel.point, (Point{30, 30}));
    // Outside the panel nothing takes it; once the panel stops taking
    // files, neither does it.
    EXPECT_FALSE(DeliverDroppedFiles(top, {150, 150}, {"/c.mp3"}));
    DragAcceptFiles(panel, false);
    EXPECT_FALSE(DeliverDroppedFiles(top, {40, 40}, {"/c.mp3"}));
    top.DestroyWindow();
}
