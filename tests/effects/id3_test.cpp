// Tag texts: what LoadID3 hands out for each tag kind, and the tag reader
// on crafted and damaged tags.

#include "libkvo/src/id3reader.h"

#include "tests/effects/effects_fixture.h"
#include "tests/support/id3_builder.h"

using namespace effectstest;
using testsupport::Id3Text;
using testsupport::Id3v2Builder;

namespace {

std::vector<std::string> TextsOf(const ID3_INFO& info)
{
    const char* const p[] = {info.Title, info.Artist, info.Album, info.Year, info.Comment, info.TrackNum, info.Genre};
    std::vector<std::string> out;
    for (const char* s : p)
        out.push_back(s ? s : "<null>");
    return out;
}

bool IsZero(const ID3_INFO& info)
{
    return !info.Title && !info.Artist && !info.Album && !info.Year && !info.Comment && !info.TrackNum && !info.Genre;
}

// The seven texts as a tag of version 'major'.
std::vector<uint8_t> FullTag(int major)
{
    const bool v22 = major == 2;
    Id3v2Builder tag(major);
    tag.Text(v22 ? "TT2" : "TIT2", Id3Text::Utf16, "Titel \u00e4")
        .Text(v22 ? "TP1" : "TPE1", Id3Text::Latin1, "Caf\u00e9")
        .Text(v22 ? "TAL" : "TALB", Id3Text::Utf8, "Album \u65e5")
        .Text(v22 ? "TYE" : (major == 3 ? "TYER" : "TDRC"), Id3Text::Latin1, "2009")
        .Text(v22 ? "TRK" : "TRCK", Id3Text::Latin1, "3/12")
        .Text(v22 ? "TCO" : "TCON", Id3Text::Latin1, "(17)")
        .Frame(v22 ? "COM" : "COMM", testsupport::Id3CommentData(Id3Text::Utf16BE, "eng", "", "Words"));
    return tag.Build();
}

const std::vector<std::string> kFullTexts = {"Titel \u00e4", "Caf\u00e9", "Album \u65e5", "2009", "Words", "3/12",
                                             "Rock"};

std::vector<std::string> Read(const std::vector<uint8_t>& tag, bool* ok = nullptr)
{
    Id3Texts texts;
    const bool read = ReadId3v2(tag.data(), tag.size(), texts);
    if (ok)
        *ok = read;
    return std::vector<std::string>(texts.begin(), texts.end());
}

}  // namespace

class Id3Player : public playertest::SimulatedDevice {
protected:
    void SetUp() override
    {
        SimulatedDevice::SetUp();
        audio_ = playertest::ToneMp3(440, 0.5);
    }
    std::vector<uint8_t> Song(const std::vector<uint8_t>& front, const std::vector<uint8_t>& back) const
    {
        std::vector<uint8_t> song(front);
        song.insert(song.end(), audio_.begin(), audio_.end());
        song.insert(song.end(), back.begin(), back.end());
        return song;
    }
    std::vector<uint8_t> audio_;
};

TEST_F(Id3Player, EachTagKindFillsTheSevenTexts)
{
    testsupport::Id3v1Fields v1;
    v1.title = "Old title   ";
    v1.artist = "Old artist";
    v1.year = "1999";
    v1.comment = "Old comment";
    v1.track = 7;
    v1.genre = 147;
    for (int major : {2, 3, 4}) {
        const auto song = Song(FullTag(major), testsupport::BuildId3v1(v1));
        PlayerPtr player;
        ASSERT_EQ(player->OpenStream(1, 0, song.data(), song.size(), audio_.data(), audio_.size(), 500), 1)
            << player->GetError();
        ID3_INFO info{};
        ASSERT_EQ(player->LoadID3(2, &info), 1) << "2." << major;
        EXPECT_EQ(TextsOf(info), kFullTexts) << "2." << major;
        ASSERT_EQ(player->LoadID3(1, &info), 1);
        EXPECT_EQ(TextsOf(info),
                  (std::vector<std::string>{"Old title", "Old artist", "", "1999", "Old comment", "7", "Synth Pop"}));
    }
}

TEST_F(Id3Player, AMissingOrUnreadableTagZeroesTheRecord)
{
    PlayerPtr player;
    auto zeroedAfter = [&](int kind) {
        ID3_INFO info{};
        info.Title = reinterpret_cast<char*>(&info);
        return player->LoadID3(kind, &info) == 0 && IsZero(info);
    };
    EXPECT_TRUE(zeroedAfter(1));
    EXPECT_STREQ(player->GetError(), "LoadID3->Stream isn't open !");
    auto badVersion = FullTag(3);
    badVersion[3] = 5;
    const auto song = Song(badVersion, {});
    ASSERT_EQ(player->OpenStream(1, 0, song.data(), song.size(), audio_.data(), audio_.size(), 500), 1)
        << player->GetError();
    EXPECT_TRUE(zeroedAfter(2));
    EXPECT_TRUE(zeroedAfter(3));
    EXPECT_TRUE(zeroedAfter(1));
    EXPECT_STREQ(player->GetError(), "DuoPlayer::LoadID3->There is no ID3v1 tag");
}

