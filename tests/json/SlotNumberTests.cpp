// Decoded numbers held in their containers' slots: callers see the same
// objects, texts, equality and reference counts as when every number is an
// object, and the encoder writes the held numbers without making objects.

#include "CollectionHelpers.h"
#include "DecodingHelpers.h"

#include "foundation/objects/FastEnumeration.h"
#include "json/JTArray.h"
#include "json/JTDictionary.h"
#include "json/internal/JTSlotNumbers.h"

#include <string>
#include <vector>

namespace testsupport {

using namespace jotter;

namespace {

using foundation::Array;
using foundation::Dictionary;
using foundation::Number;
using foundation::Object;
using foundation::Ref;

// Decodes with every number made an object, as the decoder did before
// numbers had slots, and restores the switch however the test ends.
class SlotNumbersOff {
public:
    SlotNumbersOff() { jt_setSlotNumbers(false); }
    ~SlotNumbersOff() { jt_setSlotNumbers(true); }
    SlotNumbersOff(const SlotNumbersOff&) = delete;
    SlotNumbersOff& operator=(const SlotNumbersOff&) = delete;
};

Ref<Object> decodedWithoutSlots(std::string_view text)
{
    SlotNumbersOff off;
    return decoded(text);
}

Ref<Object> decodedMutable(std::string_view text)
{
    return JSONDecoder::decoder()->mutableObjectWithUTF8String(text.data(), text.size());
}

const JTArray& jtArray(const Ref<Object>& tree)
{
    return static_cast<const JTArray&>(*tree);
}

// Whether each slot still holds its number in place.
std::vector<bool> immediates(const JTArray& array)
{
    std::vector<bool> held;
    for (std::size_t i = 0; i < array.count(); ++i)
        held.push_back(_JTArraySlots(array)[i].isImmediate());
    return held;
}

bool valueIsImmediate(const JTDictionary& dictionary, std::string_view key)
{
    const JTHashTableEntry* table = _JTDictionaryHashEntry(dictionary);
    for (std::size_t slot = 0; slot < _JTDictionaryCapacity(dictionary); ++slot) {
        if (table[slot].key && static_cast<foundation::String*>(table[slot].key)->utf8() == key)
            return table[slot].value.isImmediate();
    }
    ADD_FAILURE() << "no key " << key;
    return false;
}

constexpr std::string_view MixedNumbers =
    R"([0, -0, 0.0, -0.0, 1, -1, 1.0, 4611686018427387903, 4611686018427387904, -4611686018427387904,
        -4611686018427387905, 9223372036854775807, 18446744073709551615, 0.1, 1e22, 1e77, 1e78, 1e-76, 1e-77,
        5e-324, 1.7976931348623157e308, -65.613616999999977, 100.0, 1500.0])";

TEST(SlotNumbers, OnlyTheNumbersThatFitAreHeldInTheirSlots)
{
    Ref<Object> tree = decoded(MixedNumbers);
    EXPECT_EQ(immediates(jtArray(tree)),
        (std::vector<bool>{true, true, true, true, true, true, true, true, false, true, false, false, false, true,
            true, true, false, true, false, false, false, true, true, true}));
}

TEST(SlotNumbers, HeldNumbersReadOutAsTheObjectsTheCacheWouldMake)
{
    Ref<Object> held = decoded(MixedNumbers);
    Ref<Object> boxed = decodedWithoutSlots(MixedNumbers);
    const auto& a = static_cast<const Array&>(*held);
    const auto& b = static_cast<const Array&>(*boxed);
    ASSERT_EQ(a.count(), b.count());
    for (std::size_t i = 0; i < a.count(); ++i) {
        const auto& x = static_cast<const Number&>(*a.objectAtIndex(i));
        const auto& y = static_cast<const Number&>(*b.objectAtIndex(i));
        EXPECT_EQ(x.typeCode(), y.typeCode()) << i;
        EXPECT_EQ(x.uint64Value(), y.uint64Value()) << i;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(x.doubleValue()), std::bit_cast<std::uint64_t>(y.doubleValue())) << i;
        EXPECT_EQ(x.description(), y.description()) << i;
        EXPECT_TRUE(x.isEqual(y)) << i;
        EXPECT_EQ(x.hash(), y.hash()) << i;
    }
}

TEST(SlotNumbers, DescriptionsAndEncodingsMatchTheTreeOfObjects)
{
    const std::string document =
        R"({"a": [1, 2.5, -0.0, "x", {"n": 7, "d": 1e-5}], "big": 18446744073709551615, "t": true, "z": null})";
    Ref<Object> held = decoded(document);
    Ref<Object> boxed = decodedWithoutSlots(document);
    EXPECT_EQ(jsonText(held.get()), jsonText(boxed.get()));
    EXPECT_EQ(jsonText(held.get(), JTSerializeOptionPretty), jsonText(boxed.get(), JTSerializeOptionPretty));
    EXPECT_EQ(recoded("[1, 2.5, -0.0, 1e-5, 100.0, -4611686018427387904, 1e77]"),
        "[1,2.5,-0,1.0000000000000001e-05,100,-4611686018427387904,9.9999999999999998e+76]");
    EXPECT_EQ(held->description(), boxed->description());
    EXPECT_TRUE(held->isEqual(*boxed));
    EXPECT_TRUE(boxed->isEqual(*held));
}

