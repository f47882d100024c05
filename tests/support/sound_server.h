// A private PulseAudio server for tests that need a real sound server: its
// own runtime and home folders, a null sink as the speakers and pipe
// sources as microphones, each fed from a FIFO with sound the test chooses
// at the pace of real time. Ended by its process id when the object goes.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/temp_files.h"

namespace testsupport {

class PrivateSoundServer {
public:
    struct Microphone {
        std::string name;         // the source's id
        std::string description;  // as a desktop would show it
    };
    static constexpr char kSpeakers[] = "speakers";
    static constexpr char kSpeakersDescription[] = "Test Speakers";
    static constexpr char kSpeakersMonitor[] = "speakers.monitor";
    static constexpr char kSpeakersMonitorDescription[] = "Monitor of Test Speakers";

    PrivateSoundServer();
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    // Starts the daemon with the speakers and these microphones; the last
    // one named defaultSource (or the first) is the default source. False,
    // with Why() saying so, when the daemon cannot be started here.
    bool Start(const std::vector<Microphone>& microphones, const std::string& defaultSource = "");
    const std::string& Why() const { return why_; }

    // "NAME=VALUE" entries that lead a client process to this server and
    // no other (and never start one of its own).
    std::vector<std::string> ClientEnv() const;
    // Puts the same into this process's environment until the object goes.
    void UseInThisProcess();

    // Feeds the microphone's FIFO with 44100 Hz 16-bit stereo samples at the
    // pace of real time, over and over until StopFeeding (or once, after
    // which the source falls silent: no more sound comes from it at all).
    void Feed(const std::string& microphone, std::vector<int16_t> samples, bool repeat = true);
    void StopFeeding();

    // Runs pactl against this server; its standard output, nothing on failure.
    std::optional<std::string> Pactl(const std::vector<std::string>& args) const;

    // A source that hears exactly what the speakers play (their monitor,
    // remapped as a source of its own, as a microphone held to them would
    // hear it with no delay of its own).
    bool AddEars(const std::string& name, const std::string& description);
    // Takes the source away as a desktop does when it is unplugged: its
    // module is unloaded.
    bool RemoveSource(const std::string& name);

    // What a source hears, recorded by parec into a file of 44100 Hz
    // 16-bit stereo from when it starts, until the object goes.
    class Recording {
    public:
        ~Recording();
        Recording(const Recording&) = delete;
        Recording& operator=(const Recording&) = delete;
        bool Running() const { return parec_.Running(); }
        std::vector<int16_t> Samples() const;
        double Seconds() const;

    private:
        friend class PrivateSoundServer;
        Recording() = default;
        std::string path_;
        ChildProcess parec_;
    };
    std::unique_ptr<Recording> Record(const std::string& source);

private:
    void Stop();

    TempDir dir_;
    ChildProcess daemon_;
    std::string why_;
    std::vector<std::pair<std::string, std::string>> saved_;  // environment before UseInThisProcess
    bool usedHere_ = false;
    std::atomic<bool> feeding_{false};
    int recordings_ = 0;
    std::vector<std::thread> feeders_;
};

}  // namespace testsupport
