#pragma once

#include "foundation/objects/String.h"

#include <memory>

namespace foundation {

// The platform's "SELF MATCHES %@" predicate: true for a string that the
// regular expression (ICU syntax) matches as a whole, from its first
// character to its last; false for any other object or null. The pattern is
// compiled once, when the predicate is made; evaluation is safe from any
// thread.
//
//   auto email = Predicate::selfMatches("[a-z]+@[a-z]+\\.[a-z]{2,4}");
//   email->evaluateWithObject(str("ada@example.org").get());  // true
//   email->evaluateWithObject(str(" ada@example.org").get()); // false: whole string
class Predicate final : public Object {
public:
    // A pattern that is not a valid regular expression raises the platform's
    // invalid-argument exception, as the platform does on evaluation.
    static Ref<Predicate> selfMatches(std::string_view pattern);
    ~Predicate() override;

    bool evaluateWithObject(const Object* object) const;

    const char* className() const override { return "NSComparisonPredicate"; }
    // SELF MATCHES "pattern"
    std::string description() const override;

private:
    struct Compiled;
    Predicate(std::string pattern, std::unique_ptr<Compiled> compiled);

    std::string pattern_;
    std::unique_ptr<Compiled> compiled_;
};

} // namespace foundation
