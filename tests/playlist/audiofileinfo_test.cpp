// What a music file shows in the play list: label, title, artist, lyrics,
// play time and the container flag, read from containers and tagged or
// untagged MP3 files, lengths measured from the frames that play; files
// the list must not take.
#include <sys/stat.h>

#include <random>

#include "kvostudio/libskin/audiofileinfo.h"
#include "libkvo/src/kvofile.h"
#include "mp3file/src/mp3fileplayer.h"
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

TEST_F(AudioFileInfo, FilesTheListCannotTakeAreRefusedWithTheReasonInPlainWords)
{
    testsupport::KvoContent noise;
    noise.tag = testsupport::MakeKvoTag({"T", "A", u"", "", {}});
    noise.head = {1, 2, 3, 4};
    noise.stream1 = std::vector<uint8_t>(6000, 0x55);  // no MPEG audio in it
    noise.stream2 = noise.stream1;
    testsupport::WriteFile(dir.File("noise.kvo"), testsupport::WriteKvo(noise));
    testsupport::KvoContent silent = noise;
    silent.stream1.clear();
    silent.stream2.clear();
    testsupport::WriteFile(dir.File("empty song.kvo"), testsupport::WriteKvo(silent));
    testsupport::WriteFile(dir.File("notes.txt"), {1, 2, 3});
    testsupport::WriteFile(dir.File("broken.kvo"), {'K', 'V', 'O', 0, 0});
    testsupport::WriteFile(dir.File("silence.mp3"), std::vector<uint8_t>(4000, 0));
    const std::string text = "These are words, not sound.\n";
    testsupport::WriteFile(dir.File("words.mp3"), std::vector<uint8_t>(text.begin(), text.end()));
    testsupport::WriteFile(dir.File("zero.mp3"), {});
    testsupport::WriteFile(dir.File("noext"), {1});
    ASSERT_EQ(mkdir(dir.File("folder.mp3").c_str(), 0755), 0);

    struct Case {
        std::string path;
        const char* reason;
    };
    const Case cases[] = {
        {dir.File("missing.mp3"), "file not found"},
        {dir.File("missing.kvo"), "file not found"},
        {dir.File("zero.mp3"), "empty file"},
        {dir.File("words.mp3"), "not an MP3 file"},
        {dir.File("silence.mp3"), "not an MP3 file"},
        {dir.File("broken.kvo"), "damaged container"},
        // Its tag block reads, but a row for it would never play.
        {dir.File("noise.kvo"), "damaged container"},
        {dir.File("empty song.kvo"), "the container holds no audio"},
        {dir.File("notes.txt"), "not a .kvo or .mp3 file"},
        {dir.File("noext"), "not a .kvo or .mp3 file"},
        {dir.File("folder.mp3"), "a folder, not a file"},
        // The extension is what follows the path's last dot, not a folder's.
        {dir.Path() + "/album.mp3/song", "file not found"},
    };
    for (const Case& c : cases) {
        Info i;
        std::string whyNot;
        EXPECT_EQ(GetAudioFileInfo(c.path.c_str(), i.label, i.title, i.artist, i.time, i.lyrics, i.format, &whyNot), 0)
            << c.path;
        EXPECT_EQ(whyNot, c.reason) << c.path;
    }
}

TEST_F(AudioFileInfo, EveryFileWithAudioIsListedHoweverShortOrOddItsHeader)
{
    // A song under a second shows 00:00, with or without a tag.
    testsupport::Mp3Options options;
    options.bitrateKbps = 32;
    const auto short08 = testsupport::MakeMp3(testsupport::MakeTone(22050, 1, 0.8, 440, 0.3), options);
    testsupport::WriteFile(dir.File("short.mp3"), short08);
    auto tagged = testsupport::Id3v2Builder(3).Text("TIT2", testsupport::Id3Text::Latin1, "Short").Build();
    tagged.insert(tagged.end(), short08.begin(), short08.end());
    testsupport::WriteFile(dir.File("short tagged.mp3"), tagged);
    for (const char* name : {"short.mp3", "short tagged.mp3"}) {
        const Info i = Read(dir.File(name));
        EXPECT_EQ(i.usable, 1) << name;
        EXPECT_EQ(i.time, "00:00") << name;
    }

    // A VBR header whose frame count the file cannot hold does not set the
    // length (a 3.2 s song).
    const auto song = testsupport::MakeMp3(testsupport::MakeTone(44100, 2, 3.2, 440, 0.3));
    for (uint32_t frames : {0xFFFFFFFFu, 1u}) {
        for (bool withTag : {false, true}) {
            auto mp3 = song;
            testsupport::SetVbrHeaderFrames(mp3, frames);
            std::vector<uint8_t> bytes;
            if (withTag)
                bytes = testsupport::Id3v2Builder(3).Text("TIT2", testsupport::Id3Text::Latin1, "Odd").Build();
            bytes.insert(bytes.end(), mp3.begin(), mp3.end());
            const std::string path = dir.File("odd.mp3");
            testsupport::WriteFile(path, bytes);
            const Info i = Read(path);
            EXPECT_EQ(i.usable, 1) << frames << " tag " << withTag;
            EXPECT_EQ(i.time, "00:03") << frames << " tag " << withTag;
        }
    }
}