// The encoder copies the text of a number it has written before, keyed by
// the slot's word as an object's text is keyed by its address.
TEST(SlotNumbers, RepeatedHeldNumbersEncodeAsTheirFirstText)
{
    EXPECT_EQ(recoded(R"([123456789, 0, 1, 123456789, 0.5, 8, 0.5, 0, 9, 1, -0.0, 0.0, -0.0])"),
        "[123456789,0,1,123456789,0.5,8,0.5,0,9,1,-0,0,-0]");
    EXPECT_EQ(recoded("[7, 7.0, 7, 7.0, 7.5, 7]"), "[7,7,7,7,7.5,7]");
}

TEST(SlotNumbers, AnIntegerAndADoubleOfTheSameValueCompareAsThePlatformsNumbersDo)
{
    Ref<Object> tree = decoded("[1, 1.0, 2, 2.5]");
    const auto& array = static_cast<const Array&>(*tree);
    EXPECT_TRUE(array.objectAtIndex(0)->isEqual(*array.objectAtIndex(1)));
    EXPECT_EQ(array.objectAtIndex(0)->hash(), array.objectAtIndex(1)->hash());
    EXPECT_TRUE(array.objectAtIndex(0)->isEqual(*Number::withDouble(1.0)));
    EXPECT_FALSE(array.objectAtIndex(2)->isEqual(*array.objectAtIndex(3)));
    EXPECT_TRUE(decoded("[1]")->isEqual(*decodedWithoutSlots("[1.0]")));
}

TEST(SlotNumbers, EveryWayOfReadingAnElementAnswersTheSameObject)
{
    Ref<Object> tree = decoded("[3, 4.5, 6]");
    const auto& array = static_cast<const Array&>(*tree);
    Object* first = array.objectAtIndex(0);
    EXPECT_EQ(array.objectAtIndex(0), first);
    Object* fetched[3] = {};
    array.getObjects(fetched, {0, 3});
    EXPECT_EQ(fetched[0], first);
    std::vector<Object*> enumerated;
    for (Object* element : foundation::FastEnumeration(array))
        enumerated.push_back(element);
    EXPECT_EQ(enumerated, (std::vector<Object*>{fetched[0], fetched[1], fetched[2]}));
    EXPECT_EQ(array.objectAtIndex(1), fetched[1]);
    EXPECT_EQ(immediates(jtArray(tree)), (std::vector<bool>{false, false, false}));

    Ref<Object> object = decoded(R"({"n": 8, "d": 0.25})");
    const auto& dictionary = static_cast<const Dictionary&>(*object);
    Object* n = dictionary.objectForKey("n");
    EXPECT_EQ(dictionary.objectForKey("n"), n);
    Object* values[2] = {};
    Object* keys[2] = {};
    dictionary.getObjectsAndKeys(values, keys);
    EXPECT_TRUE(values[0] == n || values[1] == n);
    EXPECT_EQ(dictionary.objectForKey("d"), values[0] == n ? values[1] : values[0]);
}

TEST(SlotNumbers, ABoxedElementIsOwnedOnceByItsContainer)
{
    Ref<Object> tree = decoded(R"([12, {"k": 13.5}])");
    const auto& array = static_cast<const Array&>(*tree);
    Ref<Object> twelve(array.objectAtIndex(0));
    Ref<Object> thirteen(static_cast<const Dictionary&>(*array.objectAtIndex(1)).objectForKey("k"));
    EXPECT_EQ(twelve->refCount(), 2u);  // the array's and ours
    EXPECT_EQ(thirteen->refCount(), 2u);
    tree = nullptr;
    EXPECT_EQ(twelve->refCount(), 1u);
    EXPECT_EQ(thirteen->refCount(), 1u);
    EXPECT_EQ(static_cast<const Number&>(*twelve).int64Value(), 12);
}

TEST(SlotNumbers, EncodingMakesNoObjects)
{
    for (JTSerializeOptionFlags flags : {JTSerializeOptionNone, JTSerializeOptionPretty}) {
        Ref<Object> tree = decoded(R"([1, 2.5, {"n": 3, "d": -0.0}])");
        Ref<Object> changing = decodedMutable(R"([1, 2.5, {"n": 3, "d": -0.0}])");
        for (const Ref<Object>& root : {tree, changing}) {
            jsonText(root.get(), flags);
            const auto& array = static_cast<const JTArray&>(*root);
            EXPECT_EQ(immediates(array), (std::vector<bool>{true, true, false})) << flags;
            const auto& inner = static_cast<const JTDictionary&>(*_JTArraySlots(array)[2].object());
            EXPECT_TRUE(valueIsImmediate(inner, "n"));
            EXPECT_TRUE(valueIsImmediate(inner, "d"));
        }
    }
}

