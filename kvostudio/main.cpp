// KVO Studio for Linux: a karaoke player and recorder.
#include "kvostudio/kvostudioapp.h"

int main()
{
    return theApp.InitInstance();
}
