// What the play list tests share: songs made at test time (MP3 files with
// ID3 tags, containers with their tag block), windows in memory with a
// parent that keeps the commands it is sent, and the skin bitmaps the lists
// and the playlist window load.
#pragma once

#include <string>
#include <vector>

#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/libskin/skinlistctrl.h"
#include "platform/window/message_box.h"
#include "tests/controls/controls_test_env.h"
#include "tests/support/id3_builder.h"
#include "tests/support/kvo_writer.h"
#include "tests/support/mp3_maker.h"

namespace playlisttest {

using controlstest::Button;
using controlstest::Click;
using controlstest::CountColour;
using controlstest::CountNear;
using controlstest::MoveTo;

struct SongTags {
    std::string title;
    std::string artist;
    std::string lyrics;
};

// A mono tone of whole seconds as MP3 (with its Info frame, so the tag
// reader knows the length).
inline const std::vector<uint8_t>& ToneMp3(int seconds)
{
    static std::vector<std::vector<uint8_t>> made(8);
    auto& mp3 = made.at(seconds);
    if (mp3.empty()) {
        testsupport::Mp3Options options;
        options.bitrateKbps = 32;
        mp3 = testsupport::MakeMp3(testsupport::MakeTone(22050, 1, seconds + 0.2, 440, 0.3), options);
    }
    return mp3;
}

// An MP3 file: an ID3v2.3 tag with the given texts (none when all are
// empty), then the tone.
inline std::string WriteMp3Song(const testsupport::TempDir& dir, const std::string& name, const SongTags& tags,
                                int seconds = 2)
{
    std::vector<uint8_t> bytes;
    if (!tags.title.empty() || !tags.artist.empty() || !tags.lyrics.empty()) {
        testsupport::Id3v2Builder tag(3);
        if (!tags.title.empty())
            tag.Text("TIT2", testsupport::Id3Text::Latin1, tags.title);
        if (!tags.artist.empty())
            tag.Text("TPE1", testsupport::Id3Text::Latin1, tags.artist);
        if (!tags.lyrics.empty())
            tag.Frame("USLT", testsupport::Id3CommentData(testsupport::Id3Text::Latin1, "eng", "", tags.lyrics));
        bytes = tag.Build();
    }
    const auto& mp3 = ToneMp3(seconds);
    bytes.insert(bytes.end(), mp3.begin(), mp3.end());
    const std::string path = dir.File(name);
    testsupport::WriteFile(path, bytes);
    return path;
}

// A container of two tone streams with a tag block of the given texts.
inline std::string WriteKvoSong(const testsupport::TempDir& dir, const std::string& name, const SongTags& tags,
                                int seconds = 2)
{
    testsupport::KvoContent content;
    content.tag = testsupport::MakeKvoTag(
        {tags.title, tags.artist, std::u16string(tags.lyrics.begin(), tags.lyrics.end()), "", {}});
    content.head = {1, 2, 3, 4};
    content.stream1 = ToneMp3(seconds);
    content.stream2 = ToneMp3(seconds);
    content.pieceSize = 3000;
    const std::string path = dir.File(name);
    testsupport::WriteFile(path, testsupport::WriteKvo(content));
    return path;
}

// The bitmaps of the list's scrollbar, the close button and the playlist
// window's buttons, each one plain colour.
inline void WriteListSkin(skintest::ScopedSkinFolder& skins)
{
    skins.Solid(skin::kScrollUp, 9, 18, {200, 0, 0});
    skins.Solid(skin::kScrollSpan, 9, 69, {0, 200, 0});
    skins.Solid(skin::kScrollDown, 9, 18, {0, 0, 200});
    skins.Solid(skin::kScrollThumb, 9, 17, {200, 200, 0});
    skins.Solid(skin::kBtnClose, 11, 11, {10, 20, 30});
    skins.Solid(skin::kBtnCloseOver, 11, 11, {40, 50, 60});
    skins.Solid(skin::kBtnClosePress, 11, 11, {70, 80, 90});
    for (const char* name : {skin::kBtnAdd, skin::kBtnAddOver, skin::kBtnAddPress, skin::kBtnRem,
                             skin::kBtnRemOver, skin::kBtnRemPress})
        skins.Solid(name, 42, 16, {120, 120, 120});
}

// A top-level window in memory that keeps every WM_PLAYER_COMMAND it gets
// with its lParam, and the play list inside it with the columns the
// playlist window gives it.
class ListHost : public controlstest::CommandSink {
public:
    std::vector<platform::LPARAM> params;

    platform::LRESULT WindowProc(platform::UINT msg, platform::WPARAM wp, platform::LPARAM lp) override
    {
        if (msg == WM_PLAYER_COMMAND)
            params.push_back(lp);
        return CommandSink::WindowProc(msg, wp, lp);
    }
};

inline bool MakeList(ListHost& host, CSkinListCtrl& list, const platform::Rect& screen = {100, 100, 420, 300},
                     const platform::Rect& listRect = {2, 8, 302, 118})
{
    if (!host.Make(screen) || !list.Create(listRect, &host, 1001))
        return false;
    list.Init();
    list.InsertColumn(0, "SONG", platform::LVCFMT_LEFT, 210);
    list.InsertColumn(1, "TIME", platform::LVCFMT_LEFT, 60);
    list.InsertColumn(2, "BUTTON", platform::LVCFMT_CENTER, 1);
    list.MoveWindow(listRect);
    return true;
}

// Rows added without reading files (the texts as given).
inline int AddRow(CSkinListCtrl& list, const std::string& name, int format = 0, int makeCurrent = 0,
                  const std::string& lyrics = "")
{
    const int row = list.InsertFileItem("/music/" + name, "Label " + name, "Title " + name, "Artist " + name,
                                        "01:00", lyrics, format, makeCurrent);
    list.SetItemText(row, 1, "01:00");
    return row;
}

// A play list in its host, with the list skin, for each test; a context
// menu left open is closed with them.
class ListFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        controlstest::UseMemoryWindows();
        WriteListSkin(skins);
        ASSERT_TRUE(MakeList(host, list));
    }
    void TearDown() override
    {
        if (platform::Window* menu = platform::Window::GetCapture())
            menu->DestroyWindow();
        list.DestroyWindow();
        host.DestroyWindow();
        platform::PumpMessages();
    }
    // The first column of every row, top to bottom.
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (int row = 0; row < list.GetItemCount(); ++row)
            names.push_back(list.GetItemText(row, 0));
        return names;
    }

    skintest::ScopedSkinFolder skins;
    ListHost host;
    CSkinListCtrl list;
};

// The texts of the message boxes shown while it lives, each answered OK.
class BoxTexts {
public:
    BoxTexts()
        : old_(platform::SetMessageBoxHandler([this](const platform::MessageBoxRequest& r) {
              texts.push_back(r.text);
              return platform::IDOK;
          }))
    {
    }
    ~BoxTexts() { platform::SetMessageBoxHandler(old_); }
    BoxTexts(const BoxTexts&) = delete;
    BoxTexts& operator=(const BoxTexts&) = delete;

    std::vector<std::string> texts;

private:
    platform::MessageBoxHandler old_;
};

// The point at the middle of a row's cell, in screen coordinates.
inline platform::Point RowPoint(CSkinListCtrl& list, int row, int x = 60)
{
    platform::Rect r;
    list.GetItemRect(row, &r);
    return list.ClientToScreen(platform::Point{x, (r.top + r.bottom) / 2});
}

}  // namespace playlisttest
