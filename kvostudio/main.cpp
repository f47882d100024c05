// KVO Studio for Linux. The main window is not built yet; until it is, the
// program says so and points to the tools that stand in for it.
#include <cstdio>

int main()
{
    std::puts("KVO Studio for Linux 1.1.0.4\n"
              "The main window is not built yet. To play a song: kvoplay [--vocal PERCENT] SONG.kvo|SONG.mp3\n"
              "To record over a song: kvorecord SONG.kvo OUT.mp3 (both beside this program).");
    return 0;
}
