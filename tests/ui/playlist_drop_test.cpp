// Files dragged onto the play list from another window of the desktop: a
// real drag and drop of a text/uri-list, moved with the pointer. The
// program never starts drags itself, so the test makes its drag source
// with the desktop's toolkit directly.
#include <gtk/gtk.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/playlistdlg.h"
#include "platform/window/message_box.h"
#include "tests/support/mp3_maker.h"
#include "tests/support/temp_files.h"
#include "ui_test_env.h"

using namespace platform;

namespace {

// A small window that hands out the given text/uri-list when dragged.
class DragSource {
public:
    DragSource(std::string uris, Point at) : uris_(std::move(uris))
    {
        window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        GtkWidget* box = gtk_event_box_new();
        gtk_container_add(GTK_CONTAINER(window_), box);
        gtk_window_set_default_size(GTK_WINDOW(window_), 100, 100);
        gtk_window_move(GTK_WINDOW(window_), at.x, at.y);
        static GtkTargetEntry uriList{const_cast<gchar*>("text/uri-list"), 0, 0};
        gtk_drag_source_set(box, GDK_BUTTON1_MASK, &uriList, 1, GDK_ACTION_COPY);
        g_signal_connect(box, "drag-data-get", G_CALLBACK(OnGet), this);
        g_signal_connect(box, "drag-begin", G_CALLBACK(OnBegin), this);
        g_signal_connect(box, "drag-end", G_CALLBACK(OnEnd), this);
        gtk_widget_show_all(window_);
    }
    ~DragSource()
    {
        gtk_widget_destroy(window_);
        if (drag_)
            g_object_unref(drag_);
    }

    // The desktop has the source window under the pointer.
    bool UnderPointer() const
    {
        GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
        GdkWindow* at = gdk_device_get_window_at_position(gdk_seat_get_pointer(seat), nullptr, nullptr);
        return at && gdk_window_get_toplevel(at) == gtk_widget_get_window(window_);
    }
    bool Dragging() const { return drag_ != nullptr; }
    // The window under the pointer said it takes the drop.
    bool Accepted() const
    {
        return drag_ && gdk_drag_context_get_dest_window(drag_) && gdk_drag_context_get_selected_action(drag_) != 0;
    }

private:
    static void OnBegin(GtkWidget*, GdkDragContext* drag, gpointer self)
    {
        auto* source = static_cast<DragSource*>(self);
        if (source->drag_)
            g_object_unref(source->drag_);
        source->drag_ = GDK_DRAG_CONTEXT(g_object_ref(drag));
    }
    static void OnEnd(GtkWidget*, GdkDragContext*, gpointer self)
    {
        auto* source = static_cast<DragSource*>(self);
        if (source->drag_)
            g_object_unref(source->drag_);
        source->drag_ = nullptr;
    }
    static void OnGet(GtkWidget*, GdkDragContext*, GtkSelectionData* data, guint, guint, gpointer self)
    {
        const std::string& uris = static_cast<DragSource*>(self)->uris_;
        gtk_selection_data_set(data, gdk_atom_intern("text/uri-list", FALSE), 8,
                               reinterpret_cast<const guchar*>(uris.data()), static_cast<gint>(uris.size()));
    }

    std::string uris_;
    GtkWidget* window_;
    GdkDragContext* drag_ = nullptr;
};

}  // namespace

