// config.ini through the program's six accessors, on disk.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "kvostudio/global.h"
#include "tests/appsupport/scoped_env.h"

using namespace config;

namespace {

int IntOf(const char* section, const char* key)
{
    int value = 12345;
    EXPECT_TRUE(ReadConfigInt(section, key, &value));
    return value;
}

std::string StringOf(const char* section, const char* key, int capacity)
{
    std::string buffer(static_cast<size_t>(capacity), 'x');
    int size = capacity;
    EXPECT_TRUE(ReadConfigString(section, key, buffer.data(), &size));
    EXPECT_EQ(std::string(buffer.c_str()).size(), static_cast<size_t>(size));
    return buffer.substr(0, static_cast<size_t>(size));
}

}  // namespace

TEST(Settings, AFreshInstallationReadsEveryDefault)
{
    TestDataFolder data;
    for (const char* key : {kShuffle, kRepeat, kBitrate, kMixing}) EXPECT_EQ(IntOf(kGeneral, key), 0) << key;
    for (const char* key : {kStart, kStop, kVocal}) EXPECT_EQ(IntOf(kRecord, key), 0) << key;
    EXPECT_EQ(StringOf(kGeneral, kFolder, kFolderCapacity), "");
    EXPECT_EQ(StringOf(kGeneral, kInputDevice, kDeviceCapacity), "");
    EXPECT_EQ(StringOf(kGeneral, kRecordDevice, kDeviceCapacity), "");
    EXPECT_EQ(StringOf(kGeneral, kId, kIdCapacity), "");

    float shift = 1, voice = 1, accom = 1;
    EXPECT_TRUE(ReadConfigFloat(kRecord, kVoiceShift, &shift, kDefaultVoiceShift));
    EXPECT_TRUE(ReadConfigFloat(kRecord, kVoiceDb, &voice, kDefaultVoiceDb));
    EXPECT_TRUE(ReadConfigFloat(kRecord, kAccomDb, &accom, kDefaultAccomDb));
    EXPECT_EQ(shift, -200.0f);
    EXPECT_EQ(voice, 0.0f);
    EXPECT_EQ(accom, 0.0f);
    EXPECT_EQ(std::to_string(kDefaultVoiceShiftMs), kDefaultVoiceShift);
    // Reading never creates the file.
    EXPECT_FALSE(testsupport::FileExists(data.File("config.ini")));
}

TEST(Settings, WrittenFileIsWhatAWindowsReaderExpects)
{
    TestDataFolder data;
    EXPECT_TRUE(WriteConfigInt(kGeneral, kShuffle, 1));
    EXPECT_TRUE(WriteConfigInt(kGeneral, kRepeat, 2));
    EXPECT_TRUE(WriteConfigString(kGeneral, kId, "singer01"));
    EXPECT_TRUE(WriteConfigFloat(kRecord, kVoiceShift, -200.0f));
    EXPECT_TRUE(WriteConfigFloat(kRecord, kVoiceDb, 3.0f));
    EXPECT_TRUE(WriteConfigInt(kRecord, kStart, 1));
    EXPECT_TRUE(WriteConfigInt(kGeneral, kRepeat, 0));  // rewritten in place
    EXPECT_EQ(ReadText(data.File("config.ini")),
              "[GENERAL]\r\n"
              "shuffle=1\r\n"
              "repeat=0\r\n"
              "ID=singer01\r\n"
              "[RECORD]\r\n"
              "voice-shift=-200.000000\r\n"
              "voice-db=3.000000\r\n"
              "start=1\r\n");
    EXPECT_EQ(IntOf(kGeneral, kShuffle), 1);
    EXPECT_EQ(IntOf(kRecord, kStart), 1);
    float shift = 0;
    EXPECT_TRUE(ReadConfigFloat(kRecord, kVoiceShift, &shift, kDefaultVoiceShift));
    EXPECT_EQ(shift, -200.0f);
    // The whole-number part the re-mix dialog stores keeps its six zeros.
    EXPECT_TRUE(WriteConfigFloat(kRecord, kVoiceShift, 150.0f));
    EXPECT_NE(ReadText(data.File("config.ini")).find("voice-shift=150.000000\r\n"), std::string::npos);
    // No temporary file is left behind.
    EXPECT_EQ(std::system(("test $(ls -A '" + data.Path() + "' | wc -l) -eq 1").c_str()), 0);
}

TEST(Settings, ReadsAFileWrittenByHand)
{
    TestDataFolder data;
    WriteText(data.File("config.ini"),
              "[general]\n"
              "Bitrate = 2 ; 64 kbit/s\n"
              "folder = \"/home/me/My Recordings\"\n"
              "ID=\n"
              "[record]\n"
              "voice-shift=\n"
              "accom-db = -3.5\n");
    EXPECT_EQ(IntOf(kGeneral, kBitrate), 2);
    EXPECT_EQ(StringOf(kGeneral, kFolder, kFolderCapacity), "/home/me/My Recordings");
    EXPECT_EQ(StringOf(kGeneral, kId, kIdCapacity), "");

    float accom = 0;
    EXPECT_TRUE(ReadConfigFloat(kRecord, kAccomDb, &accom, kDefaultAccomDb));
    EXPECT_EQ(accom, -3.5f);

    // Present but empty is not the default; with an empty default text the
    // caller's value stays.
    float shift = 42;
    EXPECT_FALSE(ReadConfigFloat(kRecord, kVoiceShift, &shift, kDefaultVoiceShift));
    EXPECT_EQ(shift, 42.0f);
    EXPECT_FALSE(ReadConfigFloat(kRecord, "missing", &shift, ""));
    EXPECT_EQ(shift, 42.0f);
}

