#include <gtest/gtest.h>

#include <cstring>

#include "kvostudio/libskin/id3tagv2.h"
#include "tests/support/id3_builder.h"
#include "tests/support/temp_files.h"

using namespace testsupport;

namespace {

// A few bytes of audio after a tag: one MPEG-1 Layer III header (128 kbit/s,
// 44.1 kHz) and zeros.
std::vector<uint8_t> Audio(size_t bytes = 4180) {
    std::vector<uint8_t> a(bytes, 0);
    a[0] = 0xFF, a[1] = 0xFB, a[2] = 0x90, a[3] = 0x00;
    return a;
}

std::vector<uint8_t> Join(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct TagFile {
    TempDir dir;
    std::string path = dir.File("song.mp3");
    int Read(CId3tagv2& tag, const std::vector<uint8_t>& bytes) {
        WriteFile(path, bytes);
        return tag.Read(path.c_str());
    }
};

const char* TitleId(int major) { return major == 2 ? "TT2" : "TIT2"; }
const char* ArtistId(int major) { return major == 2 ? "TP1" : "TPE1"; }
const char* LyricsId(int major) { return major == 2 ? "ULT" : "USLT"; }
const char* UserId(int major) { return major == 2 ? "TXX" : "TXXX"; }

}  // namespace

TEST(Id3Read, TagsOfEveryVersionEncodingAndLayoutReadBackAsWritten) {
    TagFile file;
    struct Encoding {
        Id3Text text;
        bool bigEndianMark;
        const char* sample;
    };
    // Latin-1 text holds FF E0, UTF-16 holds FF 00: both need unsynchronisation.
    const Encoding encodings[] = {
        {Id3Text::Latin1, false, "Caf\xC3\xA9 \xC3\xBF\xC3\xA0 song"},
        {Id3Text::Utf16, false, "Gr\xC3\xBC\xC3\x9F" "e \xC3\xBF \xF0\x9F\x8E\xA4 \xED\x95\x9C"},
        {Id3Text::Utf16, true, "Big-endian mark \xC3\xBF"},
        {Id3Text::Utf16BE, false, "Plain big-endian \xEF\xBF\xA0"},
        {Id3Text::Utf8, false, "UTF-8 \xE6\xAD\x8C \xC3\xBF"},
    };
    for (int major = 2; major <= 4; ++major) {
        for (const Encoding& e : encodings) {
            for (int layout = 0; layout < 4; ++layout) {
                const bool unsync = layout & 1;
                const bool extras = layout & 2;   // extended header; 2.4 adds footer and length indicators
                SCOPED_TRACE(testing::Message() << "2." << major << " encoding " << int(e.text)
                                                << (e.bigEndianMark ? " (FE FF)" : "") << " unsync " << unsync
                                                << " extras " << extras);
                const std::string title = std::string("Title ") + e.sample;
                const std::string artist = std::string("Artist ") + e.sample;
                const std::string lyrics = std::string("Lyrics line one\nline two ") + e.sample;
                const std::string user = "1234";
                Id3v2Builder builder(major);
                builder.Text(TitleId(major), e.text, title, e.bigEndianMark)
                    .Text(ArtistId(major), e.text, artist, e.bigEndianMark)
                    .Frame(LyricsId(major), Id3CommentData(e.text, "eng", "", lyrics, e.bigEndianMark))
                    .Text(UserId(major), e.text, user, e.bigEndianMark)
                    .Unsynchronised(unsync)
                    .Padding(64);
                if (extras) builder.ExtendedHeader().Footer(major == 4).DataLengthIndicators(major == 4);
                CId3tagv2 tag;
                ASSERT_EQ(file.Read(tag, Join(builder.Build(), Audio())), 0);
                EXPECT_TRUE(tag.Present());
                EXPECT_EQ(tag.Version(), major << 8);
                EXPECT_EQ(tag.GetTitle(), title);
                EXPECT_EQ(tag.GetArtist(), artist);
                EXPECT_EQ(tag.GetLyrics(), lyrics);
                EXPECT_EQ(tag.GetUserText(), user);
                EXPECT_EQ(tag.TextEncoding(), int(e.text));
                EXPECT_EQ(tag.GetBitrateKbps(), 128u);
            }
        }
    }
}

TEST(Id3Read, VersionFramesAndIdsFollowTheTagsOwnRules) {
    TagFile file;
    {
        SCOPED_TRACE("2.3.1 is read as 2.4, with sync-safe frame sizes");
        const std::string longTitle(300, 'x');
        auto bytes = Id3v2Builder(4).Text("TIT2", Id3Text::Latin1, longTitle).Text("TPE1", Id3Text::Latin1, "A").Build();
        bytes[3] = 3, bytes[4] = 1;
        CId3tagv2 tag;
        ASSERT_EQ(file.Read(tag, bytes), 0);
        EXPECT_EQ(tag.Version(), 0x0400);
        EXPECT_EQ(tag.GetTitle(), longTitle);
        EXPECT_EQ(tag.GetArtist(), "A");
    }
    {
        SCOPED_TRACE("2.2 ids are mapped; an unknown one ends the frames");
        auto bytes = Id3v2Builder(2)
                         .Text("TT2", Id3Text::Latin1, "Title")
                         .Frame("COM", Id3CommentData(Id3Text::Latin1, "eng", "d", "Comment"))
                         .Frame("ZZZ", {0, 'x'})
                         .Text("TP1", Id3Text::Latin1, "Hidden")
                         .Build();
        CId3tagv2 tag;
        ASSERT_EQ(file.Read(tag, bytes), 0);
        EXPECT_EQ(tag.GetTitle(), "Title");
        EXPECT_EQ(tag.GetFrameText("COMM"), "Comment");
        EXPECT_EQ(tag.GetArtist(), "");
        EXPECT_EQ(tag.Frames().size(), 2u);
    }
    {
        SCOPED_TRACE("the first of two frames with one id is kept; frames are ordered by their last letter");
        auto bytes = Id3v2Builder(3)
                         .Text("TXXX", Id3Text::Latin1, "first")
                         .Text("TXXX", Id3Text::Latin1, "second")
                         .Text("TSSE", Id3Text::Latin1, "enc")
                         .Text("TIT2", Id3Text::Latin1, "t")
                         .Build();
        CId3tagv2 tag;
        ASSERT_EQ(file.Read(tag, bytes), 0);
        EXPECT_EQ(tag.GetUserText(), "first");
        std::string order;
        for (const auto& [key, frame] : tag.Frames()) order += std::string(frame.id, 4) + " ";
        EXPECT_EQ(order, "TIT2 TSSE TXXX ");
    }
    {
        SCOPED_TRACE("an unknown version is refused before anything else");
        auto bytes = Join(Id3v2Builder(3).Text("TIT2", Id3Text::Latin1, "t").Build(), Audio());
        bytes[3] = 5;
        bytes = Join(bytes, BuildId3v1({"v1 title", "v1 artist", "", "", ""}));
        CId3tagv2 tag;
        EXPECT_EQ(file.Read(tag, bytes), -1);
        EXPECT_EQ(tag.GetTitle(), "");
        EXPECT_EQ(tag.GetDurationSeconds(), 0u);
    }
}

TEST(Id3Read, Id3v1OnlyAndUntaggedFiles) {
    TagFile file;
    CId3tagv2 tag;
    EXPECT_EQ(file.Read(tag, Join(Audio(), BuildId3v1({std::string(30, 'T'), "Artist \xE9", "Album", "1999", "c", 3}))),
              -1);
    EXPECT_EQ(tag.Version(), 0x0100);
    EXPECT_FALSE(tag.Present());
    EXPECT_EQ(tag.GetTitle(), std::string(30, 'T')) << "a full field ends at its 30 bytes";
    EXPECT_EQ(tag.GetArtist(), "Artist \xC3\xA9") << "legacy Latin-1 comes back as UTF-8";
    EXPECT_EQ(tag.GetLyrics(), "");
    EXPECT_EQ(tag.GetUserText(), "");
    EXPECT_EQ(tag.GetBitrateKbps(), 128u);

    CId3tagv2 plain;
    EXPECT_EQ(file.Read(plain, Audio()), -1);
    EXPECT_EQ(plain.Version(), 0x0300);
    EXPECT_EQ(plain.GetTitle(), "");
    EXPECT_EQ(plain.GetArtist(), "");

    CId3tagv2 missing;
    EXPECT_EQ(missing.Read(file.dir.File("none.mp3").c_str()), ENOENT);
}

TEST(Id3Read, HostileSizesAreRefusedOrCutNeverReadPast) {
    TagFile file;
    const auto good = Id3v2Builder(3)
                          .Text("TIT2", Id3Text::Latin1, "Title")
                          .Text("TPE1", Id3Text::Latin1, "Artist")
                          .Text("TXXX", Id3Text::Latin1, "77")
                          .Build();
    {
        SCOPED_TRACE("tag size beyond the file");
        CId3tagv2 tag;
        EXPECT_EQ(file.Read(tag, Id3v2Builder(3).Text("TIT2", Id3Text::Latin1, "t").ClaimedTagSize(0x0FFFFFFF).Build()),
                  -1);
        EXPECT_FALSE(tag.Present());
    }
    {
        SCOPED_TRACE("a frame claiming more than the tag holds ends the frames");
        auto bytes = Id3v2Builder(3)
                         .Text("TIT2", Id3Text::Latin1, "Title")
                         .Frame("TPE1", {0, 'A'}, 0, 0x7FFFFFF0)
                         .Text("TXXX", Id3Text::Latin1, "77")
                         .Build();
        CId3tagv2 tag;
        ASSERT_EQ(file.Read(tag, bytes), 0);
        EXPECT_EQ(tag.GetTitle(), "Title");
        EXPECT_EQ(tag.GetArtist(), "");
        EXPECT_EQ(tag.GetUserText(), "");
    }
    for (int major : {3, 4}) {
        SCOPED_TRACE("an extended header larger than the tag leaves no frames");
        auto bytes = Id3v2Builder(major).ExtendedHeader().Text("TIT2", Id3Text::Latin1, "Title").Build();
        PutSyncSafe(0x0FFFFFF0, bytes.data() + 10);
        CId3tagv2 tag;
        EXPECT_EQ(file.Read(tag, bytes), 0);
        EXPECT_TRUE(tag.Frames().empty());
    }
    {
        SCOPED_TRACE("every truncation of a tag");
        const auto full = Join(Id3v2Builder(4).Unsynchronised().Footer().Text("TIT2", Id3Text::Utf16, "\xC3\xBF\xC3\xBF").Build(),
                               Audio(8));
        for (size_t n = 0; n < full.size(); ++n) {
            CId3tagv2 tag;
            const int result = file.Read(tag, std::vector<uint8_t>(full.begin(), full.begin() + n));
            EXPECT_TRUE(result == 0 || result == -1) << n;
            tag.GetTitle();
        }
    }
    CId3tagv2 tag;
    EXPECT_EQ(file.Read(tag, good), 0);
    EXPECT_EQ(tag.GetUserText(), "77");
}

TEST(Id3Read, TextLayoutsThatDoNotHoldTogetherGiveEmptyText) {
    TagFile file;
    std::vector<uint8_t> noTextMark = {1, 'e', 'n', 'g', 0xFF, 0xFE, 'd', 0, 0, 0, 'x', 0, 'y', 0};
    std::vector<uint8_t> noTerminator = {0, 'e', 'n', 'g', 'd', 'e', 's', 'c'};
    std::vector<uint8_t> unknownEncoding = {7, 'e', 'n', 'g', 0, 'x'};
    std::vector<uint8_t> utf16WithoutMark = {1, 'a', 0, 'b', 0};
    std::vector<uint8_t> oddUtf16 = {2, 0, 'a', 0};
    auto bytes = Id3v2Builder(3)
                     .Frame("USLT", noTextMark)
                     .Frame("COMM", noTerminator)
                     .Frame("TALB", unknownEncoding)
                     .Frame("TIT2", utf16WithoutMark)
                     .Frame("TPE1", oddUtf16)
                     .Frame("APIC", {0, 'i', 'm', 'g'})
                     .Frame("TCON", {})
                     .Build();
    CId3tagv2 tag;
    ASSERT_EQ(file.Read(tag, bytes), 0);
    EXPECT_EQ(tag.GetLyrics(), "");
    EXPECT_EQ(tag.GetFrameText("COMM"), "");
    EXPECT_EQ(tag.GetFrameText("TALB"), "");
    EXPECT_EQ(tag.GetTitle(), "");
    EXPECT_EQ(tag.GetArtist(), "a") << "a half unit at the end is dropped";
    EXPECT_EQ(tag.GetFrameText("APIC"), "");
    EXPECT_EQ(tag.GetFrameText("TCON"), "");
    EXPECT_EQ(tag.GetFrameText("NONE"), "");
}

TEST(Id3Frames, TextSetInEachEncodingHasItsLayoutAndReadsBack) {
    TagFile file;
    const std::string text = "S\xC3\xBCng";   // "Süng"
    struct Expected {
        std::vector<uint8_t> t, w, comm;
    };
    const Expected layouts[] = {
        {{0, 'S', 0xC3, 0xBC, 'n', 'g', 0},
         {0, 0, 'S', 0xC3, 0xBC, 'n', 'g', 0},
         {0, 'e', 'n', 'g', 0, 'S', 0xC3, 0xBC, 'n', 'g', 0}},
        {{1, 0xFF, 0xFE, 'S', 0, 0xFC, 0, 'n', 0, 'g', 0, 0, 0},
         {1, 0xFF, 0xFE, 0, 0, 0xFF, 0xFE, 'S', 0, 0xFC, 0, 'n', 0, 'g', 0, 0, 0},
         {1, 'e', 'n', 'g', 0xFF, 0xFE, 0, 0, 0xFF, 0xFE, 'S', 0, 0xFC, 0, 'n', 0, 'g', 0, 0, 0}},
        {{2, 0, 'S', 0, 0xFC, 0, 'n', 0, 'g', 0, 0},
         {2, 0, 0, 0, 'S', 0, 0xFC, 0, 'n', 0, 'g', 0, 0},
         {2, 'e', 'n', 'g', 0, 0, 0, 'S', 0, 0xFC, 0, 'n', 0, 'g', 0, 0}},
        {{3, 'S', 0xC3, 0xBC, 'n', 'g', 0},
         {3, 0, 'S', 0xC3, 0xBC, 'n', 'g', 0},
         {3, 'e', 'n', 'g', 0, 'S', 0xC3, 0xBC, 'n', 'g', 0}},
    };
    for (int e = 0; e < 4; ++e) {
        SCOPED_TRACE(e);
        CId3tagv2 tag;
        // The tag's encoding is the one its frames were read in.
        ASSERT_EQ(file.Read(tag, Id3v2Builder(3).Text("TALB", Id3Text(e), "x").Build()), 0);
        ASSERT_EQ(tag.TextEncoding(), e);
        tag.SetFrameText("TIT2", text.c_str());
        tag.SetFrameText("WXXX", text.c_str());
        tag.SetFrameText("COMM", text.c_str());
        tag.SetFrameText("APIC", text.c_str());
        const auto& frames = tag.Frames();
        EXPECT_EQ(frames.at(Id3FrameKey("TIT2")).data, layouts[e].t);
        EXPECT_EQ(frames.at(Id3FrameKey("WXXX")).data, layouts[e].w);
        EXPECT_EQ(frames.at(Id3FrameKey("COMM")).data, layouts[e].comm);
        EXPECT_EQ(frames.count(Id3FrameKey("APIC")), 0u);
        EXPECT_EQ(tag.GetTitle(), text);
        EXPECT_EQ(tag.GetFrameText("WXXX"), text);
        EXPECT_EQ(tag.GetFrameText("COMM"), text);
        tag.SetFrameText("TIT2", "");
        EXPECT_EQ(frames.count(Id3FrameKey("TIT2")), 0u);
    }
}
