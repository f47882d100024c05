#pragma once
// One running copy of a program per user, and the hand-off of a later
// start's request to it.
//
// The first start takes an exclusive lock on "<name>.lock" in the user's
// runtime folder and, once it can take requests, listens on the
// Unix-domain socket "<name>.sock" beside it. A later start finds the lock
// taken, connects to the socket, sends one request (a code and a text) and
// waits, for a bounded time, for the answer whether it was taken. The lock
// goes with the process that holds it, so a crashed first start leaves
// nothing that blocks the next one.
//
// The runtime folder is $XDG_RUNTIME_DIR, else a folder "kvostudio-<uid>"
// under /tmp that only the user may enter (a folder of that name that
// belongs to someone else, or that others may write to, is refused).

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace platform {

// What a later start asks of the first.
struct HandOffRequest {
    uint32_t code = 0;  // what to do; the program gives the codes their meaning
    std::string text;   // e.g. a file path, as given; at most kMaxHandOffText bytes
};

inline constexpr size_t kMaxHandOffText = 1023;
inline constexpr int kHandOffTimeoutMs = 3000;

// The request as sent: code and text length (both 32-bit little-endian),
// then the text's bytes. Decoding checks the length against the limit and
// the bytes that arrived; false for a record that is not one.
std::string EncodeHandOff(const HandOffRequest& request);
bool DecodeHandOff(const std::string& bytes, HandOffRequest& request);

// The folder the lock and the socket live in, created when missing; empty
// when no safe folder can be had.
std::string InstanceRuntimeFolder();

class SingleInstance {
public:
    enum class Role {
        First,   // this process holds the lock
        Second,  // another process holds it
        Alone,   // no lock could be had (no usable folder): run unguarded
    };

    // 'name' names the lock and the socket; it must not contain '/'.
    explicit SingleInstance(std::string name);
    // Stops listening, removes the socket and lets the lock go.
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the lock if it is free. Called once.
    Role Acquire();

    // First start only: takes requests from now on, on a thread of its
    // own that hands each one to 'deliver' (on that thread). deliver
    // answers whether it took the request; false tells the sender that no
    // one can take it yet. False when the socket cannot be made.
    using DeliverFn = std::function<bool(const HandOffRequest&)>;
    bool Listen(DeliverFn deliver);
    // Stops taking requests and joins the thread; the lock stays.
    void StopListening();
    // StopListening, then lets the lock go (a later start becomes first).
    void Release();

    // Later start: sends the request to the running first start and waits
    // up to timeoutMs for its answer. True when it was taken; false when
    // nothing listens, the first start refused it, or time ran out.
    static bool SendHandOff(const std::string& name, const HandOffRequest& request,
                            int timeoutMs = kHandOffTimeoutMs);

    std::string LockPath() const;
    std::string SocketPath() const;

private:
    void ListenLoop();
    void Serve(int connection);

    std::string name_;
    std::string folder_;
    Role role_ = Role::Alone;
    int lockFd_ = -1;
    int listenFd_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    DeliverFn deliver_;
    std::thread listener_;
    std::atomic<bool> stopping_{false};
};

}  // namespace platform