TEST_F(Id3Player, APushedStreamKeepsItsTagsAfterItsBlocksArePlayed)
{
    testsupport::Id3v1Fields v1;
    v1.title = "End";
    const auto song = Song(FullTag(4), testsupport::BuildId3v1(v1));
    PlayerPtr player;
    ASSERT_EQ(player->OpenStream(1, 1, song.data(), song.size(), song.data(), song.size(), 500), 1)
        << player->GetError();
    ASSERT_EQ(player->PushDataToStream(nullptr, nullptr, 0), 1);
    PlayToEnd(player.p, *sim);
    ID3_INFO info{};
    ASSERT_EQ(player->LoadID3(2, &info), 1);
    EXPECT_EQ(TextsOf(info), kFullTexts);
    ASSERT_EQ(player->LoadID3(1, &info), 1);
    EXPECT_STREQ(info.Title, "End");
}

TEST(Id3Reader, TextEncodingsCommentsAndGenreReferences)
{
    auto tag = Id3v2Builder(3)
                   .Text("TIT2", Id3Text::Utf16, "Big \u00e9nd", true)  // FE FF mark
                   .Text("TPE1", Id3Text::Utf16BE, "Beta \U0001F3B5")
                   .Frame("COMM", testsupport::Id3CommentData(Id3Text::Latin1, "eng", "Short", "Long text"))
                   .Text("TCON", Id3Text::Latin1, "((17)")
                   .Build();
    auto texts = Read(tag);
    EXPECT_EQ(texts[kId3Title], "Big \u00e9nd");
    EXPECT_EQ(texts[kId3Artist], "Beta \U0001F3B5");
    EXPECT_EQ(texts[kId3Comment], "Short");  // a description wins over the text
    EXPECT_EQ(texts[kId3Genre], "((17)");

    for (const char* genre : {"(1234)", "(148)", "(17"})
        EXPECT_EQ(Read(Id3v2Builder(4).Text("TCON", Id3Text::Latin1, genre).Build())[kId3Genre], genre);
    EXPECT_EQ(Read(Id3v2Builder(4).Text("TCON", Id3Text::Latin1, "(0)Blues").Build())[kId3Genre], "Blues");
    EXPECT_EQ(Read(Id3v2Builder(3)
                       .Frame("COMM", testsupport::Id3CommentData(Id3Text::Utf16, "eng", "", "Sixteen"))
                       .Build())[kId3Comment],
              "Sixteen");
}

TEST(Id3Reader, UnsynchronisationExtendedHeadersAndLongFrames)
{
    // 0xFF 0xE0 in a text is stored as FF 00 E0.
    auto unsync = Id3v2Builder(3).Unsynchronised().Text("TIT2", Id3Text::Latin1, "\u00ff\u00e0!").Build();
    EXPECT_EQ(Read(unsync)[kId3Title], "\u00ff\u00e0!");
    auto unsync24 = Id3v2Builder(4).Unsynchronised().DataLengthIndicators()
                        .Text("TIT2", Id3Text::Latin1, "\u00ff\u00e0?").Build();
    EXPECT_EQ(Read(unsync24)[kId3Title], "\u00ff\u00e0?");

    EXPECT_EQ(Read(Id3v2Builder(3).ExtendedHeader().Text("TIT2", Id3Text::Latin1, "First").Build())[kId3Title],
              "First");
    EXPECT_EQ(Read(Id3v2Builder(4).ExtendedHeader().Text("TIT2", Id3Text::Latin1, "First").Build())[kId3Title],
              "First");

    // Frames of 2.3 and 2.2 above 127 bytes carry plain sizes.
    const std::string longText(300, 'x');
    for (int major : {2, 3}) {
        auto tag = Id3v2Builder(major)
                       .Text(major == 2 ? "TT2" : "TIT2", Id3Text::Latin1, longText)
                       .Text(major == 2 ? "TP1" : "TPE1", Id3Text::Latin1, "After")
                       .Padding(20)
                       .Build();
        bool ok = false;
        const auto texts = Read(tag, &ok);
        EXPECT_TRUE(ok) << "2." << major;
        EXPECT_EQ(texts[kId3Title], longText);
        EXPECT_EQ(texts[kId3Artist], "After");
    }
}

TEST(Id3Reader, DamagedTagsFailWithoutReadingPastTheirBytes)
{
    bool ok = true;
    Read(Id3v2Builder(3).Frame("TIT2", testsupport::Id3TextData(Id3Text::Latin1, "abc"), 0, 5000).Build(), &ok);
    EXPECT_FALSE(ok);  // a frame larger than the tag
    Read(Id3v2Builder(4).Text("TIT2", Id3Text::Latin1, "abc").ClaimedTagSize(400).Build(), &ok);
    EXPECT_FALSE(ok);  // a tag larger than the stream
    Read(std::vector<uint8_t>{'I', 'D', '3'}, &ok);
    EXPECT_FALSE(ok);
}
