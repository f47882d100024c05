#include "kvostudio/libskin/audiofileinfo.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <exception>
#include <strings.h>
#include <unistd.h>

#include "kvostudio/fileproblem.h"
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

// Whole seconds of the container's song; -1 when its audio does not open.
int ContainerLength(const char* path)
{
    KvoFile file;
    if (!file.Open(path, false))
        return -1;
    const int length = WholeSeconds(file.GetLengthSeconds());
    file.Close();
    return length;
}

// Whole seconds of the MP3 file's song; -1 when the player finds no audio.
int Mp3PlayerLength(const char* path)
{
    try {
        Mp3FilePlayer player;
        if (!player.Open(path))
            return -1;
        const int length = WholeSeconds(player.GetLengthSeconds());
        player.Close();
        return length;
    } catch (const std::exception&) {
        return -1;
    }
}

int ReadContainer(const char* path, std::string& label, std::string& title, std::string& artist,
                  std::string& lyrics, int& length)
{
    // A container whose audio does not open would be a row that never plays.
    length = ContainerLength(path);
    if (length < 0)
        return 0;
    // Its tag block only names the song: one that is empty or cannot be
    // read leaves it named by its file, as an MP3 file without tags is.
    KvoTagInfo tag;
    if (tag.Load(path) && tag.artist[0] && tag.title[0]) {
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
    // The player measures the frames that play and says whether there are
    // any; the tag reader's guess from the file's size would count whatever
    // else the file holds.
    length = Mp3PlayerLength(path);
    if (length < 0)
        return 0;
    CId3tagv2 tag;
    tag.Read(path);
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

namespace {

int ReadFile(const char* path, std::string& label, std::string& title, std::string& artist, std::string& lyrics,
             int& format, int& length)
{
    if (!std::strchr(path, '.'))
        return 0;
    if (ExtensionIs(path, ".kvo")) {
        format = 1;
        return ReadContainer(path, label, title, artist, lyrics, length);
    }
    if (ExtensionIs(path, ".mp3")) {
        artist.clear();
        title.clear();
        format = 0;
        return ReadMp3(path, label, title, artist, lyrics, length);
    }
    return 0;
}

std::string WhyNotListed(const char* path)
{
    const std::string unread = ListProblemBeforeReading(path);
    return unread.empty() ? FileFailureReason(path) : unread;
}

}  // namespace

// The list goes by the text after the last dot, the players by the last
// three characters: a file of another kind is named as such before the
// players are asked.
std::string ListProblemBeforeReading(const char* path)
{
    if (!path)
        return FileProblemUnopened("");
    const bool songKind = ExtensionIs(path, ".kvo") || ExtensionIs(path, ".mp3");
    if (!songKind && access(path, F_OK) == 0)
        return "not a .kvo or .mp3 file";
    return FileProblemUnopened(path);
}

int ListFormatOf(const char* path)
{
    return path && ExtensionIs(path, ".kvo") ? 1 : 0;
}

int GetAudioFileInfo(const char* path, std::string& label, std::string& title, std::string& artist,
                     std::string& time, std::string& lyrics, int& format, std::string* whyNot)
{
    int length = 0;
    int kind = 0;
    if (!path || !ReadFile(path, label, title, artist, lyrics, kind, length)) {
        if (whyNot)
            *whyNot = WhyNotListed(path);
        return 0;
    }
    format = kind;
    time = FormatPlayTime(length);
    return 1;
}
