#include "CollectionHelpers.h"

#include "support/Raises.h"

#include "foundation/objects/FastEnumeration.h"

using namespace jotter;
using namespace testsupport;
using foundation::Object;
using foundation::Ref;

namespace {

using JTCollectionContractTest = CollectionTest;

} // namespace

TEST_F(JTCollectionContractTest, RefusedCallsRaiseWithThePlatformNamesAndReasons)
{
    Ref<JTArray> immutableArray = makeArray({Tracked::create(1)}, false);
    Ref<JTArray> array = makeArray({Tracked::create(1)}, true);
    Ref<JTDictionary> immutableDictionary = makeDictionary({trackedPair(1, 1)}, false);
    Ref<JTDictionary> dictionary = makeDictionary({}, true);
    Ref<Tracked> element = Tracked::create(2);
    Object* buffer[2];
    const std::tuple<std::function<void()>, const char*, const char*> cases[] = {
        {[] { JTArray::create(); },
         "NSInvalidArgumentException", "*** - [JTArray allocWithZone:]: The JTArray class is private to Jotter and "
         "should not be used in this fashion."},
        {[] { JTDictionary::create(); },
         "NSInvalidArgumentException", "*** - [JTDictionary allocWithZone:]: The JTDictionary class is private to "
         "Jotter and should not be used in this fashion."},
        {[&] { immutableArray->insertObject(nullptr, 7); },
         "NSInternalInconsistencyException", "*** -[JTArray insertObject:atIndex:]: mutating method sent to immutable object"},
        {[&] { immutableArray->removeObjectAtIndex(0); },
         "NSInternalInconsistencyException", "*** -[JTArray removeObjectAtIndex:]: mutating method sent to immutable object"},
        {[&] { immutableArray->replaceObjectAtIndex(0, element.get()); },
         "NSInternalInconsistencyException", "*** -[JTArray replaceObjectAtIndex:withObject:]: mutating method sent to "
         "immutable object"},
        {[&] { immutableDictionary->setObject(nullptr, nullptr); },
         "NSInternalInconsistencyException", "*** -[JTDictionary setObject:forKey:]: mutating method sent to immutable object"},
        {[&] { immutableDictionary->removeObjectForKey(element.get()); },
         "NSInternalInconsistencyException", "*** -[JTDictionary removeObjectForKey:]: mutating method sent to immutable object"},
        {[&] { array->insertObject(nullptr, 7); },
         "NSInvalidArgumentException", "*** -[JTArray insertObject:atIndex:]: attempt to insert nil"},
        {[&] { array->replaceObjectAtIndex(7, nullptr); },
         "NSInvalidArgumentException", "*** -[JTArray replaceObjectAtIndex:withObject:]: attempt to insert nil"},
        {[&] { array->insertObject(element.get(), 2); },
         "NSRangeException", "*** -[JTArray insertObject:atIndex:]: index (2) beyond bounds (2)"},
        {[&] { array->objectAtIndex(1); }, "NSRangeException", "*** -[JTArray objectAtIndex:]: index (1) beyond bounds (1)"},
        {[&] { array->removeObjectAtIndex(1); },
         "NSRangeException", "*** -[JTArray removeObjectAtIndex:]: index (1) beyond bounds (1)"},
        {[&] { array->replaceObjectAtIndex(1, element.get()); },
         "NSRangeException", "*** -[JTArray replaceObjectAtIndex:withObject:]: index (1) beyond bounds (1)"},
        {[&] { array->getObjects(nullptr, {0, 1}); },
         "NSRangeException", "*** -[JTArray getObjects:range:]: pointer to objects array is NULL but range length is 1"},
        {[&] { array->getObjects(buffer, {1, 1}); },
         "NSRangeException", "*** -[JTArray getObjects:range:]: index (2) beyond bounds (1)"},
        {[&] { dictionary->setObject(element.get(), nullptr); },
         "NSInvalidArgumentException", "*** -[JTDictionary setObject:forKey:]: attempt to insert nil key"},
        {[&] { dictionary->setObject(nullptr, element.get()); },
         "NSInvalidArgumentException", "*** -[JTDictionary setObject:forKey:]: attempt to insert nil value (key: T2)"},
        {[&] { dictionary->removeObjectForKey(nullptr); },
         "NSInvalidArgumentException", "*** -[JTDictionary removeObjectForKey:]: attempt to remove nil key"},
    };
    for (const auto& [body, name, reason] : cases)
        EXPECT_TRUE(raises(body, name, reason));
    EXPECT_EQ(array->count(), 1u);
    EXPECT_EQ(dictionary->count(), 0u);
}