TEST(SlotNumbers, MutableArraysInsertReplaceAndRemoveBesideHeldNumbers)
{
    Ref<Object> tree = decodedMutable(R"([1, 2.5, "x", 3])");
    auto& array = static_cast<JTArray&>(*tree);
    Ref<Tracked> inserted = Tracked::create(1);
    Ref<Tracked> replacement = Tracked::create(2);
    array.insertObject(inserted.get(), 1);       // [1, T1, 2.5, "x", 3]
    array.removeObjectAtIndex(0);                // [T1, 2.5, "x", 3]
    array.replaceObjectAtIndex(3, replacement.get());  // [T1, 2.5, "x", T2]
    array.insertObject(Number::withSigned(9).get(), 4);  // [T1, 2.5, "x", T2, 9]
    EXPECT_EQ(immediates(array), (std::vector<bool>{false, true, false, false, false}));
    EXPECT_EQ(array.description(), "(\n    T1,\n    2.5,\n    x,\n    T2,\n    9\n)");
    EXPECT_EQ(inserted->refCount(), 2u);
    EXPECT_EQ(replacement->refCount(), 2u);
    array.removeObjectAtIndex(0);
    array.removeObjectAtIndex(2);
    EXPECT_EQ(inserted->refCount(), 1u);
    EXPECT_EQ(replacement->refCount(), 1u);
    EXPECT_EQ(jsonText(tree.get()), R"([2.5,"x",9])");
}

TEST(SlotNumbers, MutableDictionariesSetAndRemoveBesideHeldNumbers)
{
    Ref<Object> tree = decodedMutable(R"({"a": 1, "b": 2.5, "c": 3})");
    auto& dictionary = static_cast<JTDictionary&>(*tree);
    Ref<Tracked> value = Tracked::create(7);
    dictionary.setObject(value.get(), "a");
    dictionary.removeObjectForKey(foundation::str("b").get());
    EXPECT_EQ(value->refCount(), 2u);
    EXPECT_TRUE(valueIsImmediate(dictionary, "c"));
    EXPECT_EQ(dictionary.count(), 2u);
    EXPECT_EQ(static_cast<const Number*>(dictionary.objectForKey("c"))->int64Value(), 3);
    dictionary.setObject(Number::withDouble(0.5).get(), "c");
    EXPECT_EQ(dictionary.description(), "{\n    a = T7;\n    c = 0.5;\n}");
    tree = nullptr;
    EXPECT_EQ(value->refCount(), 1u);
}

TEST(SlotNumbers, CopiesHoldTheSameNumberObjects)
{
    Ref<Object> tree = decoded("[5, 6.5]");
    const auto& array = static_cast<const Array&>(*tree);
    EXPECT_EQ(array.copy().get(), tree.get());
    Ref<foundation::MutableArray> copy = array.mutableCopy();
    ASSERT_EQ(copy->count(), 2u);
    EXPECT_EQ(copy->objectAtIndex(0), array.objectAtIndex(0));
    EXPECT_EQ(copy->objectAtIndex(1), array.objectAtIndex(1));
    EXPECT_EQ(array.objectAtIndex(0)->refCount(), 2u);  // the tree's and the copy's

    Ref<Object> changing = decodedMutable(R"({"k": 7})");
    Ref<Object> frozen = changing->copy();
    EXPECT_NE(frozen.get(), changing.get());
    EXPECT_EQ(static_cast<const Dictionary&>(*frozen).objectForKey("k"),
        static_cast<const Dictionary&>(*changing).objectForKey("k"));
    EXPECT_EQ(jsonText(frozen.get()), R"({"k":7})");
}

TEST(SlotNumbers, AFormatterThatChangesTheArrayBeingEncodedIsRefused)
{
    Ref<Object> tree = decodedMutable("[1, 2, 3]");
    auto& array = static_cast<JTArray&>(*tree);
    array.insertObject(Tracked::create(1).get(), 1);
    FormatterBlock shrink = [&](Object*) {
        array.removeObjectAtIndex(array.count() - 1);
        return Ref<Object>(foundation::str("gone"));
    };
    EXPECT_EQ(raised([&] { jsonText(tree.get(), JTSerializeOptionNone, JTEncodeOptionResultData, &shrink); })
                  .rfind("NSGenericException *** Collection <JTArray: ", 0),
        0u);
}

} // namespace
} // namespace testsupport
