#include "tests/support/paired_rounds.h"

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>

namespace testsupport {

namespace {

double Seconds(const timeval& t)
{
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

}  // namespace

double ProcessAndChildrenCpuSeconds()
{
    timespec own{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &own);
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    return double(own.tv_sec) + double(own.tv_nsec) / 1e9 + Seconds(children.ru_utime) + Seconds(children.ru_stime);
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double SideFigures::MedianCpu() const
{
    return Median(cpuSeconds);
}

double SideFigures::MedianWall() const
{
    return Median(wallSeconds);
}

double PairedRounds::CpuRatio(size_t a, size_t b) const
{
    if (a >= sides.size() || b >= sides.size())
        return 0;
    std::vector<double> ratios;
    const auto& x = sides[a].cpuSeconds;
    const auto& y = sides[b].cpuSeconds;
    for (size_t i = 0; i < x.size() && i < y.size(); ++i)
        if (y[i] > 0)
            ratios.push_back(x[i] / y[i]);
    return Median(ratios);
}

PairedRounds RunPairedRounds(const std::vector<Side>& sides, int rounds)
{
    PairedRounds result;
    for (const Side& side : sides)
        result.sides.push_back({side.name, {}, {}});
    for (int round = -1; round < rounds && result.error.empty(); ++round) {
        for (size_t k = 0; k < sides.size(); ++k) {
            const size_t i = (k + size_t(round + 1)) % sides.size();
            if (sides[i].prepare && !sides[i].prepare()) {
                result.error = sides[i].name;
                break;
            }
            const double cpu = ProcessAndChildrenCpuSeconds();
            const auto wall = std::chrono::steady_clock::now();
            if (!sides[i].run()) {
                result.error = sides[i].name;
                break;
            }
            if (round < 0)
                continue;
            result.sides[i].cpuSeconds.push_back(ProcessAndChildrenCpuSeconds() - cpu);
            result.sides[i].wallSeconds.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count());
        }
    }
    return result;
}

}  // namespace testsupport
