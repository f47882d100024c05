#include "platform/window/file_dialog.h"

#include <gtk/gtk.h>

#include <cctype>
#include <cstdio>

#include "platform/window/desktop_widget.h"
#include "platform/window/ui_loop.h"
#include "platform/window/window.h"

namespace platform {

namespace {

FileDialogHandler& Handler()
{
    static FileDialogHandler handler;
    return handler;
}

std::string Trim(const std::string& text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    return text.substr(begin, end - begin);
}

// "*.mp3" becomes "*.[mM][pP]3": GTK's patterns count letter case, the
// program's filters do not.
std::string AnyCasePattern(const std::string& pattern)
{
    std::string out;
    for (char c : pattern) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalpha(u) && u < 0x80) {
            out += '[';
            out += static_cast<char>(std::tolower(u));
            out += static_cast<char>(std::toupper(u));
            out += ']';
        } else {
            out += c;
        }
    }
    return out;
}

FileDialogAnswer ShowOnDesktop(Window* ownerTop, const FileDialogRequest& req)
{
    GtkWindow* parent = ownerTop ? GTK_WINDOW(DesktopWidgetOf(*ownerTop)) : nullptr;
    GtkFileChooserAction action = GTK_FILE_CHOOSER_ACTION_OPEN;
    const char* accept = "_Open";
    if (req.kind == FileDialogKind::Save) {
        action = GTK_FILE_CHOOSER_ACTION_SAVE;
        accept = "_Save";
    } else if (req.kind == FileDialogKind::Folder) {
        action = GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER;
        accept = "_Select";
    }
    GtkWidget* dialog = gtk_file_chooser_dialog_new(req.title.c_str(), parent, action, "_Cancel",
                                                    GTK_RESPONSE_CANCEL, accept, GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    if (req.kind == FileDialogKind::Open)
        gtk_file_chooser_set_select_multiple(chooser, req.multiple ? TRUE : FALSE);
    if (req.kind == FileDialogKind::Save) {
        gtk_file_chooser_set_do_overwrite_confirmation(chooser, req.confirmOverwrite ? TRUE : FALSE);
        if (!req.initialName.empty())
            gtk_file_chooser_set_current_name(chooser, req.initialName.c_str());
    }
    if (!req.initialFolder.empty())
        gtk_file_chooser_set_current_folder(chooser, req.initialFolder.c_str());
    if (req.kind != FileDialogKind::Folder)
        for (const FileFilter& f : req.filters) {
            GtkFileFilter* filter = gtk_file_filter_new();
            gtk_file_filter_set_name(filter, f.name.c_str());
            for (const std::string& p : f.patterns)
                gtk_file_filter_add_pattern(filter, AnyCasePattern(p).c_str());
            gtk_file_chooser_add_filter(chooser, filter);  // the chooser owns it now
        }

    FileDialogAnswer answer;
    int response;
    {
        const ForeignModal modal([dialog] { gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL); });
        response = gtk_dialog_run(GTK_DIALOG(dialog));
    }
    if (response == GTK_RESPONSE_ACCEPT) {
        GSList* names = gtk_file_chooser_get_filenames(chooser);
        for (GSList* n = names; n; n = n->next) {
            answer.paths.emplace_back(static_cast<char*>(n->data));
            g_free(n->data);
        }
        g_slist_free(names);
        answer.ok = !answer.paths.empty();
    }
    gtk_widget_destroy(dialog);
    return answer;
}

}  // namespace

FileDialogHandler SetFileDialogHandler(FileDialogHandler handler)
{
    FileDialogHandler old = std::move(Handler());
    Handler() = std::move(handler);
    return old;
}

FileDialogAnswer ShowFileDialog(Window* owner, FileDialogRequest request)
{
    if (ClosingDown())
        return {};
    Window* ownerTop = (owner && owner->IsWindow()) ? owner->GetTopLevel() : nullptr;
    request.owner = ownerTop ? ownerTop->GetSafeHwnd() : 0;
    const WindowHandle ownerHandle = request.owner;
    const bool disable = ownerTop && ownerTop->IsWindowEnabled();
    if (disable)
        ownerTop->EnableWindow(false);
    FileDialogAnswer answer;
    if (Handler()) {
        answer = Handler()(request);
    } else if (HasDisplay() && IsUiThread()) {
        answer = ShowOnDesktop(ownerTop, request);
    } else {
        std::fprintf(stderr, "[file chooser] no display: nothing chosen\n");
    }
    if (disable)
        if (Window* o = Window::FromHandle(ownerHandle))
            o->EnableWindow(true);
    if (answer.paths.empty())
        answer.ok = false;
    if (!answer.ok)
        answer.paths.clear();
    return answer;
}

std::vector<FileFilter> ParseFileFilterText(const std::string& text)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t bar = text.find('|', start);
        if (bar == std::string::npos) {
            parts.push_back(text.substr(start));
            break;
        }
        parts.push_back(text.substr(start, bar - start));
        start = bar + 1;
    }
    std::vector<FileFilter> filters;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        FileFilter f;
        f.name = Trim(parts[i]);
        const std::string& list = parts[i + 1];
        size_t from = 0;
        while (from <= list.size()) {
            const size_t semi = list.find(';', from);
            const std::string one = Trim(list.substr(from, semi == std::string::npos ? std::string::npos : semi - from));
            if (!one.empty())
                f.patterns.push_back(one);
            if (semi == std::string::npos)
                break;
            from = semi + 1;
        }
        if (!f.name.empty() && !f.patterns.empty())
            filters.push_back(std::move(f));
    }
    return filters;
}

}  // namespace platform
