#include "kvostudio/httpclient.h"
#include "kvostudio/uploadimpl.h"
#include "tests/service/service_fixture.h"
#include "tests/support/id3_builder.h"
#include "tests/support/kvo_writer.h"
#include "tests/support/mp3_maker.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

namespace {

using servicetest::ServiceTest;
using testsupport::Fault;
using testsupport::FaultKind;

std::vector<uint8_t> ToneMp3(double seconds)
{
    return testsupport::MakeMp3(testsupport::MakeTone(44100, 2, seconds, 440, 0.3));
}

// An MP3 recording with an ID3v2.3 tag whose TXXX holds the song number,
// written as the program writes it (a plain text frame).
std::vector<uint8_t> TaggedMp3(const std::string& songNumber, double seconds)
{
    std::vector<uint8_t> bytes =
        testsupport::Id3v2Builder(3)
            .Frame("TXXX", testsupport::Id3TextData(testsupport::Id3Text::Latin1, songNumber))
            .Build();
    const std::vector<uint8_t> audio = ToneMp3(seconds);
    bytes.insert(bytes.end(), audio.begin(), audio.end());
    return bytes;
}

std::vector<uint8_t> Container(const std::string& fileId, double seconds)
{
    testsupport::KvoContent content;
    content.tag = testsupport::MakeKvoTag({"Song", "Artist", u"", fileId, {}});
    content.head = {1, 2, 3, 4};
    content.stream1 = ToneMp3(seconds);
    content.stream2 = testsupport::MakeMp3(testsupport::MakeSilence(44100, 2, seconds));
    content.pieceSize = 4000;
    return testsupport::WriteKvo(content);
}

class Upload : public ServiceTest {
protected:
    std::unique_ptr<CUploadImpl> MakeEngine(int kind, const std::string& path, const std::string& songSource)
    {
        auto engine = std::make_unique<CUploadImpl>(kind);
        engine->SetFileId("5");
        engine->SetServerIp("10.0.0.9");
        engine->SetUploadUrl(fake_.Url(testsupport::FakeService::kUploadPath));
        engine->SetFilePath(path);
        engine->SetSongSourcePath(songSource);
        engine->SetFinishPause(std::chrono::milliseconds(0));
        return engine;
    }

    // Starts the engine, takes its one result and stops it as the main
    // window does.
    std::pair<unsigned, std::unique_ptr<UploadResult>> Run(CUploadImpl& engine)
    {
        EXPECT_EQ(engine.Start(&owner_), 1);
        const auto command = owner_.WaitForCommand(0, 60000);
        std::unique_ptr<UploadResult> result;
        unsigned code = 0;
        if (command) {
            code = command->first;
            result.reset(reinterpret_cast<UploadResult*>(command->second));
            EXPECT_EQ(result->engine, &engine);
            EXPECT_EQ(engine.Stop(), 1);
            EXPECT_EQ(engine.Stop(), 1);
        }
        return {code, std::move(result)};
    }
};

TEST(UploadPercent, GuardsEmptyFilesAndCapsAtOneHundred)
{
    EXPECT_EQ(CUploadImpl::PercentOf(100, 0), -1);
    EXPECT_EQ(CUploadImpl::PercentOf(0, 1000), 0);
    EXPECT_EQ(CUploadImpl::PercentOf(505, 1000), 51);  // rounded as MulDiv rounds
    EXPECT_EQ(CUploadImpl::PercentOf(1200, 1000), 100);  // part headers make the body longer than the file
    EXPECT_EQ(CUploadImpl::PercentOf(int64_t(2) << 40, int64_t(4) << 40), 50);
}

TEST_F(Upload, UccFileIsSentWithItsIdAndReportedWithSongAndLength)
{
    const std::string path = dir_.File("take.mp3");
    const auto bytes = TaggedMp3("4321", 3.0);
    testsupport::WriteFile(path, bytes);
    auto engine = MakeEngine(CUploadImpl::kUccFile, path, path);
    auto [code, result] = Run(*engine);
    ASSERT_TRUE(result);
    ASSERT_EQ(code, ID_CMD_UPLOAD_DONE) << result->message << " song " << result->songId;
    EXPECT_EQ(result->success, 1);
    EXPECT_EQ(result->fileId, 5);
    EXPECT_EQ(result->fileSize, int(bytes.size()));
    EXPECT_EQ(result->songId, 4321);
    EXPECT_EQ(result->playTime, 3);
    EXPECT_EQ(result->serverIp, "10.0.0.9");
    EXPECT_EQ(result->filePath, path);
    EXPECT_EQ(result->message, "OK");

    const auto requests = fake_.RequestsFor(testsupport::FakeService::kUploadPath);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Header("User-Agent"), "ONLINE-KVOSTUDIO");
    const auto parts = requests[0].MultipartParts();
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].name, "FID");
    EXPECT_EQ(parts[0].data, "5");
    EXPECT_EQ(parts[1].name, "fileupload");
    EXPECT_EQ(parts[1].data, std::string(bytes.begin(), bytes.end()));

    // The window was captioned and shown before any percent, hidden before
    // the result, and every percent lies within 0..100.
    const auto events = owner_.Events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0].rfind("caption Uploading file", 0), 0u);
    EXPECT_EQ(events[1], "show");
    const auto hide = std::find(events.begin(), events.end(), "hide");
    ASSERT_NE(hide, events.end());
    EXPECT_LT(hide - events.begin(), std::find(events.begin(), events.end(), "command 33770") - events.begin());
    for (int p : owner_.Percents()) {
        EXPECT_GE(p, 0);
        EXPECT_LE(p, 100);
    }
}

