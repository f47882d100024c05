// The play time and catalogue song id the upload engine reports for the
// file it sent.

#include "kvostudio/uploadimpl.h"

#include "kvostudio/include/convert/auxiliary.h"
#include "kvostudio/libskin/id3tagv2.h"
#include "libkvo/src/kvofile.h"
#include "mp3file/src/mp3fileplayer.h"

#include <cctype>
#include <cmath>
#include <climits>
#include <cstdlib>

namespace {

// The extension of the path's file name, lower case, with its dot.
std::string LowerExtension(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// Whole seconds of a length, toward zero; 0 for what is not a sane length.
int WholeSeconds(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0 || seconds >= INT_MAX)
        return 0;
    return static_cast<int>(seconds);
}

int ToInt(long value)
{
    return value < INT_MIN || value > INT_MAX ? 0 : static_cast<int>(value);
}

// The TFID number of a container's tag block; 0 without one. False when the
// tag block cannot be read.
bool ContainerSongId(const std::string& path, int& songId)
{
    KvoTagInfo tags;
    if (!tags.Load(path.c_str()))
        return false;
    if (const char* id = tags.FileId())
        songId = ToInt(std::atol(id));
    return true;
}

}  // namespace

void ReadUploadFileFacts(const std::string& filePath, const std::string& songSourcePath, int& playTime, int& songId)
{
    playTime = 0;
    songId = 0;
    const std::string ext = LowerExtension(filePath);
    if (ext == ".mp3") {
        CId3tagv2 tag;
        if (tag.Read(filePath.c_str()) == 0) {
            const uint32_t seconds = tag.GetDurationSeconds();
            playTime = seconds > INT_MAX ? 0 : static_cast<int>(seconds);
        } else {
            Mp3FilePlayer player;
            if (player.Open(filePath.c_str()))
                playTime = WholeSeconds(player.GetLengthSeconds());
            player.Close();
        }
    } else if (ext == ".kvo") {
        if (ContainerSongId(filePath, songId)) {
            KvoFile reader;
            if (reader.Open(filePath.c_str(), false))
                playTime = WholeSeconds(reader.GetLengthSeconds());
            reader.Close();
        }
    }

    if (songSourcePath.empty())
        return;
    if (LowerExtension(songSourcePath) == ".mp3") {
        // The number of a recording made from a catalogue song is kept in the
        // uploaded file's own user text.
        CId3tagv2 tag;
        if (tag.Read(filePath.c_str()) == 0)
            songId = ToInt(std::atol(tag.GetUserText().c_str()));
    } else {
        ContainerSongId(songSourcePath, songId);
    }
}