TEST(PlayListOnTheDisplay, TakesFilesDraggedFromAnotherWindow)
{
    KVO_REQUIRE_DISPLAY();
    testsupport::TempDir dir;
    testsupport::Mp3Options options;
    options.bitrateKbps = 32;
    testsupport::WriteFile(dir.File("my song.mp3"),
                           testsupport::MakeMp3(testsupport::MakeTone(22050, 1, 2.2, 440, 0.3), options));
    testsupport::WriteFile(dir.File("notes.txt"), {1, 2, 3});

    Window main;
    ASSERT_TRUE(main.CreateEx(0, "Main", "KVO Studio", WS_POPUP | WS_VISIBLE, RectOfSize(300, 120, 338, 329),
                              nullptr, 0));
    const Bitmap body = LoadSkinBitmap(skin::kBody);
    CPlayListDlg dlg(&main, &body);
    ASSERT_TRUE(dlg.Create());
    dlg.MoveWindow({9, 175, 330, 319});
    std::vector<std::string> boxes;
    const MessageBoxHandler old = SetMessageBoxHandler([&](const MessageBoxRequest& r) {
        boxes.push_back(r.text);
        return IDOK;
    });
    DragSource source("file://" + dir.File("my%20song.mp3") + "\r\nfile://" + dir.File("notes.txt") + "\r\n",
                      {40, 40});
    const Point target = dlg.GetList().ClientToScreen(Point{60, 30});
    ASSERT_TRUE(uitest::PointInto(main, target));
    ASSERT_TRUE(uitest::MoveTo(90, 90));
    ASSERT_TRUE(uitest::Wait([&] { return source.UnderPointer(); }));

    // Pressed and moved past the toolkit's threshold, the drag begins; over
    // the list, the list says it takes the files; only then is the button
    // let go.
    ASSERT_TRUE(uitest::Xdo({"mousedown", "1"}));
    ASSERT_TRUE(uitest::MoveTo(120, 120));
    ASSERT_TRUE(uitest::Wait([&] { return source.Dragging(); }));
    for (int i = 1; i <= 10; ++i)
        ASSERT_TRUE(uitest::MoveTo(120 + (target.x - 120) * i / 10, 120 + (target.y - 120) * i / 10));
    ASSERT_TRUE(uitest::MoveTo(target.x + 2, target.y + 2));
    ASSERT_TRUE(uitest::Wait([&] { return source.Accepted(); }));
    ASSERT_TRUE(uitest::Xdo({"mouseup", "1"}));
    ASSERT_TRUE(uitest::Wait([&] { return dlg.GetItemCount() == 1 && !boxes.empty(); }));
    EXPECT_EQ(dlg.GetList().GetItemText(0, 0), "my song.mp3");
    EXPECT_EQ(dlg.GetList().GetItemText(0, 1), "00:02");
    // The file it could not take is named.
    EXPECT_EQ(boxes, std::vector<std::string>{"This file cannot be played:\n\n" + dir.File("notes.txt") +
                                              ": not a .kvo or .mp3 file"});
    SetMessageBoxHandler(old);

    main.DestroyWindow();
}

namespace {

// Watches, from the test's own loop, for a message box of this process that
// was not there before; notes its place and answers it with Return, again
// each second it stays (a box that was mapped but not yet taking keys lets
// the first Return pass).
struct BoxWatch {
    std::vector<unsigned long> seen;
    std::vector<Rect> boxes;
    unsigned long open = 0;
    std::chrono::steady_clock::time_point answered;

    static gboolean Look(gpointer self)
    {
        auto* watch = static_cast<BoxWatch*>(self);
        for (unsigned long id : uitest::VisibleWindows(getpid())) {
            if (std::find(watch->seen.begin(), watch->seen.end(), id) != watch->seen.end())
                continue;
            const auto rect = uitest::WindowGeometry(id);
            const auto title = testsupport::CommandOutput({"xdotool", "getwindowname", std::to_string(id)});
            // (The drag's own icon window comes and goes too.)
            if (!rect || title != "KVO Studio\n")
                continue;
            watch->seen.push_back(id);
            watch->boxes.push_back(*rect);
            watch->open = id;
            uitest::Screenshot(uitest::ArtifactPath("eighty_files_message.png"));
            watch->Answer();
        }
        if (watch->open && !uitest::WindowGeometry(watch->open))
            watch->open = 0;
        else if (watch->open && std::chrono::steady_clock::now() - watch->answered > std::chrono::seconds(1))
            watch->Answer();
        return G_SOURCE_CONTINUE;
    }
    void Answer()
    {
        uitest::Xdo({"windowfocus", "--sync", std::to_string(open)});
        uitest::Xdo({"key", "Return"});
        answered = std::chrono::steady_clock::now();
    }
};

}  // namespace

