// The recording preferences: what they show of config.ini, what OK stores,
// and the input line they switch on.

#include <cstdlib>
#include <memory>

#include <gtest/gtest.h>

#include "kvostudio/preferencesdlg.h"
#include "kvostudio/settings.h"
#include "platform/mixer/memory_mixer.h"
#include "tests/dialogs/dialog_fixture.h"

namespace {

using namespace platform;
using dialogtest::DialogTest;
using dialogtest::RunModal;

std::string GeneralText(const char* key)
{
    char text[300] = {};
    int size = sizeof text;
    ReadConfigString(config::kGeneral, key, text, &size);
    return text;
}

int GeneralInt(const char* key)
{
    int value = -1;
    ReadConfigInt(config::kGeneral, key, &value);
    return value;
}

class Preferences : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        mixer = std::make_shared<MemoryMixer>();
        mixer->captureDevices = {
            {"A", {{"Mic", false}, {"Line", true}}},
            {"A more", {{"Front Mic", true}, {"Rear Mic", false}, {"Stereo Mix", false}}},
        };
        previous = InstallMixerBackend(mixer);
        devices = {{"A", {"Mic", "Line"}}, {"A more", {"Front Mic", "Rear Mic", "Stereo Mix"}}};
    }
    void TearDown() override
    {
        InstallMixerBackend(previous);
        DialogTest::TearDown();
    }

    std::shared_ptr<MemoryMixer> mixer;
    std::shared_ptr<MixerBackend> previous;
    std::vector<stAudioDeviceInfo> devices;
};

TEST(PreferencesBitrate, CodesAndComboIndexesMapBothWays)
{
    EXPECT_EQ(CPreferencesDlg::BitrateCodeToIndex(0), 1);
    EXPECT_EQ(CPreferencesDlg::BitrateCodeToIndex(1), 2);
    EXPECT_EQ(CPreferencesDlg::BitrateCodeToIndex(2), 0);
    EXPECT_EQ(CPreferencesDlg::BitrateCodeToIndex(7), 1);
    EXPECT_EQ(CPreferencesDlg::BitrateIndexToCode(0), 2);
    EXPECT_EQ(CPreferencesDlg::BitrateIndexToCode(1), 0);
    EXPECT_EQ(CPreferencesDlg::BitrateIndexToCode(2), 1);
    EXPECT_EQ(CPreferencesDlg::BitrateIndexToCode(-1), 1);
}

