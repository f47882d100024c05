// The song texts (the display window's title and artist, the play list's
// and the download list's rows) are laid out in the language of the user's
// character set, so that Han characters take the forms a Korean, Japanese
// or Chinese reader expects; the display's times, drawn in the ANSI set,
// carry none. The language is the user's at the program's start, so each
// case runs in a process of its own.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "kvostudio/lcdwnd.h"
#include "kvostudio/libskin/downloadskinlistctrl.h"
#include "platform/draw/text_trace.h"
#include "playlist_test_env.h"

using namespace platform;
using namespace playlisttest;

namespace {

// Whether 'text' was drawn, and only in 'language'; what is not so is told
// on stderr.
bool DrawnIn(const TextTrace& trace, const std::string& text, const std::string& language)
{
    int found = 0;
    bool right = true;
    for (const DrawnText& t : trace.Texts()) {
        if (t.text != text)
            continue;
        ++found;
        if (t.language != language) {
            std::fprintf(stderr, "\"%s\" laid out in \"%s\", not \"%s\"\n", text.c_str(), t.language.c_str(),
                         language.c_str());
            right = false;
        }
    }
    if (found == 0) {
        std::fprintf(stderr, "\"%s\" not drawn; drawn were:\n", text.c_str());
        for (const DrawnText& t : trace.Texts())
            std::fprintf(stderr, "  \"%s\"\n", t.text.c_str());
    }
    return found > 0 && right;
}

// 0 when the three windows lay their song texts out in 'language'.
int SongTextsIn(const std::string& language)
{
    controlstest::UseMemoryWindows();
    skintest::ScopedSkinFolder skins;
    WriteListSkin(skins);
    bool right = true;

    controlstest::CommandSink parent;
    if (!parent.Make({0, 0, 338, 329}))
        return 2;
    Bitmap body(338, 329);
    CLCDWnd lcd(&parent, &body);
    lcd.SetTitleText("노래 歌");
    lcd.SetArtistText("가수 歌手");
    lcd.SetPositionTime(5);
    lcd.SetLengthTime(65);
    {
        TextTrace trace;
        lcd.Invalidate();
        lcd.RenderToBitmap();
        right = DrawnIn(trace, "노래 歌", language) && DrawnIn(trace, "가수 歌手", language) &&
                DrawnIn(trace, "00:05", "") && DrawnIn(trace, "/ 01:05", "") && right;
    }

    ListHost host;
    CSkinListCtrl playlist;
    if (!MakeList(host, playlist))
        return 2;
    AddRow(playlist, "漢字.kvo");
    {
        TextTrace trace;
        playlist.Invalidate();
        playlist.RenderToBitmap();
        right = DrawnIn(trace, "漢字.kvo", language) && DrawnIn(trace, "01:00", language) && right;
    }

    CDownloadSkinListCtrl downloads;
    if (!downloads.Create({10, 130, 300, 190}, &host, 1002))
        return 2;
    downloads.Init();
    downloads.InsertColumn(0, "FILE", LVCFMT_LEFT, 200);
    downloads.InsertColumn(1, "", LVCFMT_LEFT, 60);
    downloads.AddItem("漢字.kvo", "歌", "歌手", "F1", "http://x/1");
    {
        TextTrace trace;
        downloads.Invalidate();
        downloads.RenderToBitmap();
        int inLanguage = 0;
        for (const DrawnText& t : trace.Texts())
            inLanguage += t.language == language;
        if (inLanguage == 0 || inLanguage != static_cast<int>(trace.Texts().size())) {
            std::fprintf(stderr, "%d of the download list's %zu texts laid out in \"%s\"\n", inLanguage,
                         trace.Texts().size(), language.c_str());
            right = false;
        }
    }
    downloads.DestroyWindow();
    playlist.DestroyWindow();
    host.DestroyWindow();
    lcd.DestroyWindow();
    parent.DestroyWindow();
    PumpMessages();
    return right ? 0 : 1;
}

}  // namespace

TEST(LanguageFonts, SongTextsCarryTheLanguageOfTheUsersCharacterSet)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct {
        const char* locale;
        const char* language;
    } cases[] = {
        {"ko_KR.UTF-8", "ko"},
        {"ja_JP.UTF-8", "ja"},
        {"zh_CN.UTF-8", "zh-cn"},
        {"en_US.UTF-8", ""},  // the ANSI set: the user's own language, unnamed
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale);
        EXPECT_EXIT(
            {
                setenv("LC_ALL", c.locale, 1);
                std::exit(SongTextsIn(c.language));
            },
            testing::ExitedWithCode(0), "");
    }
}
