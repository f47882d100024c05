// Measuring our code beside a floor or a peer so that the figures can be
// set side by side: every side runs once in each round, in an order that
// turns from round to round, so a change of load on a shared machine falls
// on all sides alike instead of on whichever ran last; and every side's
// time counts the CPU of every thread of this process and of every child
// process it waited for (a peer tool run as a command), so a peer is not
// measured as the few milliseconds its caller spent waiting.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// CPU seconds spent so far by every thread of this process and by the
// children it has waited for.
double ProcessAndChildrenCpuSeconds();

struct Side {
    std::string name;
    // One run of the work; false when it failed (the rounds stop then).
    std::function<bool()> run;
    // Optional: what must come before each run without being measured.
    std::function<bool()> prepare = nullptr;
};

struct SideFigures {
    std::string name;
    std::vector<double> cpuSeconds;   // one per round
    std::vector<double> wallSeconds;  // one per round
    double MedianCpu() const;
    double MedianWall() const;
};

struct PairedRounds {
    std::vector<SideFigures> sides;
    std::string error;  // the side that failed, empty when none did
    // The median over the rounds of side a's CPU time over side b's in the
    // same round; 0 without rounds.
    double CpuRatio(size_t a, size_t b) const;
};

// One round that is not counted (caches, first-time set-up), then 'rounds'
// counted ones.
PairedRounds RunPairedRounds(const std::vector<Side>& sides, int rounds);

double Median(std::vector<double> values);

}  // namespace testsupport
