// The song's texts, file id and picture as the play list, the save dialog
// and the upload read them from a container's tag block.
#include <gtest/gtest.h>

#include <cstring>

#include "kvostudio/include/convert/auxiliary.h"
#include "tests/support/kvo_writer.h"
#include "tests/support/temp_files.h"

using namespace testsupport;

namespace {

std::vector<uint8_t> Utf16Frame(std::u16string text, bool mark = true)
{
    std::vector<uint8_t> d;
    d.push_back(1);
    if (mark) {
        d.push_back(0xFF);
        d.push_back(0xFE);
    }
    for (char16_t c : text) {
        d.push_back(static_cast<uint8_t>(c));
        d.push_back(static_cast<uint8_t>(c >> 8));
    }
    return d;
}

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

class TagInfoTest : public testing::Test {
protected:
    bool Load(const KvoTagFields& fields)
    {
        KvoContent c;
        c.tag = MakeKvoTag(fields);
        c.head = {0, 0, 0, 0};
        c.stream1 = std::vector<uint8_t>(100, 0x55);
        c.stream2 = std::vector<uint8_t>(100, 0x66);
        return LoadBytes(WriteKvo(c));
    }
    bool LoadBytes(const std::vector<uint8_t>& bytes)
    {
        WriteFile(dir.File("song.kvo"), bytes);
        return info.Load(dir.File("song.kvo").c_str());
    }
    TempDir dir;
    KvoTagInfo info;
};

}  // namespace

TEST_F(TagInfoTest, TextsFileIdAndLyrics)
{
    KvoTagFields f;
    f.title = "My Song";
    f.artist = "Singer";
    f.fileId = "12345";
    // Longer than 127 bytes: its plain size differs from a sync-safe one.
    f.lyrics = u"\uAC00\uB098\uB2E4 la la la la la la la la la la la la la la la la la la la la la la la la la la la la "
               u"la la la la la la la la la la la la la la la la la end";
    ASSERT_TRUE(Load(f));
    EXPECT_STREQ(info.title, "My Song");
    EXPECT_STREQ(info.artist, "Singer");
    ASSERT_NE(info.FileId(), nullptr);
    EXPECT_STREQ(info.FileId(), "12345");
    const std::string lyrics = info.lyrics;
    EXPECT_EQ(lyrics.rfind("\xEA\xB0\x80\xEB\x82\x98\xEB\x8B\xA4 la", 0), 0u) << lyrics;
    EXPECT_EQ(lyrics.substr(lyrics.size() - 3), "end");
    EXPECT_EQ(info.frames.size(), 4u);
}

TEST_F(TagInfoTest, NoFileIdFrameGivesNoFileId)
{
    KvoTagFields f;
    f.title = "T";
    ASSERT_TRUE(Load(f));
    EXPECT_EQ(info.FileId(), nullptr);
    EXPECT_STREQ(info.lyrics, "");
}

TEST_F(TagInfoTest, Utf16TextsAndFieldLimits)
{
    KvoTagFields f;
    f.extraFrames = Cat({MakeTagFrame("TALB", Utf16Frame(u"\uC568\uBC94"), true),
                         MakeTagFrame("TPE1", Cat({{0}, std::vector<uint8_t>(1500, 'a')}), true),
                         MakeTagFrame("TCON", Utf16Frame(std::u16string(40, u'\uD55C')), true),
                         MakeTagFrame("TYER", Utf16Frame(u"2009", false), true)});
    ASSERT_TRUE(Load(f));
    EXPECT_STREQ(info.album, "\xEC\x95\xA8\xEB\xB2\x94");
    EXPECT_EQ(std::strlen(info.artist), 1023u);
    // 40 three-byte characters do not fit 63 bytes: 21 whole ones do.
    EXPECT_EQ(std::strlen(info.genre), 63u);
    // No byte-order mark: the container's little-endian convention.
    EXPECT_STREQ(info.year, "2009");
}

TEST_F(TagInfoTest, PictureOnlyFromAJpeg)
{
    const std::vector<uint8_t> jpeg{0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3};
    KvoTagFields f;
    f.extraFrames = MakeTagFrame("APIC", Cat({{0, 'i', 'm', 'a', 'g', 'e', '/', 'j', 'p', 'e', 'g', 0, 3, 0}, jpeg}), false);
    ASSERT_TRUE(Load(f));
    EXPECT_EQ(info.picture, jpeg);

    f.extraFrames = MakeTagFrame("APIC", {0, 'i', 'm', 'a', 'g', 'e', '/', 'p', 'n', 'g', 0, 3, 0, 0x89, 'P', 'N', 'G'}, false);
    ASSERT_TRUE(Load(f));
    EXPECT_TRUE(info.picture.empty());
}

TEST_F(TagInfoTest, JunkBetweenFramesIsSteppedOver)
{
    KvoTagFields f;
    f.extraFrames = Cat({{0, 0, 0, 0xFF, 0x01}, MakeTagFrame("TIT2", {0, 'X', 'y'}, true)});
    ASSERT_TRUE(Load(f));
    EXPECT_STREQ(info.title, "Xy");
}

TEST_F(TagInfoTest, FrameClaimingMoreThanTheBlockEndsTheScan)
{
    // A lyrics frame whose plain size runs far past the tag block: the scan
    // keeps what came before and reads nothing beyond the block.
    KvoTagFields f;
    f.title = "Before";
    auto bad = MakeTagFrame("USLT", Utf16Frame(u"abc"), false);
    bad[4] = 0x00;
    bad[5] = 0x7F;  // 8 MB
    f.extraFrames = bad;
    ASSERT_TRUE(Load(f));
    EXPECT_STREQ(info.title, "Before");
    EXPECT_STREQ(info.lyrics, "");
}

TEST_F(TagInfoTest, BrokenContainersLoadNothing)
{
    KvoTagFields f;
    f.title = "Title";
    KvoContent c;
    c.tag = MakeKvoTag(f);
    c.stream1 = c.stream2 = std::vector<uint8_t>(10, 1);
    for (KvoFault fault : {KvoFault::HugeCount, KvoFault::CountBelowTwo}) {
        EXPECT_FALSE(LoadBytes(WriteKvo(c, {fault})));
        EXPECT_STREQ(info.title, "");
    }
    // Cut inside the tag block.
    auto bytes = WriteKvo(c);
    bytes.resize(12 + 4 * 4 + 8 + 12);
    EXPECT_FALSE(LoadBytes(bytes));
    EXPECT_STREQ(info.title, "");
    EXPECT_FALSE(info.Load(dir.File("missing.kvo").c_str()));
}
