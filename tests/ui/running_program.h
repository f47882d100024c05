// The program itself, started as a child process on the display with SDL's
// disk driver as its sound card: what it plays goes to a file and its
// microphone is read from another, so a test can sing into it and decode
// the take. The test drives it with the display's own pointer and keys
// (xdotool) and reads what it says from its debug lines.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/draw/geometry.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_files.h"

namespace uitest {

class RunningProgram {
public:
    // Sizes of the program's windows, by which a test finds them.
    static constexpr platform::Size kMainWindow{338, 329};
    static constexpr platform::Size kRecordOptions{393, 254};
    static constexpr platform::Size kAfterTake{392, 480};

    RunningProgram();
    ~RunningProgram();  // ends the program if it still runs
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // The per-user data folder (ending in '/'), where the take is made.
    const std::string& DataFolder() const { return dataFolder_; }
    // A file of the test's own scratch folder (songs, saved takes).
    std::string Scratch(const std::string& name) const { return scratch_.File(name); }
    // config.ini's text, written before the start.
    void WriteConfig(const std::string& text) const;
    // What the microphone gives (16-bit 44100 Hz stereo), then silence.
    void SetMicrophone(const std::vector<uint8_t>& bytes) const;
    // No microphone file: the input device cannot open. Its path.
    std::string RemoveMicrophone() const;
    std::string SpeakerFile() const { return scratch_.File("speaker.raw"); }

    // Starts the program with the arguments (e.g. "/play", a song) and waits
    // for its main window. `wrapper` runs before it (a program that ends by
    // executing the rest of its arguments, keeping the process).
    bool Start(const std::vector<std::string>& args, const std::vector<std::string>& wrapper = {});
    // A second start with the arguments, which hands them to the first and
    // ends; true when it ended well.
    bool StartSecond(const std::vector<std::string>& args);
    // Asks the program to end and waits for it.
    void End();
    testsupport::ChildProcess& Process() { return program_; }
    pid_t Pid() const { return program_.Pid(); }
    const std::string& Said() const { return program_.Err(); }

    // The top-left corner of the program's visible window of that size.
    std::optional<platform::Point> FindWindow(platform::Size size);
    std::optional<platform::Point> WaitForWindow(platform::Size size, int timeoutMs);
    bool WaitForNoWindow(platform::Size size, int timeoutMs);
    // The program's visible windows.
    std::vector<unsigned long> Windows();
    // A visible window of the program not among `seen` and big enough to
    // be a desktop dialog (a file chooser, a message box), not a tooltip;
    // with a title, only a window of that title.
    std::optional<unsigned long> WaitForNewWindow(const std::vector<unsigned long>& seen, int timeoutMs,
                                                  const std::optional<std::string>& title = std::nullopt);
    // Gives the window the keyboard and types into it: each entry is a key
    // ("Return", "ctrl+a") or, after "text:", text to type.
    static bool TypeInto(unsigned long window, const std::vector<std::string>& keys);
    // Collects the program's output until the text shows or the time ends.
    bool WaitForText(const std::string& text, int timeoutMs);
    // Lets the program run for the time, collecting its output.
    void Idle(int ms);

    // Clicks (count times, with that button) at a point of the main window.
    bool ClickMain(int x, int y, int count = 1, int button = 1);
    // Drags with the first button between two points of the main window.
    bool DragMain(platform::Point from, platform::Point to);
    // Clicks at a point of the window whose corner is `at`.
    bool ClickIn(platform::Point at, int x, int y);
    // The middle of a playlist row, in the main window's coordinates.
    static platform::Point PlaylistRow(int row);
    // Opens the menu bar's item (0 File, 1 Play, ...) and chooses its entry
    // `entry` (counting only entries, not separators) with the keys.
    bool ChooseFromMenu(int item, int entry);
    // The main window's title: the playing song's label.
    std::string Title() { return WindowTitle(mainId_); }
    static std::string WindowTitle(unsigned long window);

    // Record, then "start recording" in the record options; true once the
    // options are gone.
    bool Record();
    // The Done button (stop recording).
    bool Done() { return ClickMain(180, 131); }

private:
    std::vector<std::string> Environment() const;

    testsupport::TempDir scratch_;
    testsupport::TempDir runtime_;
    std::string dataFolder_;
    testsupport::ChildProcess program_;
    platform::Point main_{0, 0};
    unsigned long mainId_ = 0;
};

}  // namespace uitest
