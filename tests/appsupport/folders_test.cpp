// Where the program's files go, and the path helpers.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "kvostudio/global.h"
#include "tests/appsupport/scoped_env.h"

namespace {

bool IsDir(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Runs a test body with the current directory moved to a fresh folder, so
// anything written "here" by mistake is seen.
class InScratchDirectory {
public:
    InScratchDirectory() : old_(std::filesystem::current_path()) { std::filesystem::current_path(dir_.Path()); }
    ~InScratchDirectory() { std::filesystem::current_path(old_); }
    bool Empty() const { return std::filesystem::is_empty(dir_.Path()); }

private:
    testsupport::TempDir dir_;
    std::filesystem::path old_;
};

}  // namespace

TEST(DataFolder, FollowsTheXdgDataHomeThenHome)
{
    testsupport::TempDir base;
    ScopedEnv env;
    env.Clear("KVO_DATA_DIR");
    env.Set("XDG_DATA_HOME", base.Path() + "/xdg/data");
    env.Set("HOME", base.Path() + "/home");
    EXPECT_EQ(GetUserDataFilePath("config.ini"), base.Path() + "/xdg/data/kvoStudio/config.ini");
    EXPECT_TRUE(IsDir(base.Path() + "/xdg/data/kvoStudio"));  // missing parents made

    // A relative XDG_DATA_HOME is not to be used.
    env.Set("XDG_DATA_HOME", "relative/data");
    char folder[MAX_PATH];
    ASSERT_TRUE(GetUserDataFolder(folder));
    EXPECT_EQ(std::string(folder), base.Path() + "/home/.local/share/kvoStudio/");
    EXPECT_TRUE(IsDir(folder));
    // An existing folder is no failure.
    ASSERT_TRUE(GetUserDataFolder(folder));
    EXPECT_EQ(CreateDirectoryPath(folder), 0);
}

TEST(DataFolder, TheOverrideIsUsedAsIs)
{
    testsupport::TempDir base;
    ScopedEnv env;
    env.Set("KVO_DATA_DIR", base.Path() + "/portable/data");
    EXPECT_EQ(GetUserDataFilePath("log.txt"), base.Path() + "/portable/data/log.txt");
    EXPECT_TRUE(IsDir(base.Path() + "/portable/data"));
    env.Set("KVO_DATA_DIR", base.Path() + "/other/");
    EXPECT_EQ(GetUserDataFilePath("x"), base.Path() + "/other/x");
}

TEST(DataFolder, WithNoHomeNothingIsWrittenAnywhere)
{
    InScratchDirectory here;
    ScopedEnv env;
    env.Clear("KVO_DATA_DIR");
    env.Clear("XDG_DATA_HOME");
    env.Clear("HOME");
    char folder[MAX_PATH] = "junk";
    EXPECT_FALSE(GetUserDataFolder(folder));
    EXPECT_STREQ(folder, "");
    EXPECT_EQ(GetUserDataFilePath("config.ini"), "");
    EXPECT_FALSE(WriteConfigInt(config::kGeneral, config::kRepeat, 1));
    int repeat = 9;
    EXPECT_TRUE(ReadConfigInt(config::kGeneral, config::kRepeat, &repeat));
    EXPECT_EQ(repeat, 0);
    WriteLog("nowhere");
    InstallCrashHandler crash;
    EXPECT_FALSE(crash.Installed());
    EXPECT_TRUE(here.Empty());
}

TEST(DataFolder, APathTooLongForTheBufferIsRefusedNotCut)
{
    ScopedEnv env;
    env.Set("KVO_DATA_DIR", "/tmp/" + std::string(300, 'd'));
    char folder[MAX_PATH];
    EXPECT_FALSE(GetUserDataFolder(folder));
    EXPECT_EQ(GetUserDataFilePath("config.ini"), "");
}

TEST(CreateDirectoryPath, MakesParentsAndTakesWhatExists)
{
    testsupport::TempDir base;
    const std::string deep = base.Path() + "/a/b/c/";
    EXPECT_EQ(CreateDirectoryPath(deep.c_str()), 0);
    EXPECT_TRUE(IsDir(base.Path() + "/a/b/c"));
    EXPECT_EQ(CreateDirectoryPath(deep.c_str()), 0);
    EXPECT_EQ(CreateDirectoryPath((base.Path() + "/a/b").c_str()), 0);
    EXPECT_EQ(CreateDirectoryPath("/"), 0);

    // A file in the way is a failure, with the system's reason.
    WriteText(base.File("file"), "x");
    EXPECT_NE(CreateDirectoryPath((base.Path() + "/file").c_str()), 0);
    EXPECT_EQ(CreateDirectoryPath((base.Path() + "/file/sub/dir").c_str()), ENOTDIR);
    EXPECT_EQ(CreateDirectoryPath(""), 2);
    EXPECT_EQ(CreateDirectoryPath(nullptr), 2);
}

TEST(ProgramFolders, SkinFolderSitsBesideTheProgramUnlessOverridden)
{
    ScopedEnv env;
    env.Clear("KVO_SKIN_DIR");
    std::string program = GetProgramFolder();
    ASSERT_FALSE(program.empty());
    EXPECT_EQ(program.back(), '/');
    EXPECT_TRUE(testsupport::FileExists(program + "test_appsupport"));
    EXPECT_EQ(GetSkinFolder(), program + "skin/");
    env.Set("KVO_SKIN_DIR", "/opt/skins/dark");
    EXPECT_EQ(GetSkinFolder(), "/opt/skins/dark/");
}

TEST(PathParts, NamesAreTakenBehindTheLastSlash)
{
    EXPECT_EQ(FindLastChar("a/b/c", '/'), 3);
    EXPECT_EQ(FindLastChar("abc", '/'), 0);
    EXPECT_EQ(FindLastChar("/abc", '/'), 0);

    EXPECT_STREQ(FindFileNamePart("dir/name"), "name");
    EXPECT_STREQ(FindFileNamePart("/music/Live: Best\\Of.mp3"), "Live: Best\\Of.mp3");
    EXPECT_STREQ(FindFileNamePart("plain.kvo"), "plain.kvo");
    EXPECT_STREQ(FindFileNamePart("dir/"), "");

    char path[] = "/home/me/Music/a.mp3";
    char* cut = CutFileNamePart(path);
    EXPECT_STREQ(path, "/home/me/Music/");
    EXPECT_EQ(cut, path + std::strlen("/home/me/Music/"));
    char bare[] = "a.mp3";
    EXPECT_EQ(CutFileNamePart(bare), bare);
    EXPECT_STREQ(bare, "a.mp3");

    // A slash never occurs inside a multi-byte UTF-8 character.
    EXPECT_EQ(GetFileNamePart("/songs/\xEB\x85\xB8\xEB\x9E\x98.kvo"), "\xEB\x85\xB8\xEB\x9E\x98.kvo");
    EXPECT_EQ(GetFileNamePart("/a/b.c.mp3"), "b.c.mp3");

    EXPECT_EQ(GetFullPathFileName("/music/a/../b.kvo"), "b.kvo");
    EXPECT_EQ(GetFullPathFileName("/music/a/.."), "music");
    EXPECT_EQ(GetFullPathFileName("song.mp3"), "song.mp3");
    EXPECT_EQ(GetFullPathFileName("/music/"), "");
    EXPECT_EQ(GetFullPathFileName(""), "");
}
