#pragma once
// Small helpers shared across the application: the log (ALSA's complaints
// included), the shuffle order, the local address, command-line arguments
// and thread names.

#include <string>

// Appends "<n> - <text>\r\n" to log.txt in the data folder; n counts this
// process's calls from 0. A null text does nothing.
void WriteLog(const char* text);

// Sends ALSA's own complaints (no card, a device that does not open) to the
// log instead of the terminal.
void LogAlsaErrors();

// A new array (delete[]) of count entries holding a random permutation of
// 0..count-1; null when count < 1.
int* MakeShuffleOrder(int count);

// Fills out (32 bytes) with this computer's first non-loopback IPv4 address
// in dotted form. False, out untouched, when there is none.
bool GetLocalIPAddress(char* out);

// Argument index of the process's command line (1 = the first after the
// program); empty when the index is outside 1..argc-1.
std::string GetCommandLineArg(int index);

// Names the calling thread (printf-style) for debuggers and crash dumps.
void SetThreadName(const char* format, ...);
