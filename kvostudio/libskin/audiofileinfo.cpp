#include "kvostudio/libskin/audiofileinfo.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <exception>
#include <strings.h>

#include "kvostudio/folders.h"
#include "kvostudio/include/convert/auxiliary.h"
#include "kvostudio/libskin/id3tagv2.h"
#include "libkvo/src/kvofile.h"
#include "mp3file/src/mp3fileplayer.h"

namespace {

// Whole seconds of a length the players report (NaN and negatives are 0).
int WholeSeconds(float seconds)
{
    if (!(seconds > 0.0f))
        return 0;
    if (seconds >= static_cast<float>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(seconds);
}

bool ExtensionIs(const char* path, const char* ext)
{
    const char* dot = std::strrchr(path, '.');
    return dot && strcasecmp(dot, ext) == 0;
}

int ContainerLength(const char* path)
{
    KvoFile file;
    if (!file.Open(path, false))
        return 0;
    const int length = WholeSeconds(file.GetLengthSeconds());
    file.Close();
    return length;
}

int Mp3PlayerLength(const char* path)
{
    try {
        Mp3FilePlayer player;
        if (!player.Open(path))
            return 0;
        const int length = WholeSeconds(player.GetLengthSeconds());
        player.Close();
        return length;
    } catch (const std::exception&) {
        return 0;
    }
}

int ReadContainer(const char* path, std::string& label, std::string& title, std::string& artist,
                  std::string& lyrics, int& length)
{
    KvoTagInfo tag;
    if (!tag.Load(path))
        return 0;
    // A container whose audio does not open is still listed, at 00:00.
    length = ContainerLength(path);
    if (tag.artist[0] && tag.title[0]) {
        artist = tag.artist;
        title = tag.title;
        label = artist + " - " + title;
        lyrics = tag.lyrics;
    } else {
        label = GetFullPathFileName(path);
        title = label;
        artist.clear();
        lyrics.clear();
    }
    return 1;
}

int ReadMp3(const char* path, std::string& label, std::string& title, std::string& artist,
            std::string& lyrics, int& length)
{
    CId3tagv2 tag;
    const bool tagged = tag.Read(path) == 0;
    length = tagged ? static_cast<int>(std::min<uint32_t>(tag.GetDurationSeconds(), INT_MAX)) : Mp3PlayerLength(path);
    if (length == 0)
        return 0;
    try {
        artist = tag.GetArtist();
        title = tag.GetTitle();
    } catch (const std::exception&) {
        // The label is made from what was read.
    }
    if (artist.empty() && title.empty()) {
        label = GetFullPathFileName(path);
        title = label;
        lyrics.clear();
        return 1;
    }
    if (!artist.empty() && !title.empty())
        label = artist + " - " + title;
    else
        label = artist.empty() ? title : artist;
    lyrics = tag.GetLyrics();
    return 1;
}

}  // namespace

std::string FormatPlayTime(int seconds)
{
    if (seconds < 0)
        seconds = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d", seconds / 60, seconds % 60);
    return text;
}

int GetAudioFileInfo(const char* path, std::string& label, std::string& title, std::string& artist,
                     std::string& time, std::string& lyrics, int& format)
{
    if (!path || !std::strchr(path, '.'))
        return 0;
    int length = 0;
    if (ExtensionIs(path, ".kvo")) {
        if (!ReadContainer(path, label, title, artist, lyrics, length))
            return 0;
        format = 1;
    } else if (ExtensionIs(path, ".mp3")) {
        artist.clear();
        title.clear();
        if (!ReadMp3(path, label, title, artist, lyrics, length))
            return 0;
        format = 0;
    } else {
        return 0;
    }
    time = FormatPlayTime(length);
    return 1;
}
