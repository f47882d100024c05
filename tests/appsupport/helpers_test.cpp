// Messages, text conversion, the log, the shuffle order, registered
// messages and the small system helpers.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <pthread.h>

#include <algorithm>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "kvostudio/global.h"
#include "platform/appmsg/registered_message.h"
#include "tests/appsupport/scoped_env.h"

TEST(Messages, EveryMessageTheProgramShowsIsInTheTable)
{
    for (unsigned id = 101; id <= 132; ++id) {
        if (id == 125 || id == 126) continue;  // not used by the program
        EXPECT_STRNE(LoadStringTableEntry(id), "") << id;
        EXPECT_EQ(LoadFormatString(id), LoadStringTableEntry(id)) << id;  // no stray '%'
    }
    EXPECT_EQ(LoadFormatString(103), "Windows Socket Failed");
    EXPECT_EQ(LoadFormatString(111), "Initalize Failed");
    EXPECT_EQ(LoadFormatString(9999, 1, "x"), "");
    EXPECT_STREQ(LoadStringTableEntry(0), "");
}

TEST(TextConversion, Utf8OutputIsLimitedTo200Bytes)
{
    char out[260] = {};
    EXPECT_EQ(AnsiToUtf8("song.kvo", out), 8);
    EXPECT_STREQ(out, "song.kvo");

    std::string korean;
    for (int i = 0; i < 150; ++i) korean += "\xED\x95\x9C";  // 150 characters, 450 bytes
    char untouched[260] = {};
    EXPECT_EQ(AnsiToUtf8(korean.c_str(), untouched), 0);
    EXPECT_EQ(untouched[0], '\0');

    std::string mixed(66, 'a');
    for (int i = 0; i < 44; ++i) mixed += "\xED\x95\x9C";  // 198 bytes
    EXPECT_EQ(AnsiToUtf8((mixed + "bb").c_str(), out), 200);
    EXPECT_EQ(AnsiToUtf8((mixed + "bbb").c_str(), out), 0);

    // Characters beyond the BMP take two UTF-16 units: 100 of them reach the
    // unit limit in 400 bytes, which is over the byte limit.
    std::string emoji;
    for (int i = 0; i < 50; ++i) emoji += "\xF0\x9F\x8E\xA4";
    EXPECT_EQ(AnsiToUtf8(emoji.c_str(), out), 200);
    EXPECT_EQ(std::string(out), emoji);
    EXPECT_EQ(AnsiToUtf8((emoji + "x").c_str(), out), 0);

    // Invalid bytes become U+FFFD, so the service always gets valid text.
    EXPECT_EQ(AnsiToUtf8("a\xFF" "b\xC0\xAF", out), 11);
    EXPECT_STREQ(out, "a\xEF\xBF\xBD" "b\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(AnsiToUtf8(nullptr, out), 0);
}

TEST(TextConversion, WideTextIsUtf16WithTwoSpareUnits)
{
    EXPECT_EQ(AnsiToWide(nullptr), nullptr);
    std::unique_ptr<char16_t[]> wide(AnsiToWide("a\xED\x95\x9C\xF0\x9F\x8E\xA4/"));
    ASSERT_NE(wide, nullptr);
    const char16_t expected[] = {u'a', 0xD55C, 0xD83C, 0xDFA4, u'/', 0};
    for (size_t i = 0; i < std::size(expected); ++i) EXPECT_EQ(wide[i], expected[i]) << i;
    std::unique_ptr<char16_t[]> empty(AnsiToWide(""));
    EXPECT_EQ(empty[0], 0);
    EXPECT_EQ(empty[1], 0);
}

TEST(Log, LinesAreNumberedAndEndWithCrLf)
{
    TestDataFolder data;
    WriteLog("Catch...");
    WriteLog(nullptr);
    WriteLog("second");
    std::string log = ReadText(data.File("log.txt"));
    int first = -1;
    ASSERT_EQ(std::sscanf(log.c_str(), "%d", &first), 1);
    EXPECT_EQ(log, std::to_string(first) + " - Catch...\r\n" + std::to_string(first + 1) + " - second\r\n");

    // Appended to, never cut; a long text is written whole.
    const std::string longText(3000, 'L');
    WriteLog(longText.c_str());
    std::string after = ReadText(data.File("log.txt"));
    EXPECT_EQ(after.substr(0, log.size()), log);
    EXPECT_EQ(after.substr(log.size()), std::to_string(first + 2) + " - " + longText + "\r\n");
}

TEST(Shuffle, OrdersArePermutationsOfEveryValue)
{
    EXPECT_EQ(MakeShuffleOrder(0), nullptr);
    EXPECT_EQ(MakeShuffleOrder(-5), nullptr);
    for (int n : {1, 2, 40000}) {
        std::unique_ptr<int[]> order(MakeShuffleOrder(n));
        ASSERT_NE(order, nullptr);
        std::vector<int> sorted(order.get(), order.get() + n);
        std::sort(sorted.begin(), sorted.end());
        for (int i = 0; i < n; ++i) ASSERT_EQ(sorted[static_cast<size_t>(i)], i) << "n=" << n;
    }
    // Large lists use their whole range: some entry beyond 32767 lands in
    // the first half.
    std::unique_ptr<int[]> big(MakeShuffleOrder(40000));
    EXPECT_TRUE(std::any_of(big.get(), big.get() + 20000, [](int v) { return v > 32767; }));
}

TEST(Shuffle, EveryOrderCanComeUpAndCallsDiffer)
{
    // Calls in quick succession still differ: all six orders of three
    // appear within a few hundred calls.
    std::set<std::vector<int>> seen;
    for (int i = 0; i < 600 && seen.size() < 6; ++i) {
        std::unique_ptr<int[]> order(MakeShuffleOrder(3));
        seen.insert(std::vector<int>(order.get(), order.get() + 3));
    }
    EXPECT_EQ(seen.size(), 6u);
}

TEST(RegisteredMessages, OneNameOneIdAcrossThreads)
{
    unsigned mouse = GetMouseMoveHookMessage();
    unsigned open = GetOpenMessage();
    EXPECT_GE(mouse, 0xC000u);
    EXPECT_LE(mouse, 0xFFFFu);
    EXPECT_GE(open, 0xC000u);
    EXPECT_NE(mouse, open);
    EXPECT_EQ(platform::RegisterWindowMessage(kMouseMoveMsgName), mouse);
    EXPECT_EQ(platform::RegisterWindowMessage("wm_open_msg-44e531b1_14d3_11d5_a025_006067718d04"), open);
    EXPECT_EQ(platform::RegisterWindowMessage(""), 0u);

    std::vector<uint32_t> ids(8);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < ids.size(); ++t)
        threads.emplace_back([&ids, t] { ids[t] = platform::RegisterWindowMessage("KvoTestMessage"); });
    for (auto& th : threads) th.join();
    for (uint32_t id : ids) EXPECT_EQ(id, ids[0]);
    EXPECT_NE(ids[0], mouse);
}

