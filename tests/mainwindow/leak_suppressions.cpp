// Under the address sanitizer: Pango keeps the font patterns it gets from
// fontconfig in process-wide caches that are never freed.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
