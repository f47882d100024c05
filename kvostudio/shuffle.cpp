// The random order of shuffle play.
#include <mutex>
#include <random>

#include "kvostudio/helpers.h"

namespace {

std::mutex& GeneratorLock()
{
    static std::mutex lock;
    return lock;
}

std::mt19937& Generator()
{
    static std::mt19937 generator{std::random_device{}()};
    return generator;
}

}  // namespace

int* MakeShuffleOrder(int count)
{
    if (count < 1) return nullptr;
    int* order = new int[static_cast<size_t>(count)];
    for (int i = 0; i < count; ++i) order[i] = i;
    // Fisher-Yates: every permutation equally likely, one draw per entry.
    std::lock_guard<std::mutex> lock(GeneratorLock());
    for (int i = count - 1; i > 0; --i) {
        std::uniform_int_distribution<int> pick(0, i);
        int j = pick(Generator());
        int t = order[i];
        order[i] = order[j];
        order[j] = t;
    }
    return order;
}
