// Every way the encoder can fail gives result 0, and the three the user can
// act on say so with their own text.
#include <gtest/gtest.h>

#include <cstdlib>

#include "kvostudio/include/convert/wavetomp3.h"
#include "tests/encode/encode_helpers.h"
#include "tests/support/mp3_maker.h"

using namespace testsupport;
using namespace encodetest;

namespace {

class EncodeFailureTest : public testing::Test {
protected:
    void SetUp() override
    {
        WriteFile(dir.File("in.wav"), WavBytes(MakeTone(44100, 2, 0.5, 440.0, 0.5)));
    }
    void TearDown() override { unsetenv(kLameModuleEnv); }

    int Encode(const std::string& module, const std::string& source = "in.wav")
    {
        setenv(kLameModuleEnv, module.c_str(), 1);
        obs = RecordingObserver{};
        return EncodeMp3(dir.File(source).c_str(), dir.File("out.mp3").c_str(), 128, &obs);
    }

    std::string Fake(const std::string& kind) { return ProgramFolder() + "/fake_lame_" + kind + ".so"; }

    TempDir dir;
    RecordingObserver obs;
};

}  // namespace

TEST_F(EncodeFailureTest, ModuleThatCannotBeLoaded)
{
    for (const std::string& module : {dir.File("missing.so"), dir.File("in.wav"), std::string("lame_enc.so"),
                                      std::string("./lame_enc.so")}) {
        SCOPED_TRACE(module);
        EXPECT_EQ(Encode(module), 0);
        EXPECT_EQ(obs.errors, std::vector<std::string>{"Lame Module Load Error!"});
    }
}

TEST_F(EncodeFailureTest, ModuleWithoutAnEntryPoint)
{
    EXPECT_EQ(Encode(Fake("no_close")), 0);
    EXPECT_EQ(obs.errors, std::vector<std::string>{"Can't Get Func!"});
    EXPECT_FALSE(FileExists(dir.File("out.mp3")));
}

TEST_F(EncodeFailureTest, FilesThatCannotBeOpened)
{
    const std::string module = ProgramFolder() + "/lame_enc.so";
    EXPECT_EQ(Encode(module, "missing.wav"), 0);
    EXPECT_EQ(obs.errors, std::vector<std::string>{"Can't Open File!"});
    // The target is made anew even so.
    ASSERT_TRUE(FileExists(dir.File("out.mp3")));
    EXPECT_TRUE(ReadFile(dir.File("out.mp3")).empty());

    setenv(kLameModuleEnv, module.c_str(), 1);
    obs = RecordingObserver{};
    EXPECT_EQ(EncodeMp3(dir.File("in.wav").c_str(), dir.File("no/such/folder/out.mp3").c_str(), 128, &obs), 0);
    EXPECT_EQ(obs.errors, std::vector<std::string>{"Can't Open File!"});
}

TEST_F(EncodeFailureTest, EncoderErrorsFailWithoutAMessage)
{
    EXPECT_EQ(Encode(Fake("init_fails")), 0);
    EXPECT_TRUE(obs.errors.empty());
    EXPECT_EQ(Encode(Fake("encode_fails")), 0);
    EXPECT_TRUE(obs.errors.empty());

    // A RIFF file with no samples chunk is not a capture.
    auto wav = ReadFile(dir.File("in.wav"));
    wav[36] = 'X';
    WriteFile(dir.File("nodata.wav"), wav);
    EXPECT_EQ(Encode(ProgramFolder() + "/lame_enc.so", "nodata.wav"), 0);
    EXPECT_TRUE(obs.errors.empty());
}

TEST_F(EncodeFailureTest, ModuleIsFoundBesideTheProgram)
{
    unsetenv(kLameModuleEnv);
    char path[4096];
    EXPECT_EQ(std::string(LameModulePath(path, sizeof path)), ProgramFolder() + "/lame_enc.so");
    EXPECT_EQ(EncodeMp3(dir.File("in.wav").c_str(), dir.File("out.mp3").c_str(), 128, nullptr), 1);
}
