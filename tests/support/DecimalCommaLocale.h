#pragma once

#include <string>

namespace testsupport {

// Puts the whole process under de_DE.UTF-8, a locale that writes numbers
// with a decimal comma and groups thousands with a point, as a program does
// that takes its locale from a German user's environment
// (setlocale(LC_ALL, "")); the locale before comes back when the object
// goes. The machine's setup generates the locale. When it is missing, or
// does not write a comma, the constructor fails the running test, so a
// test of number text can never pass without the locale it was written
// for: check active() and stop when it is false.
class DecimalCommaLocale {
public:
    DecimalCommaLocale();
    ~DecimalCommaLocale();
    DecimalCommaLocale(const DecimalCommaLocale&) = delete;
    DecimalCommaLocale& operator=(const DecimalCommaLocale&) = delete;

    bool active() const noexcept { return active_; }

    static constexpr const char* Name = "de_DE.UTF-8";

private:
    std::string previous_;
    bool active_ = false;
};

// Whether the process's LC_NUMERIC now writes a decimal comma: true after
// GTK's start under LANG=de_DE.UTF-8, for one.
bool processWritesDecimalComma();

} // namespace testsupport
