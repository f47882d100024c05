// Files that are not plain files on disk, a FIFO above all: every reader of
// a user's file and every command-line tool refuses one at once, naming it
// for what it is, instead of waiting for something to write to it.

#include <gtest/gtest.h>

#include <cerrno>

#include "kvostudio/fileproblem.h"
#include "kvostudio/folders.h"
#include "kvostudio/include/convert/auxiliary.h"
#include "kvostudio/include/convert/mp3towave.h"
#include "kvostudio/libskin/audiofileinfo.h"
#include "kvostudio/libskin/id3tagv2.h"
#include "kvostudio/playimpl.h"
#include "libkvo/src/kvofile.h"
#include "mp3file/src/mp3fileplayer.h"
#include "platform/filemap/filemapping.h"
#include "platform/filemap/regular_file.h"
#include "tests/support/build_kind.h"
#include "tests/support/child_process.h"
#include "tests/support/fifo.h"
#include "tests/support/temp_files.h"

namespace {

// However busy the machine, a refusal takes no time at all; a reader that
// waits for a writer waits for ever.
constexpr int kAtOnceMs = testsupport::kSanitizedBuild ? 8000 : 2000;

}  // namespace

TEST(AFifo, IsRefusedAtOnceByEveryReaderOfAUsersFile)
{
    testsupport::TempDir dir;
    for (const char* name : {"song.kvo", "song.mp3"}) {
        SCOPED_TRACE(name);
        testsupport::Fifo fifo(dir.File(name));
        ASSERT_TRUE(fifo.Made());
        const std::string path = fifo.Path();
        const char* p = path.c_str();
        struct Reader {
            const char* what;
            std::function<bool()> refused;
        };
        const Reader readers[] = {
            {"the open", [&] { return platform::OpenRegularFile(path) < 0 && errno == EINVAL; }},
            {"the stream open", [&] { return platform::OpenRegularFileStream(path) == nullptr; }},
            {"the file mapping",
             [&] { return platform::FileMapping().OpenFile(path) == platform::FileMapping::Status::CantOpen; }},
            {"the container reader", [&] { return !KvoFile().Open(p, false) && !KvoFile().Open(p, true); }},
            {"the MP3 file player", [&] { return !Mp3FilePlayer().Open(p); }},
            {"the playback facade", [&] { return CPlayImpl().Play(path, 1.0f) == 0; }},
            {"the container's tag reader", [&] { return !KvoTagInfo().Load(p); }},
            {"the ID3 reader", [&] { return CId3tagv2().Read(p) != 0; }},
            {"the ID3 writer", [&] { return CId3tagv2().Write(p) != 0; }},
            {"the splitter", [&] { return !CKvoParse().Split(p, dir.File("even").c_str(), dir.File("odd").c_str()); }},
            {"the MP3 to WAV conversion",
             [&] {
                 mp3toWave convert;
                 return convert.Convert(p, dir.File("out.wav").c_str()) == mp3toWave::kNoInput &&
                        convert.LastError() == "not a regular file - " + path &&
                        !testsupport::FileExists(dir.File("out.wav"));
             }},
            {"the play list's reader",
             [&] {
                 std::string label, title, artist, time, lyrics, whyNot;
                 int format = 0;
                 return GetAudioFileInfo(p, label, title, artist, time, lyrics, format, &whyNot) == 0 &&
                        whyNot == "not a regular file";
             }},
            {"the reason for the message", [&] { return FileFailureReason(path) == "not a regular file"; }},
        };
        for (const Reader& reader : readers) {
            bool refused = false;
            const auto took = testsupport::RunsWithin([&] { refused = reader.refused(); }, kAtOnceMs, fifo);
            EXPECT_TRUE(took.has_value()) << reader.what << " waited for a writer";
            EXPECT_TRUE(refused) << reader.what;
        }
    }
}

TEST(AFifo, EndsEveryToolWithItsNameAndTheReason)
{
    testsupport::TempDir dir;
    testsupport::Fifo fifo(dir.File("song.kvo"));
    ASSERT_TRUE(fifo.Made());
    const std::string bin = GetProgramFolder();
    struct Tool {
        std::vector<std::string> argv;
        std::string says;
    };
    const Tool tools[] = {
        {{bin + "kvoplay", fifo.Path()}, "kvoplay: " + fifo.Path() + ": not a regular file\n"},
        {{bin + "kvorecord", fifo.Path(), dir.File("take.mp3")}, "kvorecord: " + fifo.Path() + ": not a regular file\n"},
    };
    for (const Tool& tool : tools) {
        SCOPED_TRACE(tool.argv[0]);
        testsupport::ChildProcess run;
        ASSERT_TRUE(run.Start(tool.argv, {"SDL_AUDIODRIVER=dummy", "KVO_DATA_DIR=" + dir.Path()}));
        std::optional<int> ended = run.Wait(kAtOnceMs);
        if (!ended) {
            // Still waiting: freed so that it ends, and the test fails.
            while (!(ended = run.Wait(20)))
                fifo.Unblock();
            ADD_FAILURE() << "it waited for a writer";
        }
        EXPECT_EQ(ended, 1);
        EXPECT_NE(run.Err().find(tool.says), std::string::npos) << run.Err();
        EXPECT_FALSE(testsupport::FileExists(dir.File("take.mp3")));
    }
}
