// The playback facade: it picks the player by the file type, resumes a
// paused song and refuses what no player plays.

#include "kvostudio/playimpl.h"
#include "tests/player/player_fixture.h"
#include "tests/support/kvo_writer.h"
#include "tests/support/wait_until.h"

using namespace playertest;

namespace {

class PlayImplTest : public SimulatedDevice {
protected:
    void SetUp() override
    {
        SimulatedDevice::SetUp();
        sim->SetRealTime(1.0);
        mp3Path = dir.File("song.mp3");
        testsupport::WriteFile(mp3Path, ToneMp3(440, 4.0));
        testsupport::KvoContent c;
        c.tag = testsupport::MakeKvoTag({"t", "a", u"", "", {}});
        c.head = {0};
        c.stream1 = ToneMp3(440, 4.0);
        c.stream2 = ToneMp3(880, 4.0);
        kvoPath = dir.File("song.KVO");
        testsupport::WriteFile(kvoPath, testsupport::WriteKvo(c));
    }
    // Waits until the song has played past 'seconds'.
    static bool PlayedPast(CPlayImpl& play, float seconds)
    {
        return testsupport::WaitUntil([&] { return play.GetPosition() > seconds; }, 20000);
    }

    testsupport::TempDir dir;
    std::string mp3Path, kvoPath;
};

}  // namespace

TEST(PlayImplTypes, TheTypeIsTheLastThreeCharactersOfTheLowerCasedPath)
{
    EXPECT_EQ(CPlayImpl::FileTypeOf("/a/b/Song.KVO"), CPlayImpl::kFileKvo);
    EXPECT_EQ(CPlayImpl::FileTypeOf("/a/b/song.mp3"), CPlayImpl::kFileMp3);
    EXPECT_EQ(CPlayImpl::FileTypeOf("/a/b/songxmp3"), CPlayImpl::kFileMp3);
    EXPECT_EQ(CPlayImpl::FileTypeOf("/a/b/song.mp3 "), CPlayImpl::kFileOther);
    EXPECT_EQ(CPlayImpl::FileTypeOf("mp3"), CPlayImpl::kFileMp3);
    EXPECT_EQ(CPlayImpl::FileTypeOf("p3"), CPlayImpl::kFileOther);
    EXPECT_EQ(CPlayImpl::FileTypeOf("/a/b/song.wav"), CPlayImpl::kFileOther);
}

TEST_F(PlayImplTest, PauseThenPlayOfTheSameSongResumesWhereItWas)
{
    for (const std::string& path : {mp3Path, kvoPath}) {
        CPlayImpl play;
        ASSERT_EQ(play.Play(path, 1.0f), 1) << path;
        ASSERT_TRUE(PlayedPast(play, 0.5f)) << path;
        play.Pause();
        const float pausedAt = play.GetPosition();
        EXPECT_GT(pausedAt, 0.4f);
        const int opens = sim->OpensSucceeded();
        ASSERT_EQ(play.Play(path, 1.0f), 1);
        // On in the same player and device, from the sample where it paused.
        EXPECT_EQ(sim->OpensSucceeded(), opens) << path;
        EXPECT_GE(play.GetPosition(), pausedAt) << path;
        EXPECT_LE(play.GetPosition(), pausedAt + 0.05f) << path;
        EXPECT_TRUE(play.IsPlaying());
        EXPECT_FALSE(play.PausedFlag());
        play.Stop();
    }
}

TEST_F(PlayImplTest, PlayAfterStopAndPlayOfTheSongThatIsPlayingStartItAgain)
{
    for (const std::string& path : {mp3Path, kvoPath}) {
        CPlayImpl play;
        ASSERT_EQ(play.Play(path, 1.0f), 1) << path;
        ASSERT_TRUE(PlayedPast(play, 0.5f)) << path;
        ASSERT_EQ(play.Play(path, 1.0f), 1);
        EXPECT_LT(play.GetPosition(), 0.05f) << path;
        ASSERT_TRUE(PlayedPast(play, 0.5f)) << path;
        play.Stop();
        ASSERT_EQ(play.Play(path, 1.0f), 1);
        EXPECT_LT(play.GetPosition(), 0.05f) << path;
        play.Stop();
    }
}

TEST_F(PlayImplTest, AnEmptyPathChangesNothing)
{
    CPlayImpl play;
    ASSERT_EQ(play.Play(mp3Path, 1.0f), 1);
    EXPECT_EQ(play.Play("", 1.0f), 0);
    EXPECT_EQ(play.CurrentPath(), mp3Path);
    EXPECT_TRUE(play.IsPlaying());
}

TEST_F(PlayImplTest, AFileNoPlayerPlaysIsRefused)
{
    CPlayImpl play;
    const std::string wav = dir.File("song.wav");
    testsupport::WriteFile(wav, {1, 2, 3});
    EXPECT_EQ(play.Play(wav, 1.0f), 0);
    EXPECT_FALSE(play.PlayingFlag());
    EXPECT_FALSE(play.IsPlaying());
    EXPECT_EQ(play.GetLength(), 0.0f);
}

TEST_F(PlayImplTest, AFileThatDoesNotOpenIsAFailure)
{
    CPlayImpl play;
    const std::string bad = dir.File("bad.mp3");
    testsupport::WriteFile(bad, std::vector<uint8_t>(3000, 7));
    EXPECT_EQ(play.Play(bad, 1.0f), 0);
    EXPECT_FALSE(play.PlayingFlag());
    EXPECT_EQ(play.Play(dir.File("missing.kvo"), 1.0f), 0);
}

TEST_F(PlayImplTest, VolumeWhilePausedChangesNothing)
{
    CPlayImpl play;
    ASSERT_EQ(play.Play(kvoPath, 1.0f), 1);
    play.Pause();
    play.SetVolume(0.2f, 50);
    ASSERT_EQ(play.Play(kvoPath, 1.0f), 1);  // reopened at full volume
    play.SetVolume(0.5f, 30);
    play.Stop();
}

TEST_F(PlayImplTest, ASeekWhilePausedStaysPausedAtTheNewPlaceUntilPlay)
{
    for (const std::string& path : {mp3Path, kvoPath}) {
        CPlayImpl play;
        ASSERT_EQ(play.Play(path, 1.0f), 1) << path;
        ASSERT_TRUE(PlayedPast(play, 0.3f)) << path;
        play.Pause();
        // A clock tick that was under way when the pause came may still be
        // recording its stretch; a step of nothing waits until it is done.
        // Nothing after it may sound.
        sim->Advance(0);
        const size_t heard = sim->RecordedSize();
        EXPECT_EQ(play.Seek(2.5f), 1);
        EXPECT_FALSE(play.IsPlaying()) << path;
        EXPECT_TRUE(play.PausedFlag());
        EXPECT_NEAR(play.GetPosition(), 2.5f, 0.05f) << path;
        // Time in which a device that went on playing would be heard.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(sim->RecordedSize(), heard) << path;  // nothing sounds
        // A second seek while still paused also waits.
        EXPECT_EQ(play.Seek(2.0f), 1);
        EXPECT_FALSE(play.IsPlaying()) << path;
        EXPECT_NEAR(play.GetPosition(), 2.0f, 0.05f) << path;

        ASSERT_EQ(play.Play(path, 1.0f), 1);
        EXPECT_TRUE(play.IsPlaying());
        EXPECT_GE(play.GetPosition(), 2.0f) << path;
        EXPECT_LE(play.GetPosition(), 2.05f) << path;
        EXPECT_FALSE(play.PausedFlag());
        play.Stop();
    }
}
