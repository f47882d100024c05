#pragma once
// A playback stream on the desktop's sound server, for the audio output
// service. The stream pulls the bytes to play from its owner as the server
// makes room for them, and tells its owner how far the listener has heard,
// by the server's own account of its buffers and latency, so that a buffer
// can be given back when it has been heard rather than when it was handed
// over. A pause corks the stream: what the server holds stays there and is
// heard first when the sound goes on.
//
// The owner's callbacks run on the stream's own thread with the stream's
// lock held: they must not call back into the stream.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform::soundserver {

class PlayStream {
public:
    // Copies up to `max` bytes (whole frames) to play next into `out`;
    // returns how many, 0 when nothing is queued now.
    using Pull = std::function<size_t(uint8_t* out, size_t max)>;
    // How many bytes of this stream have been heard so far (never less than
    // the last report). `failed`: the server went away or dropped the
    // stream; no more sound will be heard.
    using Progress = std::function<void(uint64_t heardBytes, bool failed)>;

    // rate in Hz; bitsPerSample 8 (unsigned) or 16 (signed little-endian).
    // Waits until the server has the stream ready; null, with the server's
    // reason, when it cannot be had.
    static std::unique_ptr<PlayStream> Open(uint32_t rate, uint16_t channels, uint16_t bitsPerSample, Pull pull,
                                            Progress progress, std::string& reason);
    ~PlayStream();
    PlayStream(const PlayStream&) = delete;
    PlayStream& operator=(const PlayStream&) = delete;

    // More is queued: hands the server what it has room for now.
    void Kick();
    // Corks (true) or uncorks the stream and waits for the server to do it.
    // Once a pause returns, HeardBytes stands where the sound stopped.
    bool Pause(bool paused);
    // Runs `whileLocked` with the stream's lock held, then drops what was
    // handed to the server; the heard count starts again from 0. The next
    // Kick or resume starts a new stream on the server, not waited for.
    void Restart(const std::function<void()>& whileLocked);
    // Ends the sound for good: nothing more is pulled or heard.
    void Close();
    // Bytes heard since the open or the last Restart, at this moment.
    uint64_t HeardBytes();
    // True once the server went away or dropped the stream.
    bool Failed();

private:
    struct State;
    explicit PlayStream(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace platform::soundserver
