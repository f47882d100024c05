// Under the address sanitizer: Pango keeps the font patterns it gets from
// fontconfig in process-wide caches that are never freed, so they show as
// leaks at exit although nothing of ours is lost. Every test program that
// draws text links this (target kvo_testsupport_leaks).
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