TEST_F(Upload, UccFileWithoutSongNumberFailsAfterTheUpload)
{
    for (const char* number : {"0", ""}) {
        SCOPED_TRACE(number);
        owner_.log = std::make_shared<servicetest::OwnerLog>();
        fake_.ClearLog();
        const std::string path = dir_.File("mine.mp3");
        testsupport::WriteFile(path, *number ? TaggedMp3(number, 1.0) : ToneMp3(1.0));
        auto engine = MakeEngine(CUploadImpl::kUccFile, path, path);
        auto [code, result] = Run(*engine);
        EXPECT_EQ(code, ID_CMD_UPLOAD_FAILED);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->message, kInvalidUccFile);
        EXPECT_EQ(result->success, 0);
        EXPECT_EQ(result->playTime, 1);  // without a tag the length comes from decoding
        EXPECT_EQ(fake_.RequestsFor(testsupport::FakeService::kUploadPath).size(), 1u);
    }
}

TEST_F(Upload, RecordingAlwaysSendsTheWorkFileWithTheSungSongsId)
{
    const std::string song = dir_.File("song.kvo");
    testsupport::WriteFile(song, Container("777", 2.0));
    auto engine = MakeEngine(CUploadImpl::kRecording, dir_.File("ignored.mp3"), song);
    // The work file appears only after the engine was set up: Start picks it.
    const std::string cache = dir_.Path() + "/data/Cache.mp3";
    testsupport::WriteFile(dir_.File("ignored.mp3"), {1, 2, 3});
    const auto bytes = TaggedMp3("1", 2.0);
    testsupport::WriteFile(cache, bytes);
    auto [code, result] = Run(*engine);
    ASSERT_EQ(code, ID_CMD_UPLOAD_DONE);
    EXPECT_EQ(result->filePath, cache);
    EXPECT_EQ(result->songId, 777);
    EXPECT_EQ(result->fileSize, int(bytes.size()));
    const auto parts = fake_.RequestsFor(testsupport::FakeService::kUploadPath).at(0).MultipartParts();
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[1].data.size(), bytes.size());
}