TEST_F(AudioFileInfo, ShownLengthsAreThoseOfTheAudioThatPlays)
{
    const double seconds = 3.0;
    const auto stereo = testsupport::MakeTone(44100, 2, seconds, 440, 0.3);

    // Free-format frames: their size is the distance between them.
    struct FreeFormat {
        int kbps;
        int rate;
        bool infoFrame;
    };
    std::vector<std::string> free;
    for (const FreeFormat f : {FreeFormat{200, 44100, true}, FreeFormat{200, 44100, false},
                               FreeFormat{40, 44100, true}, FreeFormat{40, 22050, false}}) {
        testsupport::Mp3Options options;
        options.bitrateKbps = f.kbps;
        options.outputRate = f.rate;
        options.infoFrame = f.infoFrame;
        options.freeFormat = true;
        free.push_back(dir.File("free " + std::to_string(f.kbps) + " " + std::to_string(f.rate) +
                                (f.infoFrame ? " info" : "") + ".mp3"));
        testsupport::WriteFile(free.back(), testsupport::MakeMp3(stereo, options));
    }

    // A megabyte of garbage in the middle of a song, with and without a
    // tag in front (the tag reader and the player each measure it).
    const auto song = testsupport::MakeMp3(stereo);
    std::vector<uint8_t> garbage(1 << 20);
    std::mt19937 random(7);
    for (uint8_t& b : garbage)
        b = static_cast<uint8_t>(random());
    std::vector<uint8_t> broken(song.begin(), song.begin() + song.size() / 2);
    broken.insert(broken.end(), garbage.begin(), garbage.end());
    broken.insert(broken.end(), song.begin() + song.size() / 2, song.end());
    const std::string junk = dir.File("garbage inside.mp3");
    testsupport::WriteFile(junk, broken);
    auto tagged = testsupport::Id3v2Builder(3).Text("TIT2", testsupport::Id3Text::Latin1, "Junk").Build();
    tagged.insert(tagged.end(), broken.begin(), broken.end());
    const std::string taggedJunk = dir.File("tagged garbage inside.mp3");
    testsupport::WriteFile(taggedJunk, tagged);

    // A stereo accompaniment and a mono vocal at half its rate: the vocal
    // fills half the bytes of its pieces, the rest is padding.
    testsupport::Mp3Options half;
    half.bitrateKbps = 64;
    testsupport::KvoContent content;
    content.tag = testsupport::MakeKvoTag({"Mixed", "Voices", u"", "", {}});
    content.head = {1, 2, 3, 4};
    content.stream1 = song;
    content.stream2 = testsupport::MakeMp3(testsupport::MakeTone(44100, 1, seconds, 880, 0.3), half);
    const std::string mixed = dir.File("mono vocal.kvo");
    testsupport::WriteFile(mixed, testsupport::WriteKvo(content));

    std::vector<std::string> mp3s = free;
    mp3s.insert(mp3s.end(), {junk, taggedJunk});
    std::vector<std::string> all = mp3s;
    all.push_back(mixed);
    for (const std::string& path : all) {
        SCOPED_TRACE(path);
        const Info i = Read(path);
        ASSERT_EQ(i.usable, 1);
        const int shown = std::stoi(i.time.substr(0, 2)) * 60 + std::stoi(i.time.substr(3));
        EXPECT_NEAR(shown, seconds, 1.0) << "the list shows " << i.time;
    }
    // What the display shows while it plays.
    for (const std::string& path : mp3s) {
        Mp3FilePlayer player;
        ASSERT_TRUE(player.Open(path.c_str())) << path;
        EXPECT_NEAR(player.GetLengthSeconds(), seconds, 1.0) << path;
    }
    KvoFile kvo;
    ASSERT_TRUE(kvo.Open(mixed.c_str(), false));
    EXPECT_NEAR(kvo.GetLengthSeconds(), seconds, 1.0);
}

TEST(PlayTime, MinutesKeepCountingPastAnHour)
{
    EXPECT_EQ(FormatPlayTime(0), "00:00");
    EXPECT_EQ(FormatPlayTime(59), "00:59");
    EXPECT_EQ(FormatPlayTime(185), "03:05");
    EXPECT_EQ(FormatPlayTime(3665), "61:05");
    EXPECT_EQ(FormatPlayTime(-4), "00:00");
}
