#pragma once

#include <locale.h>  // POSIX: locale_t, newlocale, uselocale

namespace foundation {

// The "C" locale, made on first use and kept for the life of the process.
// Number text (a decimal point, no grouping) is read and written in it
// whatever locale the program took from the user's environment: GTK's start
// and a host program's setlocale() change the process's locale, and a
// decimal comma must not reach a description, a log line or a parser. Safe
// from any thread. If the C library cannot make it (out of memory at the
// first call) the process ends: no number text could be trusted after.
locale_t cLocale() noexcept;

// Makes the calling thread format and read numbers in the "C" locale while
// it lives (uselocale), for C library calls that have no _l variant, such as
// snprintf. Other threads keep theirs. Not to be moved across threads.
class CLocaleScope {
public:
    CLocaleScope() noexcept : previous_(uselocale(cLocale())) {}
    ~CLocaleScope() { uselocale(previous_); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous_;
};

} // namespace foundation
