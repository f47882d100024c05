#include "libkvo/src/realfft.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr int kSizes[] = {32, 64, 128, 256, 512, 1024, 2048, 8192, 16384};

std::vector<float> RandomBlock(int n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    std::vector<float> a(n);
    for (float& x : a)
        x = dist(gen);
    return a;
}

// The packed spectrum by the defining sums, in double precision.
std::vector<double> PlainDft(const std::vector<float>& a)
{
    const int n = int(a.size());
    std::vector<double> cosTable(n), sinTable(n);
    for (int i = 0; i < n; ++i) {
        cosTable[i] = std::cos(2.0 * M_PI * i / n);
        sinTable[i] = std::sin(2.0 * M_PI * i / n);
    }
    std::vector<double> out(n);
    for (int k = 0; k <= n / 2; ++k) {
        double re = 0.0, im = 0.0;
        // j*k reduced mod n keeps the angle exact at large n.
        for (int j = 0, jk = 0; j < n; ++j, jk = (jk + k) % n) {
            re += a[j] * cosTable[jk];
            im += a[j] * sinTable[jk];
        }
        if (k == 0)
            out[0] = re;
        else if (k == n / 2)
            out[1] = re;
        else {
            out[2 * k] = re;
            out[2 * k + 1] = im;
        }
    }
    return out;
}

double MaxAbs(const std::vector<double>& v)
{
    double m = 0.0;
    for (double x : v)
        m = std::max(m, std::abs(x));
    return m;
}

}  // namespace

TEST(RealFft, ForwardAgreesWithPlainDftAtEverySpectrumSize)
{
    for (int n : kSizes) {
        SCOPED_TRACE(n);
        const std::vector<float> a = RandomBlock(n, unsigned(n));
        const std::vector<double> expected = PlainDft(a);
        std::vector<float> data = a;
        RealFftTables tables(n);
        tables.Forward(data.data());
        const double tolerance = 2e-6 * MaxAbs(expected) * std::log2(double(n));
        for (int i = 0; i < n; ++i)
            ASSERT_NEAR(data[i], expected[i], tolerance) << "element " << i;
    }
}

TEST(RealFft, InverseUndoesForwardUpToTheHalfSizeScale)
{
    for (int n : {2, 4, 8, 16, 32, 2048, 16384}) {
        SCOPED_TRACE(n);
        const std::vector<float> a = RandomBlock(n, 7u + unsigned(n));
        std::vector<float> data = a;
        RealFftTables tables(n);
        tables.Forward(data.data());
        tables.Inverse(data.data());
        for (int i = 0; i < n; ++i)
            ASSERT_NEAR(data[i] * 2.0f / float(n), a[i], 1e-5f) << "sample " << i;
    }
}

TEST(RealFft, TablesAreRebuiltWhenTheSizeChangesOrTheFirstEntryIsCleared)
{
    std::vector<int> ip(RealFftIntTableSize(16384), 0);
    std::vector<float> w(RealFftFloatTableSize(16384), 0.0f);
    for (int n : {16384, 256, 2048}) {
        SCOPED_TRACE(n);
        const std::vector<float> a = RandomBlock(n, 3u);
        const std::vector<double> expected = PlainDft(a);
        std::vector<float> data = a;
        RealFft(n, 1, data.data(), ip.data(), w.data());
        EXPECT_EQ(ip[0], n);
        for (int i = 0; i < n; ++i)
            ASSERT_NEAR(data[i], expected[i], 1e-3) << "element " << i;
    }
    // Garbage in the table with a cleared first entry is rebuilt, not used.
    std::fill(w.begin(), w.end(), 123.0f);
    ip[0] = 0;
    const std::vector<float> a = RandomBlock(256, 5u);
    std::vector<float> data = a;
    RealFft(256, 1, data.data(), ip.data(), w.data());
    const std::vector<double> expected = PlainDft(a);
    for (int i = 0; i < 256; ++i)
        ASSERT_NEAR(data[i], expected[i], 1e-3) << "element " << i;
}

TEST(RealFft, TransformsStayRightWhileTheMeasuredPlansTakeOver)
{
    // A size no other test here uses: its first transforms run on the
    // estimated plans, while the measured ones are being found.
    constexpr int n = 4096;
    const std::vector<float> a = RandomBlock(n, 11u);
    const std::vector<double> expected = PlainDft(a);
    const double tolerance = 2e-6 * MaxAbs(expected) * std::log2(double(n));
    std::atomic<bool> measured{false};
    std::atomic<int> wrong{0};
    std::atomic<int> rounds{0};
    std::vector<std::thread> users;
    for (int t = 0; t < 3; ++t) {
        users.emplace_back([&] {
            RealFftTables tables(n);
            // One more round after the take-over, on the measured plans.
            bool last = false;
            do {
                last = measured.load();
                std::vector<float> data = a;
                tables.Forward(data.data());
                for (int i = 0; i < n; ++i)
                    if (std::abs(data[i] - expected[i]) > tolerance)
                        ++wrong;
                tables.Inverse(data.data());
                for (int i = 0; i < n; ++i)
                    if (std::abs(data[i] * 2.0f / float(n) - a[i]) > 1e-5f)
                        ++wrong;
                ++rounds;
            } while (!last);
        });
    }
    RealFftWaitUntilMeasured(n);
    measured = true;
    for (std::thread& user : users)
        user.join();
    EXPECT_EQ(wrong.load(), 0) << "in " << rounds.load() << " rounds";
}
