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

// "mm:ss" of a length in whole seconds; an hour and more counts on in
// minutes ("61:05").
std::string FormatPlayTime(int seconds);
