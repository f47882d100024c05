// Under the address sanitizer: GTK, GDK and the libraries below them keep
// process-wide caches (types, fonts, the display connection) that are
// never freed, so they show as leaks at exit although nothing of ours is
// lost.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:libgtk-3.so\n"
           "leak:libgdk-3.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n"
           "leak:libgio-2.0.so\n"
           "leak:libX11.so\n"
           "leak:libcairo.so\n"
           "leak:libpango-1.0.so\n"
           "leak:libpangoft2-1.0.so\n";
}
