#pragma once
// The crash handler: when the process dies of a fatal signal, it leaves
// "kvodump.dmp" in the data folder (the signal, the faulting address, a
// backtrace and the memory map), replacing the dump of an earlier crash.

// Constructing one installs the handler for the rest of the process's life;
// its destruction changes nothing. Start-up makes one after the
// single-instance test. Installed() tells whether a dump can be written
// (false when there is no data folder).
class InstallCrashHandler {
public:
    InstallCrashHandler();
    bool Installed() const { return installed_; }

private:
    bool installed_ = false;
};
