#include "kvostudio/fileproblem.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "kvostudio/playimpl.h"
#include "platform/window/debug_output.h"
#include "platform/window/message_box.h"

namespace {

constexpr const char* kCannotPlay = "it cannot be played";
constexpr const char* kDeviceNotOpened = "the sound device could not be opened";
constexpr const char* kDeviceNotPrepared = "the sound device could not be prepared";

// What the players say, by the reason part of their texts, in plain words.
// The container's entry applies where a container's player said it.
struct Wording {
    const char* says;
    const char* mp3;
    const char* container;
};

constexpr Wording kWordings[] = {
    {"Seek value out of range", "empty file", "empty file"},
    {"Can't open file", "the file cannot be read", "the file cannot be read"},
    {"Size value out of range", "the file cannot be read", "the file cannot be read"},
    {"Can't create file", "the file cannot be read", "the file cannot be read"},
    {"Can't open NULL stream", "empty file", "the container holds no audio"},
    {"Invalid stream", "not an MP3 file", "damaged container"},
    {"Can't find first valid mp3 frame", "not an MP3 file", "damaged container"},
    {"differ in sample rate", "not an MP3 file", "damaged container"},
    {"Memory allocation error", "not enough memory to play it", "not enough memory to play it"},
    {"Can't open wave output", kDeviceNotOpened, kDeviceNotOpened},
    {"Can't initialize wave out", kDeviceNotPrepared, kDeviceNotPrepared},
    {"Can't create decoding thread", "the player could not start", "the player could not start"},
};

std::string SystemReason(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return "file not found";
    case EACCES:
    case EPERM:
        return "no permission to read the file";
    default:
        return std::string("the file cannot be read (") + std::strerror(error) + ")";
    }
}

// What opening the container says; empty when it opens. Its tag block is
// not asked: a container whose tag is empty or unreadable still plays, and
// what stopped it playing is then the player's to say.
std::string ContainerProblem(const std::string& path)
{
    KvoFile kvo;
    if (kvo.Open(path.c_str(), false))
        return {};
    // Without a player the container's own layout was wrong; with one the
    // player refused what the container holds.
    const char* said = kvo.Player() ? kvo.Player()->GetError() : nullptr;
    return said && *said ? PlainPlayerError(said, true) : "damaged container";
}

std::string Mp3Problem(const std::string& path)
{
    Mp3FilePlayer mp3;
    if (mp3.Open(path.c_str()))
        return {};
    const char* said = mp3.Player() ? mp3.Player()->GetError() : nullptr;
    return said && *said ? PlainPlayerError(said, false) : "not an MP3 file";
}

// The message stays on the screen however many files, and however deep
// their folders: so many are named, each path cut to so many bytes.
constexpr size_t kNamedFilesAtMost = 8;
constexpr size_t kPathBytesAtMost = 120;

// A UTF-8 character's first byte at or before 'at'.
size_t CharacterStart(const std::string& text, size_t at)
{
    while (at > 0 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
        --at;
    return at;
}

// The path's beginning and its end (the file's name) around an ellipsis
// when it is longer than the message takes.
std::string ShortenedPath(const std::string& path)
{
    if (path.size() <= kPathBytesAtMost)
        return path;
    constexpr size_t kHead = 40;
    const size_t headEnd = CharacterStart(path, kHead);
    const size_t tailStart = CharacterStart(path, path.size() - (kPathBytesAtMost - kHead - 3));
    return path.substr(0, headEnd) + "\u2026" + path.substr(tailStart);
}

}  // namespace

std::string PlainPlayerError(const std::string& playerError, bool container)
{
    for (const Wording& w : kWordings)
        if (playerError.find(w.says) != std::string::npos)
            return container ? w.container : w.mp3;
    return kCannotPlay;
}

std::string FileFailureReason(const std::string& path, const std::string& playerError)
{
    if (path.empty())
        return "file not found";
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return SystemReason(errno);
    if (S_ISDIR(st.st_mode))
        return "a folder, not a file";
    if (!S_ISREG(st.st_mode))
        return "not a regular file";
    if (access(path.c_str(), R_OK) != 0)
        return SystemReason(errno);
    if (st.st_size == 0)
        return "empty file";

    const int type = CPlayImpl::FileTypeOf(path);
    std::string problem;
    if (type == CPlayImpl::kFileKvo)
        problem = ContainerProblem(path);
    else if (type == CPlayImpl::kFileMp3)
        problem = Mp3Problem(path);
    else
        return "not a .kvo or .mp3 file";
    if (!problem.empty())
        return problem;
    return playerError.empty() ? kCannotPlay : PlainPlayerError(playerError, type == CPlayImpl::kFileKvo);
}

bool IsSoundDeviceReason(const std::string& reason)
{
    return reason == kDeviceNotOpened || reason == kDeviceNotPrepared;
}

bool IsFileProblem(const std::string& reason)
{
    return reason != kCannotPlay && !IsSoundDeviceReason(reason);
}

std::string FileProblemsText(const std::vector<FileProblem>& problems)
{
    if (problems.empty())
        return {};
    std::string text = problems.size() == 1 ? "This file cannot be played:\n" : "These files cannot be played:\n";
    const size_t named = std::min(problems.size(), kNamedFilesAtMost);
    for (size_t i = 0; i < named; ++i)
        text += "\n" + ShortenedPath(problems[i].path) + ": " + problems[i].reason;
    if (problems.size() > named)
        text += "\nand " + std::to_string(problems.size() - named) + " more";
    return text;
}

void ShowFileProblems(platform::Window* owner, const std::vector<FileProblem>& problems)
{
    if (problems.empty())
        return;
    const std::string text = FileProblemsText(problems);
    platform::DebugOutput("file message: " + text);
    platform::MessageBox(owner, text, "KVO Studio", platform::MB_OK | platform::MB_ICONWARNING);
}
