#pragma once

#include "foundation/objects/Dictionary.h"
#include "json/JTDictionary.h"

#include <cstddef>
#include <utility>

namespace jotter {

// Walks the keys of a JTDictionary in table slot order, holding the
// dictionary alive while it does. It reads the table afresh at every step,
// so a dictionary changed during the walk is never read out of bounds.
// One thread at a time.
class JTDictionaryEnumerator final : public foundation::Enumerator {
public:
    [[nodiscard]] static foundation::Ref<JTDictionaryEnumerator> initWithJTDictionary(const JTDictionary& dictionary);

    // The next key, not retained, or null once the cursor passes the last slot.
    foundation::Object* nextObject() override;

    const char* className() const override { return "JTDictionaryEnumerator"; }

private:
    explicit JTDictionaryEnumerator(foundation::Ref<JTDictionary> collection) noexcept
        : collection_(std::move(collection))
    {
    }

    foundation::Ref<JTDictionary> collection_;
    std::size_t nextObject_ = 0;  // slot cursor
};

} // namespace jotter
