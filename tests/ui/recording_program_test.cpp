// Recording in the program itself, on the display, with SDL's disk driver
// as the sound card: a microphone that cannot open is named with the
// capture system's reason, and nothing of the failed take stays behind.
#include <filesystem>

#include "platform/audio/sdl_output.h"
#include "tests/ui/running_program.h"
#include "ui_test_env.h"

TEST(RecordingInTheProgram, AMicrophoneThatCannotOpenIsNamedWithItsReasonAndLeavesNoWorkFile)
{
    KVO_REQUIRE_DISPLAY();
    if (!platform::audio::SdlHasAudioDriver("disk"))
        GTEST_SKIP() << "this SDL has no 'disk' audio driver";
    uitest::RunningProgram program(uitest::RunningProgram::Sound::Disk);
    const std::string missing = program.RemoveMicrophone();
    ASSERT_TRUE(program.Start({"/open", GetProgramFolder() + "demo.kvo"})) << program.Said();
    ASSERT_TRUE(program.Record()) << program.Said();

    ASSERT_TRUE(program.WaitForText("message box: The recording could not start.", 15000)) << program.Said();
    program.Process().WaitForOutput(
        [](const std::string&, const std::string& err) { return err.find(".raw") != std::string::npos; }, 2000);
    const std::string said = program.Said().substr(program.Said().find("message box: The recording"));
    EXPECT_NE(said.find("disk driver"), std::string::npos) << said;
    EXPECT_NE(said.find("Couldn't open " + missing), std::string::npos) << said;
    for (const auto& entry : std::filesystem::directory_iterator(program.DataFolder())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "config.ini" || name.rfind("log", 0) == 0) << name << " was left in the data folder";
    }
}
