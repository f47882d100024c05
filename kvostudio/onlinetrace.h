#pragma once
// Diagnostics of the online code. Failures of the network are not shown to
// the user; they are written here so that a developer can follow them.

// printf-style; writes the text to standard error as it stands.
void OnlineTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));
