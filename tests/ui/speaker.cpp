#include "tests/ui/speaker.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <utility>
#include <cstdio>

#include "tests/support/tone_bursts.h"

namespace uitest {

namespace {

constexpr double kBytesPerSecond = 44100 * 4;

size_t FileSize(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<size_t>(st.st_size) : 0;
}

}  // namespace

std::vector<int16_t> Speaker::Samples() const
{
    // No file: the device has not been opened since Forget.
    struct stat st {};
    if (stat(path_.c_str(), &st) != 0)
        return {};
    return testsupport::Samples16(testsupport::ReadFile(path_));
}

double Speaker::Seconds() const
{
    return double(FileSize(path_)) / kBytesPerSecond;
}

void Speaker::Forget() const
{
    std::remove(path_.c_str());
}

bool Speaker::WaitFor(double seconds, int timeoutMs) const
{
    return program_.WaitUntil([&] { return Seconds() >= seconds; }, timeoutMs);
}

bool Speaker::WaitForSilence(int timeoutMs) const
{
    using Clock = std::chrono::steady_clock;
    size_t size = FileSize(path_);
    Clock::time_point grown = Clock::now();
    return program_.WaitUntil(
        [&] {
            const size_t now = FileSize(path_);
            if (now != size) {
                size = now;
                grown = Clock::now();
            }
            if (Clock::now() - grown >= std::chrono::milliseconds(300))
                return true;
            const auto samples = Samples();
            const size_t tail = 44100 / 20 * 2;
            return samples.size() >= tail &&
                   std::all_of(samples.end() - long(tail), samples.end(), [](int16_t v) { return v == 0; });
        },
        timeoutMs);
}

Speaker::Held::Held(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}

Speaker::Held::Held(Held&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

Speaker::Held::~Held()
{
    if (fd_ >= 0)
        close(fd_);
}

std::vector<int16_t> Speaker::Held::Samples() const
{
    std::vector<uint8_t> bytes;
    if (fd_ < 0)
        return {};
    uint8_t block[65536];
    for (;;) {
        const ssize_t n = pread(fd_, block, sizeof block, off_t(bytes.size()));
        if (n <= 0)
            break;
        bytes.insert(bytes.end(), block, block + n);
    }
    return testsupport::Samples16(bytes);
}

}  // namespace uitest
