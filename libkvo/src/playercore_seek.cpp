// Seek, loop play and reverse play.

#include "libkvo/src/playercore.h"

int PlayerCore::Seek(int, MP3_TIME*, int) { return 0; }
int PlayerCore::PlayLoop(int, MP3_TIME*, int, MP3_TIME*, int) { return 0; }
int PlayerCore::ReverseMode(int) { return 0; }
