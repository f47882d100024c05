#pragma once
// What the play list shows of a music file: a display label, title,
// artist, lyrics, play time and whether it is a container. Read from a
// container's tag block or an MP3 file's ID3 tag; the length from the tag
// or, failing that, from the players.

#include <string>

// 1 when the file is one the play list takes (a ".kvo" container whose tag
// block and audio read, or an ".mp3" file that holds audio; the extension
// in any case), with the outputs filled; 0 otherwise, with the reason in
// plain words in *whyNot when given. A song under a second is taken and
// shows 00:00. Any thread.
int GetAudioFileInfo(const char* path, std::string& label, std::string& title, std::string& artist,
                     std::string& time, std::string& lyrics, int& format, std::string* whyNot = nullptr);

// Why the play list cannot take the file, as far as its name and its
// directory entry tell without opening it (another kind of file, not
// there, a folder, a FIFO or device, unreadable, empty); empty when it may
// be a song. Never waits on the file: the UI thread asks it.
std::string ListProblemBeforeReading(const char* path);
// 1 when the name is a container's (".kvo"), else 0.
int ListFormatOf(const char* path);

// "mm:ss" of a length in whole seconds; an hour and more counts on in
// minutes ("61:05").
std::string FormatPlayTime(int seconds);
