// The re-mix dialog's "save to PC": the recording is copied where the user
// chooses and tagged with the song's file id.
#include <cctype>
#include <filesystem>
#include <system_error>

#include "kvostudio/folders.h"
#include "kvostudio/include/convert/auxiliary.h"
#include "kvostudio/libskin/id3tagv2.h"
#include "kvostudio/recordingimpl.h"
#include "kvostudio/remixdlg.h"
#include "kvostudio/settings.h"
#include "kvostudio/skinframe.h"
#include "platform/window/debug_output.h"
#include "platform/window/file_dialog.h"
#include "platform/window/message_box.h"

using namespace platform;

namespace {

constexpr char kFilter[] = "Music (*.mp3) | *.mp3|";

// The stored output folder, when it names a folder that exists.
std::string OutputFolder()
{
    char folder[config::kFolderCapacity] = {};
    int size = sizeof folder;
    if (!ReadConfigString(config::kGeneral, config::kFolder, folder, &size) || folder[0] == '\0')
        return {};
    std::error_code error;
    return std::filesystem::is_directory(folder, error) ? std::string(folder) : std::string();
}

bool CopyRecording(const std::string& target, std::string& reason)
{
    std::error_code error;
    std::filesystem::copy_file(GetUserDataFilePath(recfile::kCacheMp3), target,
                               std::filesystem::copy_options::overwrite_existing, error);
    if (error)
        reason = error.message();
    return !error;
}

void TagWithSongId(const std::string& songPath, const std::string& target)
{
    if (songPath.empty())
        return;
    KvoTagInfo tags;
    if (!tags.Load(songPath.c_str()) || !tags.FileId())
        return;
    CId3tagv2 tag;
    tag.SetUserText(tags.FileId());
    if (const int result = tag.Write(target.c_str()); result != 0)
        DebugOutput("Re-mix: the song's id could not be written into " + target + "\n");
}

}  // namespace

std::string CRecordingMoreDlg::SavePathFor(const std::string& chosen)
{
    const size_t slash = chosen.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::string path = chosen;
    for (size_t i = nameStart; i < path.size(); ++i)
        path[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(path[i])));
    if (path.size() < 4 || path.compare(path.size() - 4, 4, ".mp3") != 0)
        path += ".mp3";
    return path;
}

void CRecordingMoreDlg::SaveToPc()
{
    FileDialogRequest request;
    request.kind = FileDialogKind::Save;
    request.filters = ParseFileFilterText(kFilter);
    request.confirmOverwrite = true;
    request.initialFolder = OutputFolder();
    const FileDialogAnswer answer = ShowFileDialog(this, request);
    if (!answer.ok)
        return;
    const std::string chosen = answer.paths.front();
    const std::string target = SavePathFor(chosen);

    // The chooser asked about the name as typed; the name saved may be
    // another file, which must not be replaced unasked.
    std::error_code error;
    if (target != chosen && std::filesystem::exists(target, error)) {
        const std::string question = target + " already exists.\nDo you want to replace it?";
        if (MessageBox(this, question, skinframe::kTitle, MB_YESNO | MB_ICONWARNING) != IDYES)
            return;
    }
    std::string reason;
    if (!CopyRecording(target, reason)) {
        MessageBox(this, "The recording could not be saved to " + target + ".\n" + reason, skinframe::kTitle,
                   MB_OK | MB_ICONWARNING);
        return;
    }
    TagWithSongId(m_songPath, target);
    EndDialog(kSaved);
}
