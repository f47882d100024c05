#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <sys/resource.h>

#include "kvostudio/libskin/id3tagv2.h"
#include "tests/support/command_output.h"
#include "tests/support/mp3_maker.h"
#include "tests/support/temp_files.h"

using namespace std::string_literals;

using namespace testsupport;

namespace {

std::vector<uint8_t> SongBytes() {
    static const auto mp3 = MakeMp3(MakeTone(44100, 2, 3.0, 440.0, 0.5));
    return mp3;
}

uint32_t SyncSafe(const uint8_t* p) { return uint32_t(p[0]) << 21 | uint32_t(p[1]) << 14 | uint32_t(p[2]) << 7 | p[3]; }

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(Id3Write, NewTagSitsInFrontOfTheUnchangedAudioAndReadsBackEverywhere) {
    TempDir dir;
    const std::string path = dir.File("My Song.mp3");
    const auto song = SongBytes();
    WriteFile(path, song);

    CId3tagv2 tag;
    tag.SetUserText("1234");
    ASSERT_EQ(tag.Write(path.c_str()), 0);
    EXPECT_EQ(tag.Write(path.c_str()), -1) << "one tag per object";

    const auto bytes = ReadFile(path);
    ASSERT_GT(bytes.size(), song.size() + 10);
    EXPECT_EQ(std::memcmp(bytes.data(), "ID3\x03\x00\x80", 6), 0);
    const uint32_t size = SyncSafe(bytes.data() + 6);
    ASSERT_EQ(bytes.size(), 10 + size + song.size());
    EXPECT_TRUE(std::equal(song.begin(), song.end(), bytes.begin() + 10 + size)) << "audio bytes changed";
    // TIT2 with the file's name, then TXXX (encoding byte and text), then
    // 2048 bytes of padding.
    const std::string frames = "TIT2\0\0\0\x0D\0\0\0My Song.mp3\0TXXX\0\0\0\x06\0\0\0" "1234\0"s;
    EXPECT_EQ(std::string(bytes.begin() + 10, bytes.begin() + 10 + frames.size()), frames);
    EXPECT_EQ(size, frames.size() + 2048);
    EXPECT_TRUE(std::all_of(bytes.begin() + 10 + frames.size(), bytes.begin() + 10 + size, [](uint8_t b) { return b == 0; }));

    CId3tagv2 reread;
    ASSERT_EQ(reread.Read(path.c_str()), 0);
    EXPECT_EQ(reread.GetTitle(), "My Song.mp3");
    EXPECT_EQ(reread.GetUserText(), "1234");
    EXPECT_EQ(reread.GetDurationSeconds(), 3u);
    EXPECT_EQ(reread.Write(path.c_str()), -1) << "a file read with a tag is not tagged again";

    if (HaveTool("id3v2")) {
        const auto listing = CommandOutput({"id3v2", "-l", path});
        ASSERT_TRUE(listing.has_value());
        EXPECT_NE(listing->find("TIT2 (Title/songname/content description): My Song.mp3"), std::string::npos) << *listing;
        EXPECT_NE(listing->find("TXXX (User defined text information): (1234)"), std::string::npos) << *listing;
    }
}

TEST(Id3Write, FrameBytesThatLookLikeSyncAreUnsynchronised) {
    TempDir dir;
    const std::string path = dir.File("sync.mp3");
    WriteFile(path, SongBytes());
    CId3tagv2 tag;
    tag.SetUserText("\xFF\xE0");
    ASSERT_EQ(tag.Write(path.c_str()), 0);
    const auto bytes = ReadFile(path);
    const std::string txxx = "TXXX\0\0\0\x04\0\0\0\xFF\0\xE0\0"s;   // size 4, five bytes on disk
    const std::string all(bytes.begin(), bytes.begin() + 10 + SyncSafe(bytes.data() + 6));
    const size_t at = all.find("TXXX");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(all.substr(at, txxx.size()), txxx);
    EXPECT_EQ(SyncSafe(bytes.data() + 6), 2048u + 10 + 1 + std::strlen("sync.mp3") + 1 + txxx.size());

    CId3tagv2 reread;
    ASSERT_EQ(reread.Read(path.c_str()), 0);
    EXPECT_EQ(reread.GetUserText(), "\xC3\xBF\xC3\xA0");
}

TEST(Id3Write, AFailedWriteLeavesTheOriginalFileAsItWas) {
    TempDir dir;
    const std::string path = dir.File("song.mp3");
    const auto song = SongBytes();
    WriteFile(path, song);

    CId3tagv2 missing;
    missing.SetUserText("1");
    EXPECT_EQ(missing.Write(dir.File("gone.mp3").c_str()), ENOENT);

    // A disk that fills up while the copy is written.
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = song.size();
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    CId3tagv2 tag;
    tag.SetUserText("1234");
    const int result = tag.Write(path.c_str());
    setrlimit(RLIMIT_FSIZE, &old);
    sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_EQ(result, EFBIG);
    EXPECT_FALSE(tag.Present());
    EXPECT_EQ(ReadFile(path), song);
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"song.mp3"}) << "temporary file left behind";
}
