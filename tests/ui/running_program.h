// The program itself, started by a display test as a child process with a
// data and a runtime folder of its own. Its sound card is SDL's dummy
// driver, or on request the disk driver: what it plays then goes to a file
// and its microphone is read from another, so a test can hear it and sing
// into it. The test drives it with the display's own pointer and keys
// (xdotool), finds its windows by size, and reads what it says from its
// debug lines.
#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/draw/geometry.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_files.h"
#include "tests/ui/display_ping.h"
#include "tests/ui/ui_test_env.h"

namespace uitest {

class RunningProgram {
public:
    enum class Sound { Dummy, Disk };

    // Sizes of the program's windows, by which a test finds them.
    static constexpr platform::Size kMainWindow{338, 329};
    static constexpr platform::Size kRecordOptions{393, 254};
    static constexpr platform::Size kAfterTake{392, 480};
    static constexpr platform::Size kProgress{392, 253};

    explicit RunningProgram(Sound sound = Sound::Dummy);
    ~RunningProgram();  // ends the program if it still runs
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // The folder the program and its demo song are built into.
    static std::string Bin();
    // The per-user data folder (ending in '/'), where takes and settings go.
    const std::string& DataFolder() const { return dataFolder_; }
    std::string DataFile(const std::string& name) const { return dataFolder_ + name; }
    // A file of the test's own scratch folder (songs, saved takes).
    std::string Scratch(const std::string& name) const { return scratch_.File(name); }
    // config.ini's text, written before the start.
    void WriteConfig(const std::string& text) const;
    // Containers that play `seconds` of a tone, one per title, each
    // labelled "Singer - <title>" in the list.
    std::vector<std::string> WriteSongs(const std::vector<std::string>& titles, double seconds) const;

    // With the disk driver: what the microphone gives (16-bit 44100 Hz
    // stereo), then silence.
    void SetMicrophone(const std::vector<uint8_t>& bytes) const;
    // No microphone file: the input device cannot open. Its path.
    std::string RemoveMicrophone() const;
    // With the disk driver: what the program played.
    std::string SpeakerFile() const { return scratch_.File("speaker.raw"); }

    // One more "NAME=VALUE" for the starts to come, in place of an entry
    // of the same name.
    void AddEnv(const std::string& entry);
    // The folder the starts to come run in (the test's own by default).
    void SetWorkingFolder(const std::string& folder) { workingFolder_ = folder; }

    // Starts the program with the arguments (e.g. "/play", a song) and waits
    // for its main window. `wrapper` runs before it (a program that ends by
    // executing the rest of its arguments, keeping the process).
    bool Start(const std::vector<std::string>& args, const std::vector<std::string>& wrapper = {});
    // Only starts it, for a test that watches what comes before the main
    // window. A program started before is ended first: one test may run
    // the program several times over the same folders.
    bool Launch(const std::vector<std::string>& args, const std::vector<std::string>& wrapper = {});
    // Waits for the main window of a launched program.
    bool WaitForMainWindow(int timeoutMs = 15000);
    // A second start with the arguments, from `folder` when one is given,
    // which hands them to the first and ends; true when it ended well. What
    // it said is in SecondSaid(), how it ended in SecondEnded() (nothing
    // while it still ran after 15 s).
    bool StartSecond(const std::vector<std::string>& args, const std::string& folder = "");
    const std::string& SecondSaid() const { return secondSaid_; }
    std::optional<int> SecondEnded() const { return secondEnded_; }
    // A second start with "/open PATH", until the first has taken the file.
    bool Open(const std::string& path);
    // The close button, as a user ends it: the exit code, or nothing while
    // it still runs after `timeoutMs`.
    std::optional<int> Close(int timeoutMs = 15000);
    // Sends SIGTERM or SIGINT: the program is to say that it has closed
    // within closeMs, and its process to end soon after (under a sanitizer
    // the process's own end takes longer). The exit code; nothing when it
    // did not close in time or did not end.
    std::optional<int> EndBySignal(int signal, int closeMs = 2000);
    // Ends the program if it runs, its dialogs put away first; it is to end
    // well.
    void End();
    testsupport::ChildProcess& Process() { return *program_; }
    pid_t Pid() const { return program_->Pid(); }
    const std::string& Said() const { return program_->Err(); }

