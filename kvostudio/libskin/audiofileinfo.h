#pragma once
// What the play list shows of a music file: a display label, title,
// artist, lyrics, play time and whether it is a container. Read from a
// container's tag block or an MP3 file's ID3 tag; the length from the tag
// or, failing that, from the players.

#include <string>

// 1 when the file is one the play list takes (a readable ".kvo" container,
// or an ".mp3" file with a length of at least a second; the extension in
// any case), with the outputs filled; 0 otherwise. Any thread.
int GetAudioFileInfo(const char* path, std::string& label, std::string& title, std::string& artist,
                     std::string& time, std::string& lyrics, int& format);

// "mm:ss" of a length in whole seconds; an hour and more counts on in
// minutes ("61:05").
std::string FormatPlayTime(int seconds);
