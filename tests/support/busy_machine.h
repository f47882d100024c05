// Other work on the machine, for tests of what must hold on a busy desktop:
// stress-ng keeping some cores busy while the object lives, ended by its
// process id when it goes.
#pragma once

#include <string>

#include "tests/support/child_process.h"

namespace testsupport {

class BusyMachine {
public:
    // Half the cores (at least one) when workers is 0. Running() tells
    // whether stress-ng could be started.
    explicit BusyMachine(int workers = 0);
    ~BusyMachine();
    BusyMachine(const BusyMachine&) = delete;
    BusyMachine& operator=(const BusyMachine&) = delete;

    bool Running() const { return stress_.Running(); }
    int Workers() const { return workers_; }

private:
    ChildProcess stress_;
    int workers_ = 0;
};

}  // namespace testsupport
