#include "kvostudio/phonedownload.h"
#include "tests/service/service_fixture.h"
#include "tests/support/wait_until.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace {

using servicetest::ServiceTest;
using testsupport::Fault;
using testsupport::FaultKind;
using testsupport::FileExists;
using testsupport::HttpAnswer;

class PhoneFiles : public ServiceTest {
protected:
    bool Fetch(const std::string& path, const std::string& target, const PhoneDownloadLimits& limits = {})
    {
        return DownloadToFile(fake_.Url(path), target, limits, nullptr, nullptr);
    }
    std::string Read(const std::string& path)
    {
        const auto bytes = testsupport::ReadFile(path);
        return std::string(bytes.begin(), bytes.end());
    }
};

TEST_F(PhoneFiles, WholeFileArrivesUnderItsNameOnly)
{
    const std::string target = dir_.File("song1.kvo");
    std::vector<std::pair<int64_t, int64_t>> steps;
    ASSERT_TRUE(DownloadToFile(fake_.Url("/files/song1.kvo"), target, {},
                               [&](int64_t got, int64_t announced) { steps.emplace_back(got, announced); }, nullptr));
    EXPECT_EQ(Read(target), std::string(3000, '\x11'));
    EXPECT_FALSE(FileExists(target + ".part"));
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.front(), std::make_pair(int64_t(0), int64_t(3000)));
    EXPECT_EQ(steps.back(), std::make_pair(int64_t(3000), int64_t(3000)));
    EXPECT_EQ(fake_.RequestsFor("/files/song1.kvo").at(0).Header("User-Agent"), "HTTP");

    // Without a length the answer is taken to its end.
    HttpAnswer open;
    open.body = std::string(2500, 'z');
    open.sendContentLength = false;
    fake_.SetAnswer("/files/open.kvo", open);
    ASSERT_TRUE(Fetch("/files/open.kvo", dir_.File("open.kvo")));
    EXPECT_EQ(Read(dir_.File("open.kvo")), open.body);
}