TEST_F(Preferences, OkStoresWhatIsShownAndSwitchesTheLineOn)
{
    const char* home = std::getenv("HOME");
    const std::string savedHome = home ? home : "";
    ::setenv("HOME", dir.Path().c_str(), 1);
    WriteConfigInt(config::kGeneral, config::kBitrate, 7);
    WriteConfigString(config::kGeneral, config::kInputDevice, "a more");
    CPreferencesDlg dlg(nullptr, &devices);
    EXPECT_EQ(GeneralInt(config::kMixing), 0);  // written back at once
    const int result = RunModal(dlg, [&] {
        EXPECT_EQ(dlg.BitrateCombo().GetSelectedText(), "128 (default)");
        EXPECT_EQ(dlg.FolderEdit().GetText(), dir.Path() + "/Quorvel/KVOstudio/Output");
        EXPECT_EQ(dlg.InputDeviceCombo().GetSelectedText(), "A more");
        EXPECT_EQ(dlg.RecordControlCombo().GetSelectedText(), "Front Mic");  // the line on now
        EXPECT_NE(dlg.GetDeviceHint().find("'Microphone,Mic,Front Mic'"), std::string::npos);
        // The hint follows the mixing type at once; nothing is stored yet.
        dlg.MixingCombo().SetCurSel(1);
        dlg.UpdateDeviceHint();
        EXPECT_NE(dlg.GetDeviceHint().find("'Monitor of' the speakers"), std::string::npos);
        EXPECT_EQ(GeneralInt(config::kMixing), 0);
        dlg.RecordControlCombo().SetCurSel(2);
        dialogtest::Click(dlg, {400, 330});  // OK
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(GeneralInt(config::kBitrate), 0);
    EXPECT_EQ(GeneralInt(config::kMixing), 1);
    EXPECT_EQ(GeneralText(config::kFolder), dir.Path() + "/Quorvel/KVOstudio/Output");
    EXPECT_EQ(GeneralText(config::kInputDevice), "A more");
    EXPECT_EQ(GeneralText(config::kRecordDevice), "Stereo Mix");
    const auto& lines = mixer->captureDevices[1].lines;
    EXPECT_FALSE(lines[0].on);
    EXPECT_FALSE(lines[1].on);
    EXPECT_TRUE(lines[2].on);
    EXPECT_TRUE(mixer->captureDevices[0].lines[1].on);  // the other device is left alone
    ::setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(Preferences, AStoredDeviceKeepsItsOwnEntryAndItsLines)
{
    // "A" is stored: "A more" also begins with it, but "A" is the choice.
    WriteConfigString(config::kGeneral, config::kInputDevice, "A");
    WriteConfigString(config::kGeneral, config::kRecordDevice, "rear");
    CPreferencesDlg dlg(nullptr, &devices);
    ASSERT_TRUE(dlg.Create(CPreferencesDlg::IDD));
    EXPECT_EQ(dlg.InputDeviceCombo().GetCurSel(), 0);
    EXPECT_EQ(dlg.RecordControlCombo().GetSelectedText(), "Line");

    // Choosing the other device lists its lines and picks the stored
    // record control by its beginning.
    dlg.InputDeviceCombo().SetCurSel(1);
    dlg.OnSelchangeInputDevice();
    EXPECT_EQ(dlg.RecordControlCombo().GetCount(), 3);
    EXPECT_EQ(dlg.RecordControlCombo().GetSelectedText(), "Rear Mic");
    dlg.DestroyWindow();

    // A stored name never written chooses the first device.
    WriteConfigString(config::kGeneral, config::kInputDevice, "");
    CPreferencesDlg fresh(nullptr, &devices);
    ASSERT_TRUE(fresh.Create(CPreferencesDlg::IDD));
    EXPECT_EQ(fresh.InputDeviceCombo().GetCurSel(), 0);
    fresh.DestroyWindow();
}

TEST_F(Preferences, WithNothingStoredTheDeviceShownIsTheOneThatRecords)
{
    // A sound server lists the monitor of its speakers first.
    mixer->devices.resize(2);
    mixer->devices[0].productName = "Monitor of Speakers";
    mixer->devices[1].productName = "Microphone";
    mixer->defaultDevice = 1;
    mixer->monitorDevice = 0;
    std::vector<stAudioDeviceInfo> server = {{"Monitor of Speakers", {}}, {"Microphone", {}}};
    for (const auto& [mixing, shown] : {std::pair{0, "Microphone"}, {1, "Monitor of Speakers"}}) {
        WriteConfigInt(config::kGeneral, config::kMixing, mixing);
        CPreferencesDlg dlg(nullptr, &server);
        ASSERT_TRUE(dlg.Create(CPreferencesDlg::IDD));
        EXPECT_EQ(dlg.InputDeviceCombo().GetSelectedText(), shown) << mixing;
        dlg.DestroyWindow();
    }
}

TEST_F(Preferences, OkWithoutALineLeavesTheInputsAsTheyAre)
{
    // No line of the device is on: the record control shows no choice, and
    // OK must not switch every input of the device off.
    mixer->captureDevices[0].lines[1].on = false;
    mixer->captureDevices[0].lines.push_back({"Aux", true, false});
    devices[0].inputLines.push_back("Aux");
    WriteConfigString(config::kGeneral, config::kInputDevice, "A");
    CPreferencesDlg dlg(nullptr, &devices);
    EXPECT_EQ(RunModal(dlg,
                       [&] {
                           EXPECT_EQ(dlg.RecordControlCombo().GetCurSel(), CB_ERR);
                           mixer->captureDevices[0].lines[0].on = true;  // switched on elsewhere meanwhile
                           dialogtest::Click(dlg, {400, 330});
                       }),
              IDOK);
    EXPECT_EQ(GeneralText(config::kRecordDevice), "");
    EXPECT_TRUE(mixer->captureDevices[0].lines[0].on);

    // With no devices at all the dialog says so, whatever the mixing, and
    // OK stores empty texts.
    std::vector<stAudioDeviceInfo> none;
    CPreferencesDlg empty(nullptr, &none);
    EXPECT_EQ(RunModal(empty,
                       [&] {
                           EXPECT_EQ(empty.GetDeviceHint().rfind("No sound input device was found.", 0), 0u);
                           empty.MixingCombo().SetCurSel(1);
                           empty.UpdateDeviceHint();
                           EXPECT_EQ(empty.GetDeviceHint().rfind("No sound input device was found.", 0), 0u);
                           dialogtest::Click(empty, {400, 330});
                       }),
              IDOK);
    EXPECT_EQ(GeneralText(config::kInputDevice), "");
}

TEST_F(Preferences, BrowsePutsTheChosenFolderInTheField)
{
    WriteConfigString(config::kGeneral, config::kFolder, "/kept/folder");
    CPreferencesDlg dlg(nullptr, &devices);
    ASSERT_TRUE(dlg.Create(CPreferencesDlg::IDD));
    EXPECT_EQ(dlg.FolderEdit().GetText(), "/kept/folder");
    AnswerChooser({});
    dlg.OnBrowseFolder();
    EXPECT_EQ(dlg.FolderEdit().GetText(), "/kept/folder");
    AnswerChooser({dir.Path()});
    dlg.OnBrowseFolder();
    EXPECT_EQ(choosers.back().kind, FileDialogKind::Folder);
    EXPECT_EQ(choosers.back().initialFolder, "/kept/folder");
    EXPECT_EQ(dlg.FolderEdit().GetText(), dir.Path());
    EXPECT_EQ(dlg.GetOutputFolder(), dir.Path());
    // A path config.ini could not keep whole is refused with a word why.
    AnswerChooser({"/" + std::string(300, 'x')});
    dlg.OnBrowseFolder();
    EXPECT_EQ(dlg.FolderEdit().GetText(), dir.Path());
    EXPECT_EQ(boxes.size(), 1u);
    dlg.DestroyWindow();
    EXPECT_EQ(GeneralText(config::kFolder), "/kept/folder");  // nothing stored without OK
}

}  // namespace
