#pragma once
// The player's equalizer design thread: designs are costly, so they run here
// and the decoding thread only picks up the finished table set (see
// firequalizer.h). The owner posts a design request whenever the gains, the
// band edges or the output rate change; requests that pile up while a
// design runs are served by one design with the newest settings.

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/thread/message_thread.h"

class FirEqualizer;

// What one design is made from: a linear gain per band for each channel and
// the output rate.
struct EqDesignRequest {
    std::vector<float> leftGains;
    std::vector<float> rightGains;
    float sampleRate = 0.0f;
};

class EqDesignThread {
public:
    static constexpr uint32_t kDesignMessage = 1025;

    // Copies the player's current settings (under the player's own lock);
    // returning false skips the design.
    using ReadRequest = std::function<bool(EqDesignRequest&)>;
    // Told after each design that succeeded, with the rate it was made for
    // (the player records it and sets its ready flag).
    using Designed = std::function<void(float sampleRate)>;

    explicit EqDesignThread(FirEqualizer& equalizer) : equalizer_(equalizer) {}
    ~EqDesignThread() { Stop(); }
    EqDesignThread(const EqDesignThread&) = delete;
    EqDesignThread& operator=(const EqDesignThread&) = delete;

    // Starts the thread. False when it already runs or cannot be created.
    bool Start(ReadRequest read, Designed designed);
    // Posts a design request; false when the thread does not run.
    bool RequestDesign() { return thread_.Post(kDesignMessage); }
    // Ends the thread after the design in progress, if any, and joins it.
    void Stop() { thread_.QuitAndJoin(); }
    bool Running() const { return thread_.Running(); }

private:
    void Run(platform::MessageQueue& queue, const ReadRequest& read, const Designed& designed);

    FirEqualizer& equalizer_;
    platform::MessageThread thread_;
};
