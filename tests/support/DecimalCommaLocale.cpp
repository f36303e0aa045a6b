#include "support/DecimalCommaLocale.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>

namespace testsupport {

DecimalCommaLocale::DecimalCommaLocale()
    : previous_(std::setlocale(LC_ALL, nullptr))
{
    if (!std::setlocale(LC_ALL, Name)) {
        ADD_FAILURE() << "the locale " << Name << " is not installed; scripts/setup generates it";
        return;
    }
    active_ = processWritesDecimalComma();
    if (!active_)
        ADD_FAILURE() << "the locale " << Name << " does not write a decimal comma";
}

DecimalCommaLocale::~DecimalCommaLocale()
{
    std::setlocale(LC_ALL, previous_.c_str());
}

bool processWritesDecimalComma()
{
    return std::strcmp(std::localeconv()->decimal_point, ",") == 0;
}

} // namespace testsupport