TEST(Settings, LongTextsAreCutToTheCallersBuffer)
{
    TestDataFolder data;
    const std::string longName(150, 'n');
    ASSERT_TRUE(WriteConfigString(kGeneral, kInputDevice, longName.c_str()));
    EXPECT_EQ(StringOf(kGeneral, kInputDevice, 100), std::string(99, 'n'));
    char buffer[4] = {'x', 'x', 'x', 'x'};
    int size = 0;
    EXPECT_TRUE(ReadConfigString(kGeneral, kInputDevice, buffer, &size));
    EXPECT_EQ(size, 0);
    EXPECT_EQ(buffer[0], 'x');  // no room, nothing written
}

TEST(Settings, NullArgumentsAndUnstorableValuesAreRefused)
{
    TestDataFolder data;
    int i = 7;
    float f = 7;
    EXPECT_FALSE(WriteConfigString(kGeneral, kId, nullptr));
    EXPECT_FALSE(WriteConfigInt(kGeneral, nullptr, 1));  // never "remove the section"
    EXPECT_FALSE(ReadConfigInt(kGeneral, kRepeat, nullptr));
    EXPECT_FALSE(ReadConfigInt(kGeneral, nullptr, &i));
    EXPECT_FALSE(ReadConfigFloat(nullptr, kVoiceDb, &f, "0"));
    EXPECT_EQ(i, 7);
    EXPECT_EQ(f, 7.0f);

    // A sign-in id with a line break in it would plant a key of its own.
    EXPECT_FALSE(WriteConfigString(kGeneral, kId, "me\r\n[RECORD]\r\nstop=1"));
    EXPECT_FALSE(WriteConfigFloat(kRecord, kVoiceShift, std::numeric_limits<float>::quiet_NaN()));
    EXPECT_FALSE(WriteConfigFloat(kRecord, kVoiceShift, std::numeric_limits<float>::infinity()));
    EXPECT_FALSE(testsupport::FileExists(data.File("config.ini")));
}

TEST(Settings, ALinkedFileIsUpdatedWhereItLives)
{
    TestDataFolder data;
    testsupport::TempDir elsewhere;
    WriteText(elsewhere.File("kvo.ini"), "[GENERAL]\r\nrepeat=1\r\n");
    ASSERT_EQ(symlink(elsewhere.File("kvo.ini").c_str(), data.File("config.ini").c_str()), 0);
    EXPECT_TRUE(WriteConfigInt(kGeneral, kShuffle, 1));
    struct stat st;
    ASSERT_EQ(lstat(data.File("config.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadText(elsewhere.File("kvo.ini")), "[GENERAL]\r\nrepeat=1\r\nshuffle=1\r\n");
}

TEST(Settings, AFileThatCannotBeReadIsNotOverwritten)
{
    TestDataFolder data;
    const std::string path = data.File("config.ini");
    // Far larger than any settings file: neither read nor replaced.
    std::string huge = "[GENERAL]\r\nrepeat=2\r\n" + std::string(2u << 20, ';');
    WriteText(path, huge);
    EXPECT_EQ(IntOf(kGeneral, kRepeat), 0);
    EXPECT_FALSE(WriteConfigInt(kGeneral, kShuffle, 1));
    EXPECT_EQ(ReadText(path).size(), huge.size());

    // A folder where the file should be.
    ASSERT_EQ(std::remove(path.c_str()), 0);
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
    EXPECT_FALSE(WriteConfigInt(kGeneral, kShuffle, 1));
}

TEST(Settings, ACommaDecimalLocaleStillWritesAndReadsAPoint)
{
    testsupport::TempDir locales;
    const std::string cmd = "localedef -i de_DE -f UTF-8 '" + locales.Path() + "/de_DE.UTF-8' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "localedef cannot build de_DE.UTF-8 here";
    TestDataFolder data;
    data.Env().Set("LOCPATH", locales.Path());
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
    char probe[32];
    std::snprintf(probe, sizeof probe, "%f", -200.0);
    EXPECT_STREQ(probe, "-200,000000");  // the locale really uses a comma

    EXPECT_TRUE(WriteConfigFloat(kRecord, kVoiceShift, -200.0f));
    EXPECT_TRUE(WriteConfigFloat(kRecord, kVoiceDb, 2.5f));
    float shift = 0, voice = 0;
    EXPECT_TRUE(ReadConfigFloat(kRecord, kVoiceShift, &shift, kDefaultVoiceShift));
    EXPECT_TRUE(ReadConfigFloat(kRecord, kVoiceDb, &voice, kDefaultVoiceDb));
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(ReadText(data.File("config.ini")), "[RECORD]\r\nvoice-shift=-200.000000\r\nvoice-db=2.500000\r\n");
    EXPECT_EQ(shift, -200.0f);
    EXPECT_EQ(voice, 2.5f);
}

TEST(Settings, TwoThreadsWritingDifferentKeysLoseNone)
{
    TestDataFolder data;
    constexpr int kKeysPerThread = 500;
    auto writer = [](const char* section, const char* prefix) {
        for (int i = 0; i < kKeysPerThread; ++i) {
            std::string key = std::string(prefix) + std::to_string(i);
            WriteConfigInt(section, key.c_str(), i);
        }
    };
    std::thread a(writer, kGeneral, "a");
    std::thread b(writer, kRecord, "b");
    a.join();
    b.join();
    int lost = 0;
    for (int i = 0; i < kKeysPerThread; ++i) {
        int va = -1, vb = -1;
        ReadConfigInt(kGeneral, ("a" + std::to_string(i)).c_str(), &va);
        ReadConfigInt(kRecord, ("b" + std::to_string(i)).c_str(), &vb);
        lost += (va != i) + (vb != i);
    }
    EXPECT_EQ(lost, 0);
}