TEST_F(Upload, PhoneTransferReportsTheContainersLengthAndId)
{
    const std::string path = dir_.File("Song.KVO");
    testsupport::WriteFile(path, Container("31", 2.0));
    auto engine = MakeEngine(CUploadImpl::kPhoneTransfer, path, "");
    engine->SetProgressCaption("Transfer KVO to mobile", 1);
    auto [code, result] = Run(*engine);
    ASSERT_EQ(code, ID_CMD_RELAY_UPLOAD_DONE);
    EXPECT_EQ(result->songId, 31);
    EXPECT_EQ(result->playTime, 2);
    const auto events = owner_.Events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[1], "file " + path);
}

TEST_F(Upload, FailuresArePostedWithTheServicesMessageOrNone)
{
    const std::string path = dir_.File("Song.kvo");
    testsupport::WriteFile(path, Container("31", 1.0));

    struct Case {
        const char* what;
        std::string answer;  // empty: the request fails
        std::string message;
    };
    const Case cases[] = {
        {"refused by the service", testsupport::FakeService::UploadXml(3, "Disk full"), "Disk full"},
        {"no ERROR element", "<OTHER><ERRORCODE>0</ERRORCODE></OTHER>", ""},
        {"server error status", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        owner_.log = std::make_shared<servicetest::OwnerLog>();
        fake_.ClearFaults();
        if (c.answer.empty())
            fake_.SetFault(testsupport::FakeService::kUploadPath, Fault(FaultKind::Status, 500));
        else
            fake_.SetXmlAnswer(testsupport::FakeService::kUploadPath, c.answer);
        auto engine = MakeEngine(CUploadImpl::kPhoneTransfer, path, "");
        auto [code, result] = Run(*engine);
        EXPECT_EQ(code, ID_CMD_RELAY_UPLOAD_FAILED);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->message, c.message);
        EXPECT_EQ(result->success, 0);
    }
}

TEST_F(Upload, MissingOrEmptyFiles)
{
    // A file that cannot be opened: no request, size 0, the failure command.
    auto missing = MakeEngine(CUploadImpl::kPhoneTransfer, dir_.File("gone.kvo"), "");
    auto [code, result] = Run(*missing);
    EXPECT_EQ(code, ID_CMD_RELAY_UPLOAD_FAILED);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->fileSize, 0);
    EXPECT_TRUE(fake_.RequestsFor(testsupport::FakeService::kUploadPath).empty());

    // An empty file is sent, but never gives a percent.
    owner_.log = std::make_shared<servicetest::OwnerLog>();
    testsupport::WriteFile(dir_.File("empty.txt"), {});
    auto empty = MakeEngine(CUploadImpl::kPhoneTransfer, dir_.File("empty.txt"), "");
    auto [code2, result2] = Run(*empty);
    EXPECT_EQ(code2, ID_CMD_RELAY_UPLOAD_DONE);  // an extension the engine does not read still reports
    EXPECT_TRUE(owner_.Percents().empty());
}

TEST_F(Upload, ProgressClimbsDuringASlowUploadAndStopIsSafeAnyTime)
{
    // 1.5 MB at the client's pace of 4096 bytes a millisecond takes more
    // than one poll.
    const std::string path = dir_.File("big.bin");
    testsupport::WriteFile(path, std::vector<uint8_t>(1536 * 1024, 0x5A));
    auto engine = MakeEngine(CUploadImpl::kPhoneTransfer, path, "");
    auto [code, result] = Run(*engine);
    EXPECT_EQ(code, ID_CMD_RELAY_UPLOAD_DONE);
    const auto percents = owner_.Percents();
    ASSERT_FALSE(percents.empty());
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_LE(percents.back(), 100);

    // Destroying an engine that was never started, or one whose owner is
    // gone, joins cleanly; the lost result does not leak.
    { CUploadImpl idle(CUploadImpl::kUccFile); }
    owner_.refusePosts = true;
    auto orphan = MakeEngine(CUploadImpl::kPhoneTransfer, path, "");
    EXPECT_EQ(orphan->Start(&owner_), 1);
    EXPECT_EQ(orphan->Start(&owner_), 0);  // one upload per engine at a time
    orphan.reset();
}

