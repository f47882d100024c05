// The program on the display, as a user drives it: a click on the position
// bar while paused keeps the song paused and Play goes on from the new
// place (heard through SDL's disk driver); an hour-long song shows its
// minutes past the hour; File > Open file... cancelled changes nothing.
#include <algorithm>
#include <cmath>

#include "kvostudio/lcdwnd.h"
#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "platform/draw/bitmap.h"
#include "tests/support/mp3_maker.h"
#include "tests/support/pcm_maker.h"
#include "running_program.h"
#include "ui_test_env.h"

using namespace platform;

namespace {

constexpr int kRate = 44100;
constexpr size_t kBytesPerSecond = kRate * 4;

// A rising tone: every stretch of it sounds like no other, so a second of
// output is found in the song by correlation.
testsupport::Pcm Chirp(double seconds)
{
    testsupport::Pcm pcm;
    pcm.sampleRate = kRate;
    pcm.channels = 2;
    const size_t frames = static_cast<size_t>(seconds * kRate);
    pcm.samples.resize(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const double phase = 2.0 * M_PI * (200.0 * t + 50.0 * t * t);  // 200 Hz rising 100 Hz a second
        const auto v = static_cast<int16_t>(16000.0 * std::sin(phase));
        pcm.samples[2 * i] = v;
        pcm.samples[2 * i + 1] = v;
    }
    return pcm;
}

// The left channel, every fourth sample averaged over four.
std::vector<double> LeftQuarter(const int16_t* stereo, size_t frames)
{
    std::vector<double> out(frames / 4);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = (stereo[8 * i] + stereo[8 * i + 2] + stereo[8 * i + 4] + stereo[8 * i + 6]) / 4.0;
    return out;
}

// Where in 'song' (seconds) the window matches best.
double BestMatch(const std::vector<double>& window, const std::vector<double>& song, int rate)
{
    double windowEnergy = 0;
    for (double v : window)
        windowEnergy += v * v;
    std::vector<double> prefix(song.size() + 1, 0.0);
    for (size_t i = 0; i < song.size(); ++i)
        prefix[i + 1] = prefix[i] + song[i] * song[i];
    double best = -2;
    size_t bestAt = 0;
    for (size_t at = 0; at + window.size() <= song.size(); at += 10) {
        double dot = 0;
        for (size_t k = 0; k < window.size(); ++k)
            dot += window[k] * song[at + k];
        const double energy = prefix[at + window.size()] - prefix[at];
        const double score = energy > 0 ? dot / std::sqrt(energy * windowEnergy) : 0;
        if (score > best) {
            best = score;
            bestAt = at;
        }
    }
    return double(bestAt) / rate;
}

std::vector<int16_t> Samples(const std::vector<uint8_t>& bytes)
{
    std::vector<int16_t> s(bytes.size() / 2);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return s;
}

// The first sample at or after 'from' louder than near silence; npos if none.
size_t FirstSound(const std::vector<int16_t>& s, size_t from = 0)
{
    for (size_t i = from; i < s.size(); ++i)
        if (std::abs(s[i]) > 200)
            return i;
    return std::string::npos;
}

size_t LastSound(const std::vector<int16_t>& s)
{
    for (size_t i = s.size(); i > 0; --i)
        if (std::abs(s[i - 1]) > 200)
            return i - 1;
    return std::string::npos;
}

size_t FileSize(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<size_t>(st.st_size) : 0;
}

Bitmap Shot(const std::string& name)
{
    const std::string path = uitest::ArtifactPath(name);
    if (!uitest::Screenshot(path))
        return Bitmap();
    return Bitmap::Load(path);
}

// How many pixels of 'image' match the screen at 'at'.
int Matching(const Bitmap& screen, Point at, const Bitmap& image, int width, int height)
{
    int n = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            n += screen.GetPixel(at.x + x, at.y + y) == image.GetPixel(x, y);
    return n;
}

// The display's length text as the program draws it, for a given length.
Bitmap LengthTextAsDrawn(unsigned seconds)
{
    static const Bitmap body = LoadSkinBitmap(skin::kBody);
    Window parent;
    parent.CreateEx(0, "Parent", "", WS_POPUP, {0, 0, 338, 329}, nullptr, 0);
    Bitmap shown(CLCDWnd::kWindowRect.Width(), CLCDWnd::kWindowRect.Height());
    {
        CLCDWnd lcd(&parent, &body);
        lcd.SetLengthTime(seconds);
        DC dc(shown);
        lcd.Render(dc);
        lcd.DestroyWindow();
    }
    parent.DestroyWindow();
    return shown;
}

int SameIn(const Bitmap& a, Point aAt, const Bitmap& b, const Rect& area)
{
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            n += a.GetPixel(aAt.x + x, aAt.y + y) == b.GetPixel(x, y);
    return n;
}

}  // namespace

