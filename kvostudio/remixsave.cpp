// The re-mix dialog's "save to PC": the recording is copied where the user
// chooses, never over what is there unless it arrived whole, and tagged
// with the song's file id.
#include <strings.h>

#include <cstring>
#include <filesystem>
#include <system_error>

#include "kvostudio/folders.h"
#include "kvostudio/include/convert/auxiliary.h"
#include "kvostudio/libskin/id3tagv2.h"
#include "kvostudio/recordingimpl.h"
#include "kvostudio/remixdlg.h"
#include "kvostudio/settings.h"
#include "kvostudio/skinframe.h"
#include "kvostudio/takesave.h"
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

// Writes the song's file id into the saved file's tag. False, with the
// reason, when the song has an id that could not be written.
bool TagWithSongId(const std::string& songPath, const std::string& target, std::string& reason)
{
    if (songPath.empty())
        return true;
    KvoTagInfo tags;
    if (!tags.Load(songPath.c_str()) || !tags.FileId())
        return true;
    CId3tagv2 tag;
    tag.SetUserText(tags.FileId());
    if (const int result = tag.Write(target.c_str()); result != 0) {
        reason = result > 0 ? std::strerror(result) : "the file already has a tag";
        return false;
    }
    return true;
}

}  // namespace

std::string CRecordingMoreDlg::SavePathFor(const std::string& chosen)
{
    // Names here tell letter case apart: the chosen name is kept as it is,
    // and an ".MP3" the user typed is already the extension.
    const bool hasExtension = chosen.size() >= 4 && strcasecmp(chosen.c_str() + chosen.size() - 4, ".mp3") == 0;
    return hasExtension ? chosen : chosen + ".mp3";
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
    TakeSave save;
    if (!save.Begin(target, m_songPath, reason) || !save.Commit(GetUserDataFilePath(recfile::kCacheMp3), reason)) {
        MessageBox(this, std::string(kNotSavedText) + target + ".\n" + reason, skinframe::kTitle,
                   MB_OK | MB_ICONWARNING);
        return;
    }
    if (!TagWithSongId(m_songPath, target, reason))
        MessageBox(this, std::string(kSavedWithoutIdText) + target + " (" + reason + ").\n" + kCannotUploadText,
                   skinframe::kTitle, MB_OK | MB_ICONWARNING);
    EndDialog(kSaved);
}
