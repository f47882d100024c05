// The other process of the single-instance tests.
//   instance_peer first NAME   takes the first start's part: prints "first"
//                              (or "second" / "alone" and ends), then one
//                              line "got CODE TEXT" per request it takes,
//                              and ends after a request with code 999.
//   instance_peer send NAME CODE TEXT
//                              takes the later start's part: exit 0 when
//                              the request was taken, 3 when not, 2 when
//                              it found itself first.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <condition_variable>
#include <string>

#include "platform/instance/single_instance.h"

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "first") == 0) {
        platform::SingleInstance instance(argv[2]);
        const auto role = instance.Acquire();
        if (role != platform::SingleInstance::Role::First) {
            std::puts(role == platform::SingleInstance::Role::Second ? "second" : "alone");
            return 0;
        }
        std::mutex mutex;
        std::condition_variable quit;
        bool done = false;
        const bool listening = instance.Listen([&](const platform::HandOffRequest& r) {
            std::printf("got %u %s\n", r.code, r.text.c_str());
            std::fflush(stdout);
            if (r.code == 999) {
                std::lock_guard<std::mutex> lock(mutex);
                done = true;
                quit.notify_all();
            }
            return true;
        });
        std::puts(listening ? "first" : "no socket");
        std::fflush(stdout);
        std::unique_lock<std::mutex> lock(mutex);
        quit.wait(lock, [&] { return done; });
        lock.unlock();
        instance.StopListening();
        return 0;
    }
    if (argc >= 5 && std::strcmp(argv[1], "send") == 0) {
        platform::SingleInstance instance(argv[2]);
        if (instance.Acquire() == platform::SingleInstance::Role::First)
            return 2;
        platform::HandOffRequest request;
        request.code = static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10));
        request.text = argv[4];
        return platform::SingleInstance::SendHandOff(argv[2], request) ? 0 : 3;
    }
    std::fputs("usage: instance_peer first NAME | send NAME CODE TEXT\n", stderr);
    return 1;
}
