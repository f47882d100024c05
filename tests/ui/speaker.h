// What the program plays through SDL's disk driver: the driver writes a
// file, anew each time the program opens the sound device (a song opened,
// a stopped song played). A display test reads it to hear where a song
// starts again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/ui/running_program.h"

namespace uitest {

class Speaker {
public:
    explicit Speaker(RunningProgram& program) : program_(program), path_(program.SpeakerFile()) {}

    // 44100 Hz stereo samples written so far.
    std::vector<int16_t> Samples() const;
    double Seconds() const;
    // Lets the file go: the sound device opened next writes a file of its
    // own (a device still open goes on writing into the old one).
    void Forget() const;
    // Waits until the file holds `seconds` of sound.
    bool WaitFor(double seconds, int timeoutMs = 20000) const;
    // Waits, after a pause, until no more of the song comes: the device
    // writes its own silence, or nothing.
    bool WaitForSilence(int timeoutMs = 10000) const;
    // The file the device writes now, readable after Forget while the
    // device that has it open goes on writing into it.
    class Held {
    public:
        explicit Held(const std::string& path);
        ~Held();
        Held(Held&& other) noexcept;
        Held(const Held&) = delete;
        Held& operator=(const Held&) = delete;
        std::vector<int16_t> Samples() const;

    private:
        int fd_ = -1;
    };
    Held Hold() const { return Held(path_); }

private:
    RunningProgram& program_;
    std::string path_;
};

}  // namespace uitest
