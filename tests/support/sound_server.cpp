#include "tests/support/sound_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>

#include "tests/support/command_output.h"

namespace testsupport {

namespace {

constexpr int kStartLimitMs = 10000;
constexpr size_t kFeedFrames = 441;  // 10 ms

std::string OnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        const size_t end = std::min(folders.find(':', start), folders.size());
        const std::string candidate = folders.substr(start, end - start) + "/" + name;
        if (end > start && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return name;
}

}  // namespace

PrivateSoundServer::PrivateSoundServer() = default;

PrivateSoundServer::~PrivateSoundServer()
{
    StopFeeding();
    Stop();
    if (usedHere_)
        for (const auto& [name, value] : saved_) {
            if (value.empty())
                unsetenv(name.c_str());
            else
                setenv(name.c_str(), value.c_str(), 1);
        }
}

bool PrivateSoundServer::Start(const std::vector<Microphone>& microphones, const std::string& defaultSource)
{
    if (!HaveTool("pulseaudio") || !HaveTool("pactl")) {
        why_ = "pulseaudio and pactl are not installed (tools/install-deps installs them)";
        return false;
    }
    mkdir(dir_.File("runtime").c_str(), 0700);
    mkdir(dir_.File("home").c_str(), 0700);
    std::ofstream script(dir_.File("server.pa"));
    script << "load-module module-native-protocol-unix auth-anonymous=1 socket=" << dir_.File("native") << "\n";
    script << "load-module module-null-sink sink_name=" << kSpeakers
           << " rate=44100 channels=2 sink_properties=\"device.description='" << kSpeakersDescription << "'\"\n";
    for (const Microphone& m : microphones)
        script << "load-module module-pipe-source source_name=" << m.name << " file=" << dir_.File(m.name + ".fifo")
               << " format=s16le rate=44100 channels=2 source_properties=\"device.description='" << m.description
               << "'\"\n";
    script << "set-default-sink " << kSpeakers << "\n";
    const std::string chosen = !defaultSource.empty() ? defaultSource
                               : microphones.empty()  ? std::string(kSpeakersMonitor)
                                                      : microphones.front().name;
    script << "set-default-source " << chosen << "\n";
    script.close();
    std::ofstream(dir_.File("client.conf")) << "autospawn = no\n";
    // Run as root (as CI does) the daemon warns and goes on.
    const std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + dir_.File("runtime"), "HOME=" + dir_.File("home"),
                                          "PULSE_RUNTIME_PATH=" + dir_.File("runtime"), "DBUS_SESSION_BUS_ADDRESS=",
                                          "DISPLAY="};
    if (!daemon_.Start({OnPath("pulseaudio"), "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                        "--disallow-exit", "--log-level=error", "--log-target=file:" + dir_.File("server.log"),
                        "-F", dir_.File("server.pa")},
                       env)) {
        why_ = "pulseaudio could not be started";
        return false;
    }
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartLimitMs);
    while (std::chrono::steady_clock::now() < limit) {
        if (!daemon_.Running() || daemon_.Wait(0)) {
            why_ = "pulseaudio ended at once; its log: " + dir_.File("server.log");
            return false;
        }
        if (Pactl({"info"}))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    why_ = "pulseaudio did not answer within 10 s";
    Stop();
    return false;
}

void PrivateSoundServer::Stop()
{
    if (daemon_.Running()) {
        daemon_.Terminate();
        daemon_.Wait(10000);
    }
}

std::vector<std::string> PrivateSoundServer::ClientEnv() const
{
    return {"PULSE_SERVER=unix:" + dir_.File("native"), "PULSE_RUNTIME_PATH=" + dir_.File("runtime"),
            "PULSE_CLIENTCONFIG=" + dir_.File("client.conf")};
}

void PrivateSoundServer::UseInThisProcess()
{
    if (!usedHere_) {
        for (const std::string& entry : ClientEnv()) {
            const std::string name = entry.substr(0, entry.find('='));
            const char* old = std::getenv(name.c_str());
            saved_.emplace_back(name, old ? old : "");
        }
    }
    usedHere_ = true;
    for (const std::string& entry : ClientEnv()) {
        const size_t eq = entry.find('=');
        setenv(entry.substr(0, eq).c_str(), entry.substr(eq + 1).c_str(), 1);
    }
}

