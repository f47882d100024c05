#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <csignal>

#include "kvostudio/include/convert/waveparse.h"
#include "kvostudio/userboxes.h"
#include "kvostudio/usernotice.h"
#include "platform/window/message_box.h"
#include "platform/window/ui_loop.h"
#include "tests/support/command_output.h"
#include "tests/support/temp_files.h"

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
void PutId(std::vector<uint8_t>& out, const char* id) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(id[i]));
}

struct WavSpec {
    uint16_t channels = 2;
    uint32_t rate = 44100;
    uint16_t bits = 16;
    const char* fmtId = "fmt ";
    uint32_t fmtSize = 16;                  // 18 adds a zero extension size
    std::vector<uint8_t> between;           // raw bytes between fmt and data
    std::optional<uint32_t> claimedData;    // data size written instead of the true one
    bool withData = true;
};

// A WAV file written by hand, the way other programs lay them out.
std::vector<uint8_t> MakeWav(const std::vector<uint8_t>& samples, const WavSpec& spec = {}) {
    std::vector<uint8_t> body;
    PutId(body, "WAVE");
    PutId(body, spec.fmtId);
    Put32(body, spec.fmtSize);
    const uint16_t align = uint16_t(spec.channels * spec.bits / 8);
    Put16(body, 1);
    Put16(body, spec.channels);
    Put32(body, spec.rate);
    Put32(body, spec.rate * align);
    Put16(body, align);
    Put16(body, spec.bits);
    if (spec.fmtSize == 18) Put16(body, 0);
    body.insert(body.end(), spec.between.begin(), spec.between.end());
    if (spec.withData) {
        PutId(body, "data");
        Put32(body, spec.claimedData.value_or(uint32_t(samples.size())));
        body.insert(body.end(), samples.begin(), samples.end());
    }
    std::vector<uint8_t> file;
    PutId(file, "RIFF");
    Put32(file, uint32_t(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

std::vector<uint8_t> Ramp(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * 7 + 3);
    return v;
}

std::string Soxi(const std::string& flag, const std::string& path) {
    auto out = testsupport::CommandOutput({"soxi", flag, path});
    if (!out) return "<soxi failed>";
    while (!out->empty() && (out->back() == '\n' || out->back() == ' ')) out->pop_back();
    return *out;
}

}  // namespace

TEST(WaveLoad, ReadsFormatAndSamplesOfCommonLayouts) {
    TempDir dir;
    const auto samples = Ramp(4000);
    struct Case {
        const char* name;
        WavSpec spec;
    };
    std::vector<uint8_t> list;
    PutId(list, "LIST");
    Put32(list, 8);
    const char info[] = "INFOabcd";
    list.insert(list.end(), info, info + 8);
    WavSpec plain;
    WavSpec extended;
    extended.fmtSize = 18;
    WavSpec withList;
    withList.between = list;
    WavSpec oddFmtId;
    oddFmtId.fmtId = "fmtX";
    WavSpec mono8;
    mono8.channels = 1;
    mono8.bits = 8;
    mono8.rate = 22050;
    for (const Case& c : {Case{"plain", plain}, Case{"fmt of 18 bytes", extended}, Case{"LIST chunk", withList},
                          Case{"fmt id with another fourth byte", oddFmtId}, Case{"mono 8-bit", mono8}}) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("in.wav");
        WriteFile(path, MakeWav(samples, c.spec));
        CWaveParse wave;
        ASSERT_EQ(wave.Load(path.c_str()), 1);
        EXPECT_EQ(wave.header.channels, c.spec.channels);
        EXPECT_EQ(wave.header.samplesPerSec, c.spec.rate);
        EXPECT_EQ(wave.header.bitsPerSample, c.spec.bits);
        EXPECT_EQ(wave.header.blockAlign, c.spec.channels * c.spec.bits / 8);
        EXPECT_EQ(wave.header.fmtSize, c.spec.fmtSize);
        EXPECT_EQ(wave.header.dataSize, samples.size());
        EXPECT_EQ(wave.data, samples);
    }
}

