// KVO Studio for Linux. The main window is not built yet; until it is, the
// program says what stands.
#include <cstdio>

int main()
{
    std::puts("KVO Studio for Linux 1.1.0.4\n"
              "The main window is not built yet. What stands: the player library's\n"
              "interface and event callbacks. Run tools/test to run every test.");
    return 0;
}
