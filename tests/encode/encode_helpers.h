#pragma once
// What the encoding tests share: an observer that records what it is told,
// a walk over the frame headers of an MP3 made without tags, and the
// folder the test program (and the modules beside it) runs from.

#include <cstdint>
#include <string>
#include <vector>

#include "kvostudio/include/convert/wavetomp3.h"

namespace encodetest {

struct RecordingObserver : Mp3EncodeObserver {
    int64_t total = -1;
    std::vector<int64_t> done;
    int reports = 0;
    std::vector<std::string> errors;

    void SetProgressTotal(int64_t t) override { total = t; }
    void SetProgressDone(int64_t d) override { done.push_back(d); }
    void ReportProgress() override { ++reports; }
    void ShowError(const char* text) override { errors.emplace_back(text); }
};

struct FrameHeader {
    int bitrateKbps = 0;
    int sampleRate = 0;
    int mode = 0;  // 0 stereo, 1 joint, 2 dual, 3 mono
    bool crc = false, privateBit = false, copyright = false, original = false;
};

// Every frame of an MPEG-1 Layer III stream that starts with a frame;
// a broken sync is a test failure.
std::vector<FrameHeader> WalkFrames(const std::vector<uint8_t>& mp3);

std::string ProgramFolder();

// Runs a command and returns what it printed.
std::string RunCommand(const std::string& command);

}  // namespace encodetest
