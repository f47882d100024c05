// kvorecord SONG.kvo OUT.mp3
//
// Plays the song through the container reader while the recording engine
// captures the default microphone, stops at the song's end and writes the
// finished recording to OUT.mp3. Shift, gains, bit rate and mixing type
// come from config.ini in the data folder ($KVO_DATA_DIR applies). Exits 0
// with the file written, 1 with the reason on standard error.
//
// OUT is checked before anything is recorded, and written whole or not at
// all: an existing OUT stays as it was unless the new take replaced it
// complete, and a take that could not be written stays in the data folder
// (Cache.mp3, the only work file left then). Ctrl+C or kill drops the take:
// the tool stops, removes its work files, leaves OUT as it was (or absent)
// and exits 1, saying which.

#include <signal.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "kvostudio/fileproblem.h"
#include "kvostudio/global.h"
#include "kvostudio/mixer.h"
#include "kvostudio/playimpl.h"
#include "kvostudio/recordingimpl.h"
#include "kvostudio/takesave.h"
#include "libkvo/src/kvofile.h"

namespace {

// The bit rate a `bitrate` code of config.ini stands for.
int BitrateKbps(int code) {
    switch (code) {
    case 1: return 192;
    case 2: return 64;
    default: return 128;
    }
}

// Set from the handler of SIGINT and SIGTERM; the waits look at it.
std::atomic<bool> g_stopAsked{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void AskToStop(int) { g_stopAsked = true; }

// Ctrl+C and kill reach the waits below instead of ending the tool where
// it stands, which would leave the capture and the song's work files in the
// data folder.
void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = AskToStop;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM}) sigaction(signal, &action, nullptr);
}

class ConsoleProgress : public RecordingProgress {
public:
    void SetCaption(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    void Show() override {}
    void PostTargetPercent(int percent, int) override {
        if (percent / 10 == shown_ / 10) return;
        shown_ = percent;
        std::fprintf(stderr, "%d%%\n", percent);
    }
    void PostHide() override {}

private:
    int shown_ = -10;
};

class ConsoleOwner : public RecordingOwner {
public:
    void PostCommand(unsigned code, intptr_t) override {
        std::lock_guard<std::mutex> lock(mutex_);
        code_ = code;
        posted_.notify_all();
    }
    std::unique_ptr<RecordingProgress> CreateProgressWindow() override { return std::make_unique<ConsoleProgress>(); }

    // The worker cannot be cut short; a stop asked meanwhile is seen once
    // it has posted.
    unsigned WaitForResult() {
        std::unique_lock<std::mutex> lock(mutex_);
        posted_.wait(lock, [this] { return code_.has_value(); });
        return *code_;
    }

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::optional<unsigned> code_;
};

int Fail(const std::string& reason) {
    std::fprintf(stderr, "kvorecord: %s\n", reason.c_str());
    return 1;
}

// What became of OUT when no take replaced it: nothing here writes it
// before the take is whole, so it is as it was, or not there at all.
std::string OutUntouched(const std::string& outPath) {
    std::error_code error;
    return outPath + (std::filesystem::exists(outPath, error) ? " was left as it was" : " was not written");
}

// The engine's destructor removes the work files once this returns.
int Stopped(const std::string& outPath) {
    return Fail("stopped before the take was finished; it was dropped and " + OutUntouched(outPath));
}

// Why the song cannot be recorded over, in words for the user.
std::string SongProblem(const std::string& songPath) {
    const std::string reason = FileFailureReason(songPath);
    // A sound MP3 plays in the program, but there is no accompaniment to
    // mix a voice with.
    if (CPlayImpl::FileTypeOf(songPath) == CPlayImpl::kFileMp3 && !IsFileProblem(reason))
        return "an MP3 file; kvorecord records over .kvo songs";
    return reason;
}

// Waits while the song plays, or until a stop is asked or the input goes
// away; a player that never reports its end is cut off a few seconds after
// the song's length. Meanwhile the engine is told where the song stands
// for the listener. True when the song played to its end.
bool WaitForTheEnd(KvoFile& song, CRecordingImpl& engine) {
    using namespace std::chrono;
    const auto begin = steady_clock::now();
    const auto limit = begin + milliseconds(int64_t(song.GetLengthSeconds() * 1000) + 5000);
    while (!g_stopAsked && !song.IsPlaying() && steady_clock::now() < begin + seconds(2))
        std::this_thread::sleep_for(milliseconds(5));
    while (!g_stopAsked && !engine.InputGone() && song.IsPlaying() && steady_clock::now() < limit) {
        engine.NoteSongHeard([&] { return double(song.GetPositionSeconds()); });
        std::this_thread::sleep_for(milliseconds(20));
    }
    return !song.IsPlaying();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kvorecord SONG.kvo OUT.mp3\n");
        return 1;
    }
    const std::string songPath = argv[1];
    const std::string outPath = argv[2];
    // A file-size limit makes the write fail with its reason instead of
    // ending the tool without a word.
    signal(SIGXFSZ, SIG_IGN);
    CatchStopSignals();

    TakeSave save;
    std::string reason;
    if (!save.Begin(outPath, songPath, reason)) return Fail(reason);

    LogAlsaErrors();
    int bitrateCode = 0, mixingType = 0;
    ReadConfigInt(config::kGeneral, config::kBitrate, &bitrateCode);
    ReadConfigInt(config::kGeneral, config::kMixing, &mixingType);

    KvoFile song;
    if (!song.Open(songPath.c_str(), false)) return Fail(songPath + ": " + SongProblem(songPath));

    ConsoleOwner owner;
    CRecordingImpl engine;
    engine.SetFinishPause(std::chrono::milliseconds(0));   // no bar to watch
    engine.SetSongPath(songPath.c_str());
    if (const std::string notice = StandInInputNotice(); !notice.empty())
        std::fprintf(stderr, "kvorecord: %s\n", notice.c_str());
    if (!engine.StartRecording(&owner, BitrateKbps(bitrateCode), mixingType != 0 ? 1 : 0))
        return g_stopAsked ? Stopped(outPath) : Fail(engine.GetFailureText());
    if (g_stopAsked) {
        engine.CancelRecording();
        return Stopped(outPath);
    }
    engine.SetStartOffset(0);
    if (!song.Play()) {
        const std::string said = song.Player() ? song.Player()->GetError() : "";
        engine.StopRecording();
        owner.WaitForResult();
        return Fail(songPath + ": " + FileFailureReason(songPath, said));
    }
    // What the capture holds past the song's end is the time it took to see
    // the end: the take ends with its song, as the window's does.
    if (WaitForTheEnd(song, engine)) engine.SetSongEnd(float(song.GetLengthSeconds()));
    engine.SetStopPosition(song.GetPositionSeconds());
    song.Stop();
    song.Close();
    if (g_stopAsked) {
        engine.CancelRecording();
        return Stopped(outPath);
    }

    engine.StopRecording();
    const unsigned result = owner.WaitForResult();
    if (g_stopAsked) return Stopped(outPath);
    if (result != ID_CMD_RECORDING_DONE) return Fail(engine.GetFailureText());

    const std::string warning = engine.PopTakeWarning();
    if (!warning.empty()) std::fprintf(stderr, "kvorecord: %s\n", warning.c_str());
    const std::string take = GetUserDataFilePath(recfile::kCacheMp3);
    if (!save.Commit(take, reason)) {
        engine.KeepTake();
        return Fail(reason + "\nkvorecord: " + OutUntouched(outPath) + "; the take is kept in " + take);
    }
    return 0;
}
