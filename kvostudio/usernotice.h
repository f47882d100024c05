#pragma once
// Telling the user of something from code that has no window of its own
// (the converters). The program shows such a notice in a message box when
// it comes from the UI thread (userboxes.h); from any other thread, and in
// the tools that have no windows, it goes to the log.

#include <string>

// Shows the text to the user; false when it cannot be shown from the
// calling thread.
using NoticeShower = bool (*)(const std::string& text);

// How notices are shown from now on; null leaves them to the log. Set once
// while the program starts.
void SetNoticeShower(NoticeShower shower);

// Shows the notice, or writes it to the log where it cannot be shown. Any
// thread.
void NotifyUser(const std::string& text);