TEST(PlayListOnTheDisplay, EightyFilesItCannotTakeAreOneMessageWhollyOnTheScreen)
{
    KVO_REQUIRE_DISPLAY();
    testsupport::TempDir dir;
    // One of them in a folder so deep that its path alone would be wider
    // than the screen.
    std::string deep = dir.Path();
    for (int i = 0; i < 12; ++i) {
        deep += "/a folder nested deeper and deeper " + std::to_string(i);
        ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
    }
    std::string uris;
    for (int i = 0; i < 80; ++i) {
        const std::string path = i == 0 ? deep + "/deep.mp3" : dir.File("text" + std::to_string(i) + ".mp3");
        testsupport::WriteFile(path, {'n', 'o', ' ', 's', 'o', 'n', 'g'});
        gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
        ASSERT_NE(uri, nullptr);
        uris += std::string(uri) + "\r\n";
        g_free(uri);
    }

    Window main;
    ASSERT_TRUE(main.CreateEx(0, "Main", "KVO Studio", WS_POPUP | WS_VISIBLE, RectOfSize(300, 120, 338, 329),
                              nullptr, 0));
    const Bitmap body = LoadSkinBitmap(skin::kBody);
    CPlayListDlg dlg(&main, &body);
    ASSERT_TRUE(dlg.Create());
    dlg.MoveWindow({9, 175, 330, 319});
    DragSource source(uris, {40, 40});
    const Point target = dlg.GetList().ClientToScreen(Point{60, 30});
    ASSERT_TRUE(uitest::PointInto(main, target));
    ASSERT_TRUE(uitest::MoveTo(90, 90));
    ASSERT_TRUE(uitest::Wait([&] { return source.UnderPointer(); }));
    // The desktop's own message box this time, watched from the loop it
    // runs in.
    BoxWatch watch;
    watch.seen = uitest::VisibleWindows(getpid());

    ASSERT_TRUE(uitest::Xdo({"mousedown", "1"}));
    ASSERT_TRUE(uitest::MoveTo(120, 120));
    ASSERT_TRUE(uitest::Wait([&] { return source.Dragging(); }));
    for (int i = 1; i <= 10; ++i)
        ASSERT_TRUE(uitest::MoveTo(120 + (target.x - 120) * i / 10, 120 + (target.y - 120) * i / 10));
    ASSERT_TRUE(uitest::MoveTo(target.x + 2, target.y + 2));
    ASSERT_TRUE(uitest::Wait([&] { return source.Accepted(); }));
    ASSERT_TRUE(uitest::Xdo({"mouseup", "1"}));
    // Watched only once the drop is done: the drag needs this loop's
    // answers without the watch's pauses.
    const guint watching = g_timeout_add(100, &BoxWatch::Look, &watch);
    if (!RunLoopUntil([&] { return !watch.boxes.empty() && watch.open == 0; }, 20000)) {
        uitest::Screenshot(uitest::ArtifactPath("eighty_files_stuck.png"));
        ADD_FAILURE() << watch.boxes.size() << " boxes seen, " << (watch.open ? "one still open" : "none open")
                      << ", " << dlg.GetItemCount() << " rows";
    }
    g_source_remove(watching);

    ASSERT_EQ(watch.boxes.size(), 1u);
    const Rect box = watch.boxes[0];
    const Rect screen = GetScreenRect();
    EXPECT_GE(box.left, screen.left);
    EXPECT_GE(box.top, screen.top);
    EXPECT_LE(box.right, screen.right);
    EXPECT_LE(box.bottom, screen.bottom);
    // Its OK button, at its foot, is on the screen with it; a box of every
    // name would be taller than the screen.
    EXPECT_LT(box.Height(), screen.Height() / 2);
    EXPECT_EQ(dlg.GetItemCount(), 0);

    main.DestroyWindow();
}