TEST_F(JTCollectionContractTest, AnImmutableCollectionIsItsOwnCopyAndEveryOtherCopyIsAPlainCollection)
{
    Ref<JTArray> immutableArray = makeArray({Tracked::create(1)}, false);
    Ref<JTArray> array = makeArray({Tracked::create(1)}, true);
    Ref<JTDictionary> immutableDictionary = makeDictionary({trackedPair(1, 1)}, false);
    Ref<JTDictionary> dictionary = makeDictionary({trackedPair(1, 1)}, true);

    EXPECT_EQ(immutableArray->copy().get(), immutableArray.get());
    EXPECT_EQ(immutableDictionary->copy().get(), immutableDictionary.get());
    EXPECT_STREQ(array->copy()->className(), "NSArray");
    EXPECT_STREQ(dictionary->copy()->className(), "NSDictionary");
    EXPECT_TRUE(array->copy()->isEqual(*array));
    EXPECT_TRUE(dictionary->copy()->isEqual(*dictionary));
    for (const foundation::Array* source : {immutableArray.get(), array.get()})
        EXPECT_STREQ(source->mutableCopy()->className(), "NSMutableArray");
    for (const foundation::Dictionary* source : {immutableDictionary.get(), dictionary.get()})
        EXPECT_STREQ(source->mutableCopy()->className(), "NSMutableDictionary");
}

TEST_F(JTCollectionContractTest, MutationDuringFastEnumerationIsDetected)
{
    Ref<JTArray> array = makeArray({Tracked::create(1), Tracked::create(2)}, true);
    Ref<JTDictionary> dictionary = makeDictionary({trackedPair(1, 1), trackedPair(2, 2)}, true);
    EXPECT_TRUE(raises(
        [&] {
            for (Object* element : foundation::FastEnumeration(*array)) {
                (void)element;
                array->removeObjectAtIndex(0);
            }
        },
        foundation::ExceptionName::Generic, "*** Collection <JTArray: ", Reason::Start));
    EXPECT_TRUE(raises(
        [&] {
            for (Object* key : foundation::FastEnumeration(*dictionary))
                dictionary->removeObjectForKey(key);
        },
        foundation::ExceptionName::Generic, "*** Collection <JTDictionary: ", Reason::Start));
}

TEST_F(JTCollectionContractTest, TheMutationCounterWrapsFromItsLargestValueToOneAndStaysZeroWhenImmutable)
{
    Ref<JTArray> immutableArray = makeArray({Tracked::create(1)}, false);
    Ref<JTArray> array = makeArray({Tracked::create(1)}, true);
    Ref<JTDictionary> dictionary = makeDictionary({}, true);
    Object* buffer[1];

    foundation::FastEnumerationState immutableState;
    immutableArray->countByEnumerating(immutableState, buffer, 1);
    EXPECT_EQ(*immutableState.mutationsPtr, 0ul);

    // The enumeration protocol hands out the counter itself.
    foundation::FastEnumerationState arrayState;
    array->countByEnumerating(arrayState, buffer, 1);
    EXPECT_EQ(*arrayState.mutationsPtr, 1ul);
    *arrayState.mutationsPtr = ~0ul;
    array->replaceObjectAtIndex(0, Tracked::create(2).get());
    EXPECT_EQ(*arrayState.mutationsPtr, 1ul);

    foundation::FastEnumerationState dictionaryState;
    dictionary->countByEnumerating(dictionaryState, buffer, 1);
    *dictionaryState.mutationsPtr = ~0ul;
    dictionary->removeObjectForKey(Tracked::create(9).get());  // absent: no mutation
    EXPECT_EQ(*dictionaryState.mutationsPtr, ~0ul);
    dictionary->setObject(Tracked::create(2).get(), Tracked::create(1).get());
    EXPECT_EQ(*dictionaryState.mutationsPtr, 1ul);
}