    // The main window where it is now.
    std::optional<Geometry> MainWindow() const;
    // The main window's title: the playing song's label.
    std::string Title() const { return WindowTitle(mainId_); }
    static std::string WindowTitle(unsigned long window);

    // The program's visible window of that size.
    std::optional<Geometry> FindWindow(platform::Size size) const;
    std::optional<Geometry> WaitForWindow(platform::Size size, int timeoutMs);
    bool WaitForNoWindow(platform::Size size, int timeoutMs);
    // The program's visible windows.
    std::vector<unsigned long> Windows() const;
    // A visible window of the program not among `seen`, other than its
    // main window and big enough to be a dialog (a file chooser, a message
    // box), not a tooltip; with a title, only a window of that title.
    std::optional<unsigned long> WaitForNewWindow(const std::vector<unsigned long>& seen, int timeoutMs,
                                                  const std::optional<std::string>& title = std::nullopt);
    bool WaitForWindowGone(unsigned long window, int timeoutMs);
    // Gives the window the keyboard and types into it: each entry is a key
    // ("Return", "ctrl+a") or, after "text:", text to type.
    static bool TypeInto(unsigned long window, const std::vector<std::string>& keys);

    // Collects the program's output until `done` holds, the time ends or the
    // program has ended; done's last answer.
    bool WaitUntil(const std::function<bool()>& done, int timeoutMs);
    // Collects the program's output until the text shows or the time ends.
    bool WaitForText(const std::string& text, int timeoutMs);
    // Waits until the program has handled every click and key sent to it so
    // far, and what a later start handed to it: the state the next step
    // of a test needs after an action whose effect is not seen from outside
    // (a menu that opened, a click that must change nothing). False when
    // it does not answer within timeoutMs.
    bool Sync(int timeoutMs = kWaitMs);
    // Pings the main window once through the display: the milliseconds
    // until it answered (it had handled everything before the ping), or
    // nothing when it did not answer within timeoutMs.
    std::optional<double> PingMs(int timeoutMs);
    // Lets the program run for the time, collecting its output, for a
    // check that something does NOT happen in it (a sound that must not
    // start). Never a wait for something to come: Sync and WaitUntil are.
    void ListenFor(int ms);

    // Clicks (count times, with that button) at a point of the main window.
    bool ClickMain(int x, int y, int count = 1, int button = 1);
    // Drags with the first button between two points of the main window.
    bool DragMain(platform::Point from, platform::Point to);
    // Clicks at a point of a window.
    static bool ClickIn(const Geometry& window, int x, int y);
    // The middle of a playlist row, in the main window's coordinates.
    static platform::Point PlaylistRow(int row);
    // Opens the menu bar's item (0 File, 1 Play, ...) and chooses its entry
    // `entry` (counting only entries, not separators) with the keys.
    bool ChooseFromMenu(int item, int entry);

    // Record, then "start recording" in the record options; true once the
    // options are gone.
    bool Record();
    // The Done button (stop recording).
    bool Done() { return ClickMain(180, 131); }

private:
    std::vector<std::string> Command(const std::vector<std::string>& args) const;
    // The window a ping goes to: the main window, else the first there is.
    unsigned long PingedWindow();
    bool PingOnce(unsigned long window, int timeoutMs);

    testsupport::TempDir scratch_;
    testsupport::TempDir runtime_;
    std::string dataFolder_;
    std::vector<std::string> env_;
    std::string workingFolder_;
    std::unique_ptr<testsupport::ChildProcess> program_;
    std::string secondSaid_;
    std::optional<int> secondEnded_;
    unsigned long mainId_ = 0;
    std::unique_ptr<DisplayPing> ping_;
};

}  // namespace uitest