TEST_F(PhoneFiles, BrokenTransfersLeaveNoFileAndKeepAnOldOne)
{
    const std::string target = dir_.File("keep.kvo");
    testsupport::WriteFile(target, {'o', 'l', 'd'});
    struct Case {
        const char* what;
        Fault fault;
    };
    const Case cases[] = {
        {"short of the announced length", Fault(FaultKind::Truncate)},
        {"error status", Fault(FaultKind::Status, 404)},
        {"reset", Fault(FaultKind::Reset)},
        {"empty", Fault(FaultKind::EmptyBody)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fake_.ClearFaults();
        fake_.SetFault("/files/song2.kvo", c.fault);
        EXPECT_FALSE(Fetch("/files/song2.kvo", target));
        EXPECT_EQ(Read(target), "old");
        EXPECT_FALSE(FileExists(target + ".part"));
    }
    fake_.ClearFaults();

    // Larger than allowed, announced or not.
    PhoneDownloadLimits small;
    small.maxBytes = 4000;
    EXPECT_FALSE(Fetch("/files/song2.kvo", target, small));
    HttpAnswer open;
    open.body = std::string(5000, 'z');
    open.sendContentLength = false;
    fake_.SetAnswer("/files/open.kvo", open);
    EXPECT_FALSE(Fetch("/files/open.kvo", target, small));
    EXPECT_EQ(Read(target), "old");

    // A folder that does not exist, and a server that stops sending.
    EXPECT_FALSE(Fetch("/files/song2.kvo", dir_.File("no/such/folder.kvo")));
    fake_.SetFault("/files/song2.kvo", Fault(FaultKind::StallMidBody));
    PhoneDownloadLimits quick;
    quick.stallTimeoutMs = 1000;
    EXPECT_FALSE(Fetch("/files/song2.kvo", target, quick));
    EXPECT_FALSE(FileExists(target + ".part"));
}

TEST_F(PhoneFiles, APartFilePlacedBeforehandIsNeverFollowed)
{
    const std::string target = dir_.File("song1.kvo");
    const std::string victim = dir_.File("victim.txt");
    testsupport::WriteFile(victim, {'k', 'e', 'e', 'p'});
    ASSERT_EQ(::symlink(victim.c_str(), (target + ".part").c_str()), 0);
    ASSERT_TRUE(Fetch("/files/song1.kvo", target));
    EXPECT_EQ(Read(victim), "keep");
    EXPECT_EQ(Read(target), std::string(3000, '\x11'));
    struct stat st {};
    ASSERT_EQ(::lstat(target.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));

    // Failing, with the link placed again: the link goes, its target stays.
    ASSERT_EQ(::symlink(victim.c_str(), (target + ".part").c_str()), 0);
    fake_.SetFault("/files/song1.kvo", Fault(FaultKind::Truncate));
    EXPECT_FALSE(Fetch("/files/song1.kvo", target));
    EXPECT_EQ(Read(victim), "keep");
    EXPECT_FALSE(FileExists(target + ".part"));
}

class PhoneDownloadWorker : public ServiceTest {
protected:
    PhoneDownload download_;
};

TEST_F(PhoneDownloadWorker, DoneRowIsReportedToTheServiceAndTheOwner)
{
    download_.SetFinishPause(std::chrono::milliseconds(0));
    const std::string target = dir_.File("song2.kvo");
    ASSERT_TRUE(download_.Start(&owner_, fake_.Url("/files/song2.kvo"), target, "102", 1));
    EXPECT_FALSE(download_.Start(&owner_, fake_.Url("/files/song1.kvo"), target, "101", 0)) << "no overlap";
    const auto command = owner_.WaitForCommand();
    ASSERT_TRUE(command);
    EXPECT_EQ(command->first, ID_CMD_PHONE_DOWNLOAD_DONE);
    EXPECT_EQ(command->second, 1);
    download_.Finish();
    EXPECT_EQ(testsupport::ReadFile(target).size(), 5000u);
    const auto reports = fake_.RequestsFor("/webservice/studio/addrelaydownresult");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].body, "fid=102");

    const auto events = owner_.Events();
    ASSERT_GE(events.size(), 4u);
    EXPECT_EQ(events[0], "caption Transfer KVO from mobile\nDownloading KVO file to your PC");
    EXPECT_EQ(events[1], "close text CDownloadFromMobile");
    EXPECT_EQ(events[2], "show");
    EXPECT_EQ(owner_.Percents().back(), 100);
    EXPECT_EQ(events[events.size() - 2], "hide");
}

TEST_F(PhoneDownloadWorker, FailedOrCancelledRowIsNotReported)
{
    download_.SetFinishPause(std::chrono::milliseconds(0));
    fake_.SetFault("/files/song1.kvo", Fault(FaultKind::Status, 500));
    ASSERT_TRUE(download_.Start(&owner_, fake_.Url("/files/song1.kvo"), dir_.File("a.kvo"), "101", 0));
    const auto command = owner_.WaitForCommand();
    ASSERT_TRUE(command);
    EXPECT_EQ(command->first, ID_CMD_PHONE_DOWNLOAD_FAILED);
    download_.Finish();
    EXPECT_FALSE(FileExists(dir_.File("a.kvo")));

    // A slow transfer cancelled half way (the dialog closing) ends at once.
    fake_.SetFault("/files/song2.kvo", Fault(FaultKind::Slow, 500, {}, 0, 5));
    const size_t toldBefore = owner_.Percents().size();
    ASSERT_TRUE(download_.Start(&owner_, fake_.Url("/files/song2.kvo"), dir_.File("b.kvo"), "102", 1));
    // Under way: the transfer has told its progress window how far it is.
    EXPECT_TRUE(testsupport::WaitUntil([&] { return owner_.Percents().size() > toldBefore; }, 20000));
    const auto start = std::chrono::steady_clock::now();
    download_.Cancel();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_FALSE(download_.IsRunning());
    EXPECT_FALSE(FileExists(dir_.File("b.kvo")));
    EXPECT_FALSE(FileExists(dir_.File("b.kvo.part")));
    EXPECT_TRUE(fake_.RequestsFor("/webservice/studio/addrelaydownresult").empty());
}

}  // namespace