TEST(TheProgramPlaying, ASeekWhilePausedStaysPausedAndPlayGoesOnFromThere)
{
    KVO_REQUIRE_DISPLAY();
    uitest::RunningProgram program(uitest::RunningProgram::Sound::Disk);
    const auto song = testsupport::MakeMp3(Chirp(12.0));
    const std::string songPath = program.Scratch("chirp.mp3");
    testsupport::WriteFile(songPath, song);
    const std::string out = program.SpeakerFile();

    ASSERT_TRUE(program.Launch({"/play", songPath}));
    ASSERT_TRUE(program.WaitForMainWindow()) << program.Said();
    const Rect at = program.MainWindow()->rect;

    // Paused at 0:08 (the disk driver writes as fast as it would play).
    ASSERT_TRUE(program.WaitUntil([&] { return FileSize(out) >= 8 * kBytesPerSecond; }, 20000));
    ASSERT_TRUE(program.ClickMain(54, 131));
    ASSERT_TRUE(program.Sync());
    const size_t lastSound = LastSound(Samples(testsupport::ReadFile(out)));
    ASSERT_NE(lastSound, std::string::npos);

    // A click on the bar at about 0:03.
    const size_t paused = FileSize(out);
    const size_t told = program.Said().size();
    ASSERT_TRUE(program.ClickMain(107, 100));
    // The bar tells its new position on the debug output.
    const size_t newOutput = told > 0 ? told - 1 : 0;
    ASSERT_TRUE(program.Process().WaitForOutput(
        [&](const std::string&, const std::string& err) { return err.find("\n3\n", newOutput) != std::string::npos; }, 3000))
        << program.Said();
    // Silent: the output was not started again, and nothing sounded since
    // the pause, in a second of listening.
    ASSERT_TRUE(program.Sync());
    program.ListenFor(1000);
    const auto afterClick = Samples(testsupport::ReadFile(out));
    EXPECT_GE(afterClick.size() * 2, paused);
    EXPECT_EQ(FirstSound(afterClick, lastSound + 1), std::string::npos) << "sound after the click";
    const Bitmap shot = Shot("program_seek_paused.png");
    ASSERT_FALSE(shot.IsNull());
    const Point button{at.left + 49, at.top + 122};
    const int asPlay = Matching(shot, button, LoadSkinBitmap(skin::kBtnPlay), 11, 18);
    const int asPause = Matching(shot, button, LoadSkinBitmap(skin::kBtnPause), 11, 18);
    EXPECT_GT(asPlay, asPause) << "the button shows the pause look";

    // Play goes on from about 0:03: its first second is that stretch of
    // the song.
    ASSERT_TRUE(program.ClickMain(54, 131));
    std::vector<int16_t> resumed;
    size_t first = std::string::npos;
    ASSERT_TRUE(program.WaitUntil(
        [&] {
            resumed = Samples(testsupport::ReadFile(out));
            first = FirstSound(resumed);
            return first != std::string::npos && first + 2 * kRate <= resumed.size() &&
                   resumed.size() < paused / 2;  // a new output, not the old one grown
        },
        10000));
    first -= first % 2;
    const auto window1s = LeftQuarter(resumed.data() + first, kRate);
    const auto decoded = testsupport::DecodeMp3(song);
    const auto whole = LeftQuarter(decoded.samples.data(), decoded.samples.size() / 2);
    const double from = BestMatch(window1s, whole, kRate / 4);
    EXPECT_GE(from, 2.9);
    EXPECT_LE(from, 3.5);

    program.Process().Terminate();
    EXPECT_TRUE(program.Process().Wait(15000).has_value());
}

