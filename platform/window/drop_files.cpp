#include "platform/window/drop_files.h"

#include <gtk/gtk.h>

#include <cctype>
#include <string_view>
#include <unordered_set>

#include "platform/window/desktop_widget.h"
#include "platform/window/window.h"
#include "platform/window/window_at.h"

namespace platform {

namespace {

// Handles of the windows that accept files (handles are never reused, so a
// stale one matches nothing).
std::unordered_set<WindowHandle>& Accepting()
{
    static std::unordered_set<WindowHandle> set;
    return set;
}

constexpr const char* kHookedKey = "kvo-file-drop";

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The path of one file: address, or empty when it is not a usable one.
std::string PathFromFileUri(const std::string& uri)
{
    constexpr std::string_view kScheme = "file://";
    if (uri.size() <= kScheme.size())
        return {};
    for (size_t i = 0; i < kScheme.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(uri[i])) != kScheme[i])
            return {};
    const size_t slash = uri.find('/', kScheme.size());
    if (slash == std::string::npos)
        return {};
    const std::string host = uri.substr(kScheme.size(), slash - kScheme.size());
    if (!host.empty() && g_ascii_strcasecmp(host.c_str(), "localhost") != 0)
        return {};
    std::string path;
    for (size_t i = slash; i < uri.size(); ++i) {
        if (uri[i] != '%') {
            path += uri[i];
            continue;
        }
        if (i + 2 >= uri.size())
            return {};
        const int hi = HexValue(uri[i + 1]);
        const int lo = HexValue(uri[i + 2]);
        if (hi < 0 || lo < 0 || (hi == 0 && lo == 0))
            return {};
        path += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return path;
}

void OnDragDataReceived(GtkWidget*, GdkDragContext*, gint x, gint y, GtkSelectionData* data, guint, guint,
                        gpointer user)
{
    Window* top = Window::FromHandle(static_cast<WindowHandle>(GPOINTER_TO_UINT(user)));
    if (!top || !data)
        return;
    const gint length = gtk_selection_data_get_length(data);
    const guchar* bytes = gtk_selection_data_get_data(data);
    if (length <= 0 || !bytes)
        return;
    DeliverDroppedFiles(*top, {x, y},
                        PathsFromUriList(std::string(reinterpret_cast<const char*>(bytes), size_t(length))));
}

void MakeDropTarget(Window& window)
{
    Window* top = window.GetTopLevel();
    auto* widget = top ? static_cast<GtkWidget*>(DesktopWidgetOf(*top)) : nullptr;
    if (!widget || g_object_get_data(G_OBJECT(widget), kHookedKey))
        return;
    static GtkTargetEntry uriList{const_cast<gchar*>("text/uri-list"), 0, 0};
    gtk_drag_dest_set(widget, GTK_DEST_DEFAULT_ALL, &uriList, 1, GDK_ACTION_COPY);
    g_signal_connect(widget, "drag-data-received", G_CALLBACK(OnDragDataReceived),
                     GUINT_TO_POINTER(top->GetSafeHwnd()));
    g_object_set_data(G_OBJECT(widget), kHookedKey, GINT_TO_POINTER(1));
}

}  // namespace

void DragAcceptFiles(Window& window, bool accept)
{
    if (!window.IsWindow())
        return;
    if (!accept) {
        Accepting().erase(window.GetSafeHwnd());
        return;
    }
    // Windows that are gone take no drops.
    std::erase_if(Accepting(), [](WindowHandle h) { return Window::FromHandle(h) == nullptr; });
    Accepting().insert(window.GetSafeHwnd());
    MakeDropTarget(window);
}

bool AcceptsDroppedFiles(const Window& window)
{
    return window.IsWindow() && Accepting().count(window.GetSafeHwnd()) != 0;
}

bool DeliverDroppedFiles(Window& top, Point client, std::vector<std::string> paths)
{
    if (paths.empty() || !top.IsWindow() || !top.GetClientRect().Contains(client))
        return false;
    const Point screen = top.ClientToScreen(client);
    for (Window* w = DeepestWindowAt(top, client, false); w; w = w->IsTopLevel() ? nullptr : w->GetParent()) {
        if (!AcceptsDroppedFiles(*w))
            continue;
        DroppedFiles drop{std::move(paths), w->ScreenToClient(screen)};
        w->SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(&drop), 0);
        return true;
    }
    return false;
}

std::vector<std::string> PathsFromUriList(const std::string& text)
{
    std::vector<std::string> paths;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        std::string path = PathFromFileUri(line);
        if (!path.empty())
            paths.push_back(std::move(path));
    }
    return paths;
}

}  // namespace platform
