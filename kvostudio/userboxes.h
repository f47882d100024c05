#pragma once
// The message boxes in which the window tells the user of files: the songs
// that cannot be played, and the notices of the code below the windows
// (usernotice.h).

#include <vector>

#include "kvostudio/fileproblem.h"

namespace platform {
class Window;
}

// One message box over 'owner' with FileProblemsText; nothing for none. UI
// thread.
void ShowFileProblems(platform::Window* owner, const std::vector<FileProblem>& problems);

// From now on a notice from the UI thread is shown in a message box; the
// program calls this once its windows can be shown.
void ShowNoticesInBoxes();
