// The dialogs that pick the file for an upload: the size limit, the UCC
// tag check, and a choice that survives a refused one.

#include <filesystem>

#include <gtest/gtest.h>

#include "kvostudio/uploadfiledlg.h"
#include "tests/dialogs/dialog_fixture.h"
#include "tests/support/id3_builder.h"
#include "tests/support/mp3_maker.h"

namespace {

using namespace platform;
using dialogtest::Click;
using dialogtest::DialogTest;
using dialogtest::kLeftOpen;
using dialogtest::RunModal;
using testsupport::WriteFile;

constexpr Point kUpload{200, 300};
constexpr Point kBrowse{340, 255};

class UploadDialogs : public DialogTest {
protected:
    std::string FileOfSize(const std::string& name, uintmax_t size)
    {
        const std::string path = dir.File(name);
        WriteFile(path, {});
        std::filesystem::resize_file(path, size);
        return path;
    }
    std::string TaggedMp3(const std::string& name, const std::string& userText)
    {
        testsupport::Id3v2Builder tag(3);
        tag.Text("TIT2", testsupport::Id3Text::Latin1, "take");
        if (!userText.empty())
            tag.Text("TXXX", testsupport::Id3Text::Latin1, userText);  // as the program writes it
        std::vector<uint8_t> bytes = tag.Build();
        const std::vector<uint8_t> audio = testsupport::MakeMp3(testsupport::MakeTone(44100, 2, 0.5, 440, 0.3));
        bytes.insert(bytes.end(), audio.begin(), audio.end());
        const std::string path = dir.File(name);
        WriteFile(path, bytes);
        return path;
    }
};

TEST_F(UploadDialogs, FilesUpToTwentyMebibytesAreTakenLargerOnesRefused)
{
    const std::string fits = FileOfSize("fits.kvo", 20971520);
    const std::string tooBig = FileOfSize("big.kvo", 20971521);
    CTransferMobileDlg dlg;
    AnswerChooser({fits});
    AnswerChooser({tooBig});
    AnswerChooser({dir.File("gone.kvo")});
    AnswerChooser({dir.Path()});
    EXPECT_EQ(RunModal(dlg,
                       [&] {
                           EXPECT_EQ(dlg.GetClientRect().GetSize(), (Size{393, 350}));
                           Click(dlg, kUpload);  // nothing chosen yet: nothing happens
                           EXPECT_TRUE(dlg.IsWindowVisible());
                           Click(dlg, kBrowse);
                           EXPECT_EQ(dlg.GetShownPath(), fits);
                           // Refused files leave the valid one chosen and shown.
                           Click(dlg, kBrowse);
                           Click(dlg, kBrowse);
                           Click(dlg, kBrowse);
                           EXPECT_EQ(dlg.GetShownPath(), fits);
                           Click(dlg, kUpload);
                       }),
              IDOK);
    EXPECT_EQ(dlg.GetFilePath(), fits);
    ASSERT_EQ(choosers.size(), 4u);
    EXPECT_EQ(choosers[0].filters.at(0).patterns, (std::vector<std::string>{"*.kvo"}));
    // Only the too-large file is told about; missing files and folders are
    // refused without a word.
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "KVO Studio");
    EXPECT_EQ(boxes[0].text.rfind("Maximum File Size Limit Exceeded", 0), 0u);

    CTransferMobileDlg cancelled;
    EXPECT_EQ(RunModal(cancelled, [&] { Click(cancelled, {379, 14}); }), IDCANCEL);
    EXPECT_EQ(cancelled.GetFilePath(), "");
}

TEST_F(UploadDialogs, UccFilesMustCarryTheirRecordingNumberWhenTagged)
{
    CUccUploadDlg dlg;
    ASSERT_TRUE(dlg.Create(CUccUploadDlg::IDD));
    EXPECT_FALSE(dlg.TakeFile(TaggedMp3("zero.mp3", "0")));
    EXPECT_FALSE(dlg.TakeFile(TaggedMp3("none.mp3", "")));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Not Recorded File...");
    EXPECT_EQ(dlg.GetFilePath(), "");

    const std::string recorded = TaggedMp3("recorded.mp3", "4321");
    EXPECT_TRUE(dlg.TakeFile(recorded));
    EXPECT_EQ(dlg.GetShownPath(), recorded);
    // Without an ID3v2 tag the file goes on; the upload decides later.
    const std::string plain = dir.File("plain.mp3");
    WriteFile(plain, testsupport::MakeMp3(testsupport::MakeTone(44100, 2, 0.5, 440, 0.3)));
    EXPECT_TRUE(dlg.TakeFile(plain));
    EXPECT_EQ(boxes.size(), 2u);
    dlg.DestroyWindow();
}

}  // namespace