TEST_F(Upload, ARedirectEndsTheUploadAsAFailureAndNothingGoesElsewhere)
{
    testsupport::FakeService other;
    ASSERT_TRUE(other.Start("127.0.0.2", false));
    const std::string path = dir_.File("Song.kvo");
    testsupport::WriteFile(path, Container("31", 1.0));
    // What a GET of the new address would answer: it must not pass for the
    // upload's own answer.
    fake_.SetXmlAnswer("/done", testsupport::FakeService::UploadXml(0, "OK"));
    const std::pair<int, std::string> cases[] = {
        {307, other.Url(testsupport::FakeService::kUploadPath)},
        {302, other.Url(testsupport::FakeService::kUploadPath)},
        {302, fake_.Url("/done")},
    };
    for (const auto& [status, target] : cases) {
        SCOPED_TRACE(std::to_string(status) + " to " + target);
        owner_.log = std::make_shared<servicetest::OwnerLog>();
        fake_.SetFault(testsupport::FakeService::kUploadPath, Fault(FaultKind::Redirect, status, target));
        auto engine = MakeEngine(CUploadImpl::kPhoneTransfer, path, "");
        auto [code, result] = Run(*engine);
        EXPECT_EQ(code, ID_CMD_RELAY_UPLOAD_FAILED);
    }
    EXPECT_EQ(other.RequestCount(), 0u);
    EXPECT_TRUE(fake_.RequestsFor("/done").empty());
}

TEST_F(Upload, StopEndsAStalledUploadAtOnce)
{
    const std::string path = dir_.File("big.bin");
    testsupport::WriteFile(path, std::vector<uint8_t>(256 * 1024, 0x5A));
    for (const FaultKind kind : {FaultKind::Stall, FaultKind::Slow}) {
        SCOPED_TRACE(static_cast<int>(kind));
        owner_.log = std::make_shared<servicetest::OwnerLog>();
        fake_.ClearLog();
        fake_.SetFault(testsupport::FakeService::kUploadPath, Fault(kind, 500, {}, 0, 1000));
        auto engine = MakeEngine(CUploadImpl::kPhoneTransfer, path, "");
        ASSERT_EQ(engine->Start(&owner_), 1);
        ASSERT_TRUE(fake_.WaitForRequests(1, 10000));
        // The server has the request and answers nothing, or a byte at a
        // time: the stop must end the upload in the middle of that wait,
        // which nothing on the client's side announces.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(engine->Stop(), 1);
        const auto took = std::chrono::steady_clock::now() - start;
        // Within a second; a busy machine is allowed five.
        EXPECT_LT(took, std::chrono::seconds(5))
            << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
        // The owner that stopped it hears nothing more.
        EXPECT_FALSE(owner_.WaitForCommand(0, 200));
    }
}

TEST_F(Upload, TheSizeReportedIsTheSizeTheServerReceivedWhileTheFileChanges)
{
    const std::string path = dir_.File("changing.bin");
    testsupport::WriteFile(path, std::vector<uint8_t>(1000, 1));
    std::atomic<bool> done{false};
    // The file grows and shrinks all the while.
    std::thread changer([&] {
        while (!done) {
            ::truncate(path.c_str(), 1000);
            ::truncate(path.c_str(), 300000);
        }
    });
    int reported = 0;
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        owner_.log = std::make_shared<servicetest::OwnerLog>();
        fake_.ClearLog();
        auto engine = MakeEngine(CUploadImpl::kPhoneTransfer, path, "");
        auto [code, result] = Run(*engine);
        ASSERT_TRUE(result);
        if (code != ID_CMD_RELAY_UPLOAD_DONE)
            continue;  // failing is fine; a size that lies is not
        ++reported;
        const auto uploads = fake_.RequestsFor(testsupport::FakeService::kUploadPath);
        ASSERT_EQ(uploads.size(), 1u);
        const auto parts = uploads[0].MultipartParts();
        ASSERT_EQ(parts.size(), 2u);
        EXPECT_EQ(result->fileSize, static_cast<int>(parts[1].data.size()));
    }
    done = true;
    changer.join();
    std::printf("%d of 8 uploads of a changing file went through\n", reported);
}

}  // namespace