TEST(TheProgramPlaying, AnHourLongSongShowsItsMinutesAndACancelledOpenChangesNothing)
{
    KVO_REQUIRE_DISPLAY();
    if (!testsupport::HaveTool("sox") || !testsupport::HaveTool("lame"))
        GTEST_SKIP() << "sox or lame missing";
    uitest::RunningProgram program(uitest::RunningProgram::Sound::Disk);
    // A quiet tone, 8 kbit/s at 8000 Hz: five seconds of it made with sox
    // and lame, and its frames (72 bytes each, no header frame) repeated
    // to 3665 seconds.
    const std::string piece = program.Scratch("piece.mp3");
    ASSERT_TRUE(testsupport::CommandOutput({"sh", "-c",
                                            "sox -n -r 8000 -c 1 -b 16 -t wav - synth 5 sine 440 vol 0.01 | "
                                            "lame --quiet -t -b 8 - '" + piece + "'"}));
    const auto frames = testsupport::ReadFile(piece);
    ASSERT_FALSE(frames.empty());
    ASSERT_EQ(frames.size() % 72, 0u);
    const size_t pieceFrames = frames.size() / 72;
    std::vector<uint8_t> hour;
    for (size_t i = 0; i < (3665000 + 71) / 72; ++i) {
        const auto frame = frames.begin() + static_cast<long>(i % pieceFrames * 72);
        hour.insert(hour.end(), frame, frame + 72);
    }
    const std::string longSong = program.Scratch("hour.mp3");
    testsupport::WriteFile(longSong, hour);
    const std::string out = program.SpeakerFile();

    ASSERT_TRUE(program.Start({})) << program.Said();
    const Rect at = program.MainWindow()->rect;
    const auto alone = program.Windows();
    const Rect list = RectOfSize(at.left + 9, at.top + 175, 321, 144);

    // File > Open file..., then Escape in the chooser.
    auto openAndCancel = [&](const std::string& name) {
#if defined(__SANITIZE_THREAD__)
        // GTK's chooser reads folders on GLib worker threads that hand their
        // results over through GLib's own locks, which the thread sanitizer
        // the program is built with cannot see into: it would report GLib.
        (void)name;
        return;
#endif
        const Bitmap before = Shot(name + "_before.png");
        ASSERT_TRUE(program.ClickMain(86, 14));
        ASSERT_TRUE(program.Sync());  // the pull-down is open
        ASSERT_TRUE(uitest::Xdo({"key", "Down"}));
        ASSERT_TRUE(uitest::Xdo({"key", "Return"}));
        unsigned long chooser = 0;
        ASSERT_TRUE(program.WaitUntil(
            [&] {
                // A new window as large as a chooser (the pull-down goes).
                for (unsigned long id : program.Windows()) {
                    const auto size = uitest::WindowGeometry(id);
                    if (std::find(alone.begin(), alone.end(), id) == alone.end() && size && size->Width() >= 300)
                        chooser = id;
                }
                return chooser != 0;
            },
            10000));
        ASSERT_TRUE(program.Sync());
        ASSERT_TRUE(uitest::Xdo({"windowfocus", "--sync", std::to_string(chooser)}));
        ASSERT_TRUE(uitest::Xdo({"key", "Escape"}));
        ASSERT_TRUE(program.WaitUntil([&] { return program.Windows() == alone; }, 10000));
        ASSERT_TRUE(program.Sync());
        // No message box came up, nothing plays, the list is as it was.
        EXPECT_EQ(program.Windows(), alone);
        EXPECT_EQ(program.Title(), "KVO Studio");
        EXPECT_EQ(FileSize(out), 0u);
        const Bitmap after = Shot(name + "_after.png");
        ASSERT_FALSE(before.IsNull());
        ASSERT_FALSE(after.IsNull());
        int changed = 0;
        for (int y = list.top; y < list.bottom; ++y)
            for (int x = list.left; x < list.right; ++x)
                changed += before.GetPixel(x, y) != after.GetPixel(x, y);
        EXPECT_EQ(changed, 0);
    };
    openAndCancel("program_open_cancel_empty");

    ASSERT_TRUE(program.Open(longSong)) << program.SecondSaid() << program.Said();
    ASSERT_TRUE(program.Sync());
    openAndCancel("program_open_cancel_stopped");

    // Played, the display gives its length as the list does: 61:05.
    EXPECT_TRUE(program.StartSecond({"/play", longSong})) << program.SecondSaid();
    ASSERT_TRUE(program.WaitUntil([&] { return program.Title() != "KVO Studio"; }, 10000));
    const Point lcd{at.left + CLCDWnd::kWindowRect.left, at.top + CLCDWnd::kWindowRect.top};
    const int lengthPixels = CLCDWnd::kLengthRect.Width() * CLCDWnd::kLengthRect.Height();
    const Bitmap shot = uitest::ScreenWhen(uitest::ArtifactPath("program_hour_long.png"), [&](const Bitmap& screen) {
        return SameIn(screen, lcd, LengthTextAsDrawn(3665), CLCDWnd::kLengthRect) == lengthPixels;
    });
    ASSERT_FALSE(shot.IsNull());
    const int as6105 = SameIn(shot, lcd, LengthTextAsDrawn(3665), CLCDWnd::kLengthRect);
    const int as0105 = SameIn(shot, lcd, LengthTextAsDrawn(65), CLCDWnd::kLengthRect);
    EXPECT_EQ(as6105, lengthPixels);
    EXPECT_GT(as6105, as0105);

    program.Process().Terminate();
    EXPECT_TRUE(program.Process().Wait(15000).has_value());
}
