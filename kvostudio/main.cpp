// KVO Studio for Linux: a karaoke player and recorder.
#include <signal.h>

#include "kvostudio/kvostudioapp.h"

int main()
{
    // Past a file-size limit a write fails with its reason, which the save
    // and recording paths report, instead of ending the program unseen.
    signal(SIGXFSZ, SIG_IGN);
    return theApp.InitInstance();
}