TEST(WaveLoad, RefusesWhatIsNotAPcmWave) {
    TempDir dir;
    const std::string path = dir.File("bad.wav");
    auto expectRefused = [&](const std::vector<uint8_t>& bytes, const char* what) {
        SCOPED_TRACE(what);
        WriteFile(path, bytes);
        CWaveParse wave;
        EXPECT_EQ(wave.Load(path.c_str()), 0);
        EXPECT_TRUE(wave.data.empty());
    };
    WavSpec noData;
    noData.withData = false;
    expectRefused(MakeWav({}, noData), "no data chunk");
    auto notRiff = MakeWav(Ramp(100));
    std::memcpy(notRiff.data(), "RIFX", 4);
    expectRefused(notRiff, "not RIFF");
    auto notWave = MakeWav(Ramp(100));
    std::memcpy(notWave.data() + 8, "AVI ", 4);
    expectRefused(notWave, "not WAVE");
    WavSpec badFmt;
    badFmt.fmtId = "junk";
    expectRefused(MakeWav(Ramp(100), badFmt), "no fmt chunk");
    auto cut = MakeWav(Ramp(100));
    cut.resize(30);
    expectRefused(cut, "cut inside the format");
    expectRefused({}, "empty file");

    // The user is told of a missing file: in a box on the window's UI
    // thread, in the log from a worker (kept out of the user's own log
    // here).
    setenv("KVO_DATA_DIR", dir.Path().c_str(), 1);
    ShowNoticesInBoxes();
    const std::string missing = dir.File("missing.wav");
    std::thread worker([&] {
        CWaveParse wave;
        EXPECT_EQ(wave.Load(missing.c_str()), 0);
    });
    worker.join();
    const auto log = ReadFile(dir.File("log.txt"));
    EXPECT_NE(std::string(log.begin(), log.end()).find("File not Found - " + missing), std::string::npos);

    platform::InitWindowing(platform::DisplayMode::Headless);
    std::vector<std::string> boxes;
    auto previous = platform::SetMessageBoxHandler([&](const platform::MessageBoxRequest& box) {
        boxes.push_back(box.text);
        return platform::IDOK;
    });
    CWaveParse wave;
    EXPECT_EQ(wave.Load(missing.c_str()), 0);
    platform::SetMessageBoxHandler(previous);
    SetNoticeShower(nullptr);
    EXPECT_EQ(boxes, std::vector<std::string>{"File not Found - " + missing});
}

TEST(WaveLoad, DataSizeThatLiesIsCutToTheWholeFramesPresent) {
    TempDir dir;
    const std::string path = dir.File("short.wav");
    const auto samples = Ramp(1003);   // 250 stereo frames and 3 stray bytes
    for (uint32_t claimed : {2000u, 0xFFFFFFFFu, 0x7FFFFFFFu}) {
        SCOPED_TRACE(claimed);
        WavSpec spec;
        spec.claimedData = claimed;
        WriteFile(path, MakeWav(samples, spec));
        CWaveParse wave;
        ASSERT_EQ(wave.Load(path.c_str()), 1);
        EXPECT_EQ(wave.header.dataSize, 1000u);
        ASSERT_EQ(wave.data.size(), 1000u);
        EXPECT_TRUE(std::equal(wave.data.begin(), wave.data.end(), samples.begin()));
    }
    // An honest size smaller than the file reads just that much.
    WavSpec honest;
    honest.claimedData = 400;
    WriteFile(path, MakeWav(samples, honest));
    CWaveParse wave;
    ASSERT_EQ(wave.Load(path.c_str()), 1);
    EXPECT_EQ(wave.data, std::vector<uint8_t>(samples.begin(), samples.begin() + 400));
}

TEST(WaveSave, WritesThePlainHeaderThatSoxiReads) {
    if (!testsupport::HaveTool("soxi")) GTEST_SKIP() << "soxi is not installed";
    TempDir dir;
    // The loaded file has a recorder-style 18-byte fmt chunk; the saved one
    // carries its format with new data behind the plain 44-byte header.
    WavSpec source;
    source.fmtSize = 18;
    source.rate = 48000;
    WriteFile(dir.File("source.wav"), MakeWav(Ramp(400), source));
    CWaveParse wave;
    ASSERT_EQ(wave.Load(dir.File("source.wav").c_str()), 1);
    const auto samples = Ramp(4 * 44100 + 8);
    const std::string out = dir.File("out.wav");
    ASSERT_EQ(wave.Save(out.c_str(), uint32_t(36 + samples.size()), uint32_t(samples.size()), samples.data()), 1);

    const auto bytes = ReadFile(out);
    ASSERT_EQ(bytes.size(), 44 + samples.size());
    EXPECT_EQ(std::memcmp(bytes.data() + 12, "fmt \x10\0\0\0", 8), 0);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), bytes.begin() + 44));
    EXPECT_EQ(Soxi("-r", out), "48000");
    EXPECT_EQ(Soxi("-c", out), "2");
    EXPECT_EQ(Soxi("-b", out), "16");
    EXPECT_EQ(Soxi("-s", out), std::to_string(samples.size() / 4));

    CWaveParse again;
    ASSERT_EQ(again.Load(out.c_str()), 1);
    EXPECT_EQ(again.data, samples);
    EXPECT_EQ(again.header.samplesPerSec, 48000u);
}

TEST(WaveSave, AFailedSaveReportsFailureAndLeavesNoFile) {
    TempDir dir;
    CWaveParse wave;
    WriteFile(dir.File("source.wav"), MakeWav(Ramp(100)));
    ASSERT_EQ(wave.Load(dir.File("source.wav").c_str()), 1);
    const auto samples = Ramp(200000);
    EXPECT_EQ(wave.Save(dir.File("no/such/folder.wav").c_str(), 36, 200000, samples.data()), 0);

    // A file that cannot grow (a full disk) must not pass for a saved take.
    const std::string out = dir.File("full.wav");
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 65536;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int result = wave.Save(out.c_str(), 36 + 200000, 200000, samples.data());
    setrlimit(RLIMIT_FSIZE, &old);
    sigaction(SIGXFSZ, &previous, nullptr);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(testsupport::FileExists(out));
}
