// Under the address sanitizer: SDL keeps its list of audio devices until
// the whole library is shut down, which a short-lived tool never does, so
// it shows as a leak at exit although nothing of ours is lost.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libSDL2-2.0.so\n";
}
