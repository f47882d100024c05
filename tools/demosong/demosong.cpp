// demosong [--] OUTPUT.kvo: writes the demo container.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "tests/support/kvo_writer.h"
#include "tests/support/mp3_maker.h"

namespace {

constexpr int kRate = 44100;
constexpr double kBeat = 0.5;  // seconds

double Note(int semitonesFromA4)
{
    return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0);
}

// Adds a tone with a soft attack and release to both channels.
void AddTone(testsupport::Pcm& pcm, double start, double length, double frequency, double amplitude)
{
    const size_t from = size_t(start * kRate), count = size_t(length * kRate);
    for (size_t i = 0; i < count && from + i < pcm.Frames(); ++i) {
        const double t = double(i) / kRate;
        const double envelope = std::min({1.0, t / 0.02, (length - t) / 0.05});
        const double v = amplitude * envelope * std::sin(2 * M_PI * frequency * t);
        for (int c = 0; c < 2; ++c) {
            int16_t& s = pcm.samples[(from + i) * 2 + c];
            s = int16_t(std::clamp(s + v * 32767, -32768.0, 32767.0));
        }
    }
}

constexpr char kUsage[] = "usage: demosong [--] OUTPUT.kvo\n";

// The output path from the command line; null when the tool is to write
// nothing (usage asked for, an option it does not know, no single path).
// *code is then the exit code.
const char* OutputPath(int argc, char** argv, int* code)
{
    const char* path = nullptr;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (options && std::strcmp(arg, "--") == 0) {
            options = false;
        } else if (options && (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0)) {
            std::fputs(kUsage, stdout);
            *code = 0;
            return nullptr;
        } else if (options && arg[0] == '-' && arg[1] != '\0') {
            std::fprintf(stderr, "demosong: unknown option %s\n%s", arg, kUsage);
            *code = 2;
            return nullptr;
        } else if (!path) {
            path = arg;
        } else {
            path = nullptr;
            break;
        }
    }
    if (!path || !*path) {
        std::fputs(kUsage, stderr);
        *code = 2;
        return nullptr;
    }
    return path;
}

}  // namespace

int main(int argc, char** argv)
{
    int code = 0;
    const char* out = OutputPath(argc, argv, &code);
    if (!out)
        return code;
    try {
        // Four chords of two bars each (C, G, A minor, F), twice over.
        const int chords[4][3] = {{-9, -5, -2}, {-14, -10, -7}, {-12, -9, -5}, {-16, -12, -9}};
        const int melody[32] = {3, 5, 7, 5, 3, 2, 3, -2, 2, 3, 5, 2, 0, -2, 0, 2,
                                3, 5, 7, 10, 8, 7, 5, 3, 5, 3, 2, 0, 2, 3, 2, 0};
        const double seconds = 32 * kBeat;
        testsupport::Pcm accompaniment = testsupport::MakeSilence(kRate, 2, seconds);
        testsupport::Pcm vocal = testsupport::MakeSilence(kRate, 2, seconds);
        for (int bar = 0; bar < 8; ++bar) {
            for (int n : chords[bar % 4])
                AddTone(accompaniment, bar * 4 * kBeat, 4 * kBeat, Note(n), 0.12);
            AddTone(accompaniment, bar * 4 * kBeat, kBeat, Note(chords[bar % 4][0] - 12), 0.2);
        }
        for (int i = 0; i < 32; ++i)
            AddTone(vocal, i * kBeat, kBeat * 0.9, Note(melody[i]), 0.3);

        testsupport::KvoContent content;
        content.tag = testsupport::MakeKvoTag(
            {"Demo Song", "KVO Studio", u"La la la, sing along\r\nThe demo song plays on\r\nLa la la", "", {}});
        content.head = {0};
        content.stream1 = testsupport::MakeMp3(accompaniment);
        content.stream2 = testsupport::MakeMp3(vocal);
        testsupport::WriteFile(out, testsupport::WriteKvo(content));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "demosong: %s\n", e.what());
        return 1;
    }
    return 0;
}
