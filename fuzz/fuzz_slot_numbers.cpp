// Numbers held in their containers' slots must not be told apart from
// number objects: every input decodes, with slots and with every number an
// object, to trees that encode to the same text (before and after they are
// read) and that answer the same walk through the object accessors, or
// fails with the same message, offset and line both ways. The first byte
// picks the parse options and, with bit 4, mutable collections; the rest is
// the document.

#include "foundation/objects/Array.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/objects/FastEnumeration.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/String.h"
#include "json/JSONDecoder.h"
#include "json/JTSerializer.h"
#include "json/internal/JTSlotNumbers.h"

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace jotter;
using foundation::Array;
using foundation::Dictionary;
using foundation::Object;
using foundation::Ref;

[[noreturn]] void disagree(const std::string& what)
{
    std::fprintf(stderr, "slot numbers and number objects disagree: %s\n", what.c_str());
    std::abort();
}

struct Outcome {
    Ref<Object> tree;
    Ref<foundation::Error> error;
};

Outcome decode(const char* text, std::size_t length, JTParseOptionFlags options, bool isMutable, bool slots)
{
    jt_setSlotNumbers(slots);
    Outcome outcome;
    Ref<JSONDecoder> decoder = JSONDecoder::decoderWithParseOptions(options);
    outcome.tree = isMutable ? decoder->mutableObjectWithUTF8String(text, length, &outcome.error)
                             : decoder->objectWithUTF8String(text, length, &outcome.error);
    jt_setSlotNumbers(true);
    return outcome;
}

std::string encoded(Object* tree, JTSerializeOptionFlags flags)
{
    Ref<foundation::Error> error;
    Ref<Object> text = JTSerializer::serializeObject(tree, flags, JTEncodeOptionResultString, nullptr, nullptr, {},
        &error);
    return text ? std::string(static_cast<foundation::String&>(*text).utf8())
                : "<error> " + error->localizedDescription();
}

// The same kind and value, compared by the accessors a caller would use;
// containers element by element, in the order each way of reading gives.
void walk(Object* a, Object* b);

void expectSameNumber(const foundation::Number& a, const foundation::Number& b)
{
    if (a.typeCode() != b.typeCode() || a.uint64Value() != b.uint64Value()
        || std::bit_cast<std::uint64_t>(a.doubleValue()) != std::bit_cast<std::uint64_t>(b.doubleValue())
        || a.description() != b.description() || a.hash() != b.hash() || !a.isEqual(b))
        disagree("numbers " + a.description() + " and " + b.description());
}

void walkArrays(const Array& a, const Array& b)
{
    std::size_t count = a.count();
    if (b.count() != count)
        disagree("array counts");
    std::vector<Object*> fetched(count);
    a.getObjects(fetched.data(), {0, count});
    std::size_t index = 0;
    for (Object* element : foundation::FastEnumeration(a)) {
        // The element answers the same object however it is read.
        if (element != fetched[index] || element != a.objectAtIndex(index))
            disagree("an element's identity changed between reads");
        walk(element, b.objectAtIndex(index));
        ++index;
    }
}

void walkDictionaries(const Dictionary& a, const Dictionary& b)
{
    std::size_t count = a.count();
    if (b.count() != count)
        disagree("dictionary counts");
    std::vector<Object*> values(count), keys(count), otherKeys(count);
    a.getObjectsAndKeys(values.data(), keys.data());
    b.getObjectsAndKeys(nullptr, otherKeys.data());
    for (std::size_t index = 0; index < count; ++index) {
        walk(keys[index], otherKeys[index]);
        if (a.objectForKey(keys[index]) != values[index])
            disagree("a value's identity changed between reads");
        walk(values[index], b.objectForKey(keys[index]));
    }
}

void walk(Object* a, Object* b)
{
    if (!a || !b || a->kind() != b->kind())
        disagree("kinds");
    switch (a->kind()) {
    case foundation::Kind::Number:
        expectSameNumber(static_cast<foundation::Number&>(*a), static_cast<foundation::Number&>(*b));
        break;
    case foundation::Kind::Array:
        walkArrays(static_cast<Array&>(*a), static_cast<Array&>(*b));
        break;
    case foundation::Kind::Dictionary:
        walkDictionaries(static_cast<Dictionary&>(*a), static_cast<Dictionary&>(*b));
        break;
    default:
        if (!a->isEqual(*b))
            disagree("values " + a->description() + " and " + b->description());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    if (size == 0)
        return 0;
    const JTParseOptionFlags options = bytes[0] & JTParseOptionMask;
    const bool isMutable = (bytes[0] & 0x10) != 0;
    // libFuzzer's buffer ends where the input does, so a read past the
    // document's end is caught.
    const char* text = reinterpret_cast<const char*>(bytes + 1);
    Outcome held = decode(text, size - 1, options, isMutable, true);
    Outcome boxed = decode(text, size - 1, options, isMutable, false);
    if (!held.tree || !boxed.tree) {
        if (held.tree || boxed.tree)
            disagree("one way decoded, the other failed");
        if (held.error->localizedDescription() != boxed.error->localizedDescription()
            || !held.error->userInfo()->isEqual(*boxed.error->userInfo()))
            disagree("errors " + held.error->localizedDescription() + " and " + boxed.error->localizedDescription());
        return 0;
    }
    // Encoded while the numbers are still in their slots, then again once
    // the walk has made objects of them.
    const JTSerializeOptionFlags forms[] = {JTSerializeOptionNone, JTSerializeOptionPretty};
    std::string texts[2];
    for (int form = 0; form < 2; ++form) {
        texts[form] = encoded(held.tree.get(), forms[form]);
        if (texts[form] != encoded(boxed.tree.get(), forms[form]))
            disagree("encodings before the walk");
    }
    walk(held.tree.get(), boxed.tree.get());
    for (int form = 0; form < 2; ++form) {
        if (encoded(held.tree.get(), forms[form]) != texts[form])
            disagree("encodings after the walk");
    }
    if (held.tree->description() != boxed.tree->description() || !held.tree->isEqual(*boxed.tree))
        disagree("descriptions or equality");
    return 0;
}
