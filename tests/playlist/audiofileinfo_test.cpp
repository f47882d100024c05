// What a music file shows in the play list: label, title, artist, lyrics,
// play time and the container flag, read from containers and tagged or
// untagged MP3 files; files the list must not take.
#include "kvostudio/libskin/audiofileinfo.h"
#include "playlist_test_env.h"

using playlisttest::SongTags;
using playlisttest::WriteKvoSong;
using playlisttest::WriteMp3Song;

namespace {

struct Info {
    int usable = 0;
    std::string label, title, artist, time, lyrics;
    int format = -1;
};

Info Read(const std::string& path)
{
    Info i;
    i.usable = GetAudioFileInfo(path.c_str(), i.label, i.title, i.artist, i.time, i.lyrics, i.format);
    return i;
}

class AudioFileInfo : public ::testing::Test {
protected:
    testsupport::TempDir dir;
};

}  // namespace

TEST_F(AudioFileInfo, ATaggedMp3ShowsArtistAndTitleWithItsLength)
{
    const Info i = Read(WriteMp3Song(dir, "song.mp3", {"Blue", "Band", "la la"}, 3));
    EXPECT_EQ(i.usable, 1);
    EXPECT_EQ(i.label, "Band - Blue");
    EXPECT_EQ(i.title, "Blue");
    EXPECT_EQ(i.artist, "Band");
    EXPECT_EQ(i.lyrics, "la la");
    EXPECT_EQ(i.time, "00:03");
    EXPECT_EQ(i.format, 0);
}

TEST_F(AudioFileInfo, AnMp3LabelFallsBackToWhatTheTagHas)
{
    EXPECT_EQ(Read(WriteMp3Song(dir, "a.mp3", {"Only Title", "", ""})).label, "Only Title");
    EXPECT_EQ(Read(WriteMp3Song(dir, "b.mp3", {"", "Only Artist", ""})).label, "Only Artist");
    // Without any tag the length comes from the player and the texts from
    // the file's name.
    const Info plain = Read(WriteMp3Song(dir, "Plain Song.MP3", {}, 2));
    EXPECT_EQ(plain.usable, 1);
    EXPECT_EQ(plain.label, "Plain Song.MP3");
    EXPECT_EQ(plain.title, "Plain Song.MP3");
    EXPECT_EQ(plain.artist, "");
    EXPECT_EQ(plain.lyrics, "");
    EXPECT_EQ(plain.time, "00:02");
}

TEST_F(AudioFileInfo, AContainerShowsItsTagBlockAndIsMarked)
{
    const Info i = Read(WriteKvoSong(dir, "song.kvo", {"Moon", "Singer", "words"}, 3));
    EXPECT_EQ(i.usable, 1);
    EXPECT_EQ(i.label, "Singer - Moon");
    EXPECT_EQ(i.lyrics, "words");
    EXPECT_EQ(i.time, "00:03");
    EXPECT_EQ(i.format, 1);
    // With only a title the file's name labels it and no lyrics are kept.
    const Info half = Read(WriteKvoSong(dir, "Half.KVO", {"Moon", "", "words"}));
    EXPECT_EQ(half.label, "Half.KVO");
    EXPECT_EQ(half.title, "Half.KVO");
    EXPECT_EQ(half.artist, "");
    EXPECT_EQ(half.lyrics, "");
}

TEST_F(AudioFileInfo, AContainerWhoseAudioDoesNotOpenIsListedAtZero)
{
    testsupport::KvoContent content;
    content.tag = testsupport::MakeKvoTag({"T", "A", u"", "", {}});
    content.head = {1, 2, 3, 4};
    content.stream1 = std::vector<uint8_t>(6000, 0x55);  // no MPEG audio in it
    content.stream2 = content.stream1;
    const std::string path = dir.File("noise.kvo");
    testsupport::WriteFile(path, testsupport::WriteKvo(content));
    const Info i = Read(path);
    EXPECT_EQ(i.usable, 1);
    EXPECT_EQ(i.time, "00:00");
}

TEST_F(AudioFileInfo, FilesTheListMustNotTake)
{
    testsupport::WriteFile(dir.File("notes.txt"), {1, 2, 3});
    testsupport::WriteFile(dir.File("broken.kvo"), {'K', 'V', 'O', 0, 0});
    testsupport::WriteFile(dir.File("silence.mp3"), std::vector<uint8_t>(4000, 0));
    testsupport::WriteFile(dir.File("noext"), {1});
    EXPECT_EQ(Read(dir.File("notes.txt")).usable, 0);
    EXPECT_EQ(Read(dir.File("broken.kvo")).usable, 0);
    EXPECT_EQ(Read(dir.File("silence.mp3")).usable, 0);
    EXPECT_EQ(Read(dir.File("missing.mp3")).usable, 0);
    EXPECT_EQ(Read(dir.File("noext")).usable, 0);
    // The extension is what follows the path's last dot, not a folder's.
    EXPECT_EQ(Read(dir.Path() + "/album.mp3/song").usable, 0);
}

TEST(PlayTime, MinutesKeepCountingPastAnHour)
{
    EXPECT_EQ(FormatPlayTime(0), "00:00");
    EXPECT_EQ(FormatPlayTime(59), "00:59");
    EXPECT_EQ(FormatPlayTime(185), "03:05");
    EXPECT_EQ(FormatPlayTime(3665), "61:05");
    EXPECT_EQ(FormatPlayTime(-4), "00:00");
}