TEST(SystemInfo, LocalAddressIsNeverLoopback)
{
    char out[32] = "untouched";
    if (!GetLocalIPAddress(out)) {
        EXPECT_STREQ(out, "untouched");
        GTEST_SKIP() << "no network interface besides loopback";
    }
    in_addr addr{};
    ASSERT_EQ(inet_pton(AF_INET, out, &addr), 1) << out;
    EXPECT_NE(ntohl(addr.s_addr) >> 24, 127u) << out;
}

TEST(SystemInfo, CommandLineArgumentsMatchArgv)
{
    const std::vector<std::string> argv = ::testing::internal::GetArgvs();
    EXPECT_EQ(GetCommandLineArg(0), "");
    for (size_t i = 1; i < argv.size(); ++i) EXPECT_EQ(GetCommandLineArg(static_cast<int>(i)), argv[i]);
    EXPECT_EQ(GetCommandLineArg(static_cast<int>(argv.size())), "");
    EXPECT_EQ(GetCommandLineArg(-1), "");
}

TEST(SystemInfo, ThreadNamesAreFormatted)
{
    std::string name;
    std::thread worker([&name] {
        SetThreadName("%s %d", "Enc", 7);
        char buffer[16] = {};
        pthread_getname_np(pthread_self(), buffer, sizeof buffer);
        name = buffer;
    });
    worker.join();
    EXPECT_EQ(name, "Enc 7");
}
