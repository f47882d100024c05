#include "tests/support/busy_machine.h"

#include <unistd.h>

#include <algorithm>

#include "tests/support/command_output.h"

namespace testsupport {

BusyMachine::BusyMachine(int workers)
{
    workers_ = workers > 0 ? workers : std::max(1, int(sysconf(_SC_NPROCESSORS_ONLN)) / 2);
    if (HaveTool("stress-ng"))
        stress_.Start({"/usr/bin/env", "stress-ng", "--cpu", std::to_string(workers_), "--timeout", "1h", "--quiet"});
}

BusyMachine::~BusyMachine()
{
    if (stress_.Running()) {
        stress_.Terminate();
        stress_.Wait(10000);
    }
}

}  // namespace testsupport
