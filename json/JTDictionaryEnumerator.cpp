#include "json/JTDictionaryEnumerator.h"

namespace jotter {

using foundation::Object;
using foundation::Ref;

Ref<JTDictionaryEnumerator> JTDictionaryEnumerator::initWithJTDictionary(const JTDictionary& dictionary)
{
    return Ref<JTDictionaryEnumerator>::adopt(
        new JTDictionaryEnumerator(Ref<JTDictionary>(const_cast<JTDictionary*>(&dictionary))));
}

Object* JTDictionaryEnumerator::nextObject()
{
    const JTHashTableEntry* table = _JTDictionaryHashEntry(*collection_);
    std::size_t capacity = _JTDictionaryCapacity(*collection_);
    while (nextObject_ < capacity) {
        if (Object* key = table[nextObject_++].key)
            return key;
    }
    return nullptr;
}

} // namespace jotter