void PrivateSoundServer::Feed(const std::string& microphone, std::vector<int16_t> samples, bool repeat)
{
    if (samples.size() < 2)
        return;
    feeding_ = true;
    const std::string fifo = dir_.File(microphone + ".fifo");
    feeders_.emplace_back([this, fifo, repeat, samples = std::move(samples)] {
        // The daemon holds the FIFO open for reading, so this never waits.
        const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return;
        using Clock = std::chrono::steady_clock;
        const auto begin = Clock::now();
        const size_t frames = samples.size() / 2;
        uint64_t sent = 0;
        while (feeding_ && (repeat || sent < frames)) {
            const size_t at = size_t(sent % frames);
            const size_t n = std::min(kFeedFrames, frames - at);
            // A full pipe drops the chunk rather than hold up the end.
            if (write(fd, samples.data() + at * 2, n * 4) < 0 && errno != EAGAIN)
                break;
            sent += n;
            std::this_thread::sleep_until(begin + std::chrono::microseconds(sent * 1000000 / 44100));
        }
        close(fd);
    });
}

void PrivateSoundServer::StopFeeding()
{
    feeding_ = false;
    for (std::thread& t : feeders_)
        t.join();
    feeders_.clear();
}

bool PrivateSoundServer::AddEars(const std::string& name, const std::string& description)
{
    return Pactl({"load-module", "module-remap-source", "source_name=" + name,
                  std::string("master=") + kSpeakersMonitor,
                  "source_properties=device.description='" + description + "'"})
        .has_value();
}

bool PrivateSoundServer::RemoveSource(const std::string& name)
{
    // The module that made it: its arguments name it, as Start and AddEars
    // wrote them.
    const std::string modules = Pactl({"list", "short", "modules"}).value_or("");
    const std::string named = "source_name=" + name;
    for (size_t line = 0; line < modules.size();) {
        const size_t end = std::min(modules.find('\n', line), modules.size());
        const std::string row = modules.substr(line, end - line) + " ";
        const size_t at = row.find(named);
        if (at != std::string::npos && (row[at + named.size()] == ' ' || row[at + named.size()] == '\t'))
            return Pactl({"unload-module", row.substr(0, row.find('\t'))}).has_value();
        line = end + 1;
    }
    return false;
}

PrivateSoundServer::Recording::~Recording()
{
    if (parec_.Running()) {
        parec_.Terminate();
        parec_.Wait(10000);
    }
}

std::vector<int16_t> PrivateSoundServer::Recording::Samples() const
{
    const std::vector<uint8_t> bytes = ReadFile(path_);
    std::vector<int16_t> samples(bytes.size() / 4 * 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(uint16_t(bytes[2 * i] | bytes[2 * i + 1] << 8));
    return samples;
}

double PrivateSoundServer::Recording::Seconds() const
{
    return double(ReadFile(path_).size()) / 4 / 44100;
}

std::unique_ptr<PrivateSoundServer::Recording> PrivateSoundServer::Record(const std::string& source)
{
    std::unique_ptr<Recording> recording(new Recording);
    recording->path_ = dir_.File(source + "-" + std::to_string(++recordings_) + ".raw");
    const std::vector<std::string> argv = {OnPath("parec"), "-d", source, "--raw", "--format=s16le", "--rate=44100",
                                           "--channels=2", "--latency-msec=20", recording->path_};
    if (!recording->parec_.Start(argv, ClientEnv()))
        return nullptr;
    return recording;
}

std::optional<std::string> PrivateSoundServer::Pactl(const std::vector<std::string>& args) const
{
    std::vector<std::string> argv = {"env"};
    for (const std::string& entry : ClientEnv())
        argv.push_back(entry);
    argv.push_back("pactl");
    argv.insert(argv.end(), args.begin(), args.end());
    return CommandOutput(argv);
}

}  // namespace testsupport
