// Fontconfig keeps the fonts it has matched and its parsed configuration
// (reached through Pango's and Cairo's font maps) for the life of the
// process and never frees them at exit. Nothing of ours calls fontconfig,
// so a leak whose allocation is made inside it is one of those caches.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
