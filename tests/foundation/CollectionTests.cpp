#include "foundation/objects/Array.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Exception.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/String.h"
#include "support/Raises.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

using namespace foundation;
using testsupport::raises;
using testsupport::Reason;

namespace {

} // namespace

TEST(Collections, RefusedOperationsRaiseWithPlatformNamesAndReasons)
{
    Ref<MutableArray> array = MutableArray::create();
    array->addObject(str("a").get());
    Ref<MutableDictionary> dictionary = MutableDictionary::create();
    Object* buffer[1];
    const std::tuple<std::function<void()>, const char*, const char*> cases[] = {
        {[&] { array->objectAtIndex(1); }, "NSRangeException", "*** -[NSMutableArray objectAtIndex:]: index (1) beyond bounds (1)"},
        {[&] { array->insertObject(str("b").get(), 2); },
         "NSRangeException", "*** -[NSMutableArray insertObject:atIndex:]: index (2) beyond bounds (2)"},
        {[&] { array->addObject(nullptr); }, "NSInvalidArgumentException", "*** -[NSMutableArray insertObject:atIndex:]: attempt to insert nil"},
        {[&] { array->getObjects(buffer, {1, 1}); }, "NSRangeException", "*** -[NSMutableArray getObjects:range:]: index (2) beyond bounds (1)"},
        {[&] { array->getObjects(nullptr, {0, 1}); },
         "NSRangeException", "*** -[NSMutableArray getObjects:range:]: pointer to objects array is NULL but range length is 1"},
        {[&] { dictionary->setObject(nullptr, "k"); },
         "NSInvalidArgumentException", "*** -[NSMutableDictionary setObject:forKey:]: attempt to insert nil value (key: k)"},
        {[&] { dictionary->removeObjectForKey(nullptr); },
         "NSInvalidArgumentException", "*** -[NSMutableDictionary removeObjectForKey:]: attempt to remove nil key"},
    };
    for (const auto& [action, name, reason] : cases)
        EXPECT_TRUE(raises(action, name, reason));
}

TEST(Arrays, CopiesAreIndependentOfTheOriginal)
{
    Ref<Array> array = Array::create({str("a").get()});
    Ref<MutableArray> mutableArray = array->mutableCopy();
    mutableArray->addObject(str("b").get());
    Ref<Object> frozen = mutableArray->copy();
    mutableArray->removeObjectAtIndex(0);
    EXPECT_EQ(array->description(), "(\n    a\n)");
    EXPECT_EQ(frozen->description(), "(\n    a,\n    b\n)");
}

TEST(Dictionaries, KeysAreCopiedComparedByValueAndReplaced)
{
    Ref<MutableDictionary> dictionary = MutableDictionary::create();
    dictionary->setObject(Number::withSigned(1).get(), "key");
    dictionary->setObject(Number::withSigned(2).get(), Number::withDouble(1.0).get());
    dictionary->setObject(Number::withSigned(3).get(), Number::withSigned(1).get());  // equal to 1.0: replaces
    EXPECT_EQ(dictionary->count(), 2u);
    EXPECT_TRUE(equal(dictionary->objectForKey(Number::withUnsigned(1).get()), Number::withSigned(3).get()));
    EXPECT_TRUE(equal(dictionary->objectForKey("key"), Number::withSigned(1).get()));
    EXPECT_EQ(dictionary->objectForKey(static_cast<const Object*>(nullptr)), nullptr);
    dictionary->removeObjectForKey(str("key").get());
    EXPECT_EQ(dictionary->objectForKey("key"), nullptr);
}

TEST(FastEnumeration, WalksEveryBatchOfAnArrayInOrder)
{
    std::vector<Ref<Object>> numbers;
    for (int i = 0; i < 100; ++i)
        numbers.push_back(Number::withSigned(i));
    Ref<Array> array = Array::create(numbers);
    Ref<Array> empty = Array::create({});
    int expected = 0;
    for (Object* element : FastEnumeration(*array))
        EXPECT_EQ(static_cast<Number*>(element)->int64Value(), expected++);
    EXPECT_EQ(expected, 100);
    for (Object* element : FastEnumeration(*empty))
        ADD_FAILURE() << element;
}

TEST(FastEnumeration, WalksEveryDictionaryKeyOnce)
{
    Ref<MutableDictionary> dictionary = MutableDictionary::create();
    for (int i = 0; i < 100; ++i)
        dictionary->setObject(Number::withSigned(i * 10).get(), Number::withSigned(i).get());
    std::set<std::int64_t> keys;
    for (Object* key : FastEnumeration(*dictionary))
        keys.insert(static_cast<Number*>(key)->int64Value());
    EXPECT_EQ(keys.size(), 100u);
    std::vector<Object*> objects(100), keyed(100);
    dictionary->getObjectsAndKeys(objects.data(), keyed.data());
    for (std::size_t i = 0; i < 100; ++i)
        EXPECT_EQ(dictionary->objectForKey(keyed[i]), objects[i]);
}

TEST(FastEnumeration, MutationDuringTheWalkRaises)
{
    Ref<MutableArray> array = MutableArray::create();
    Ref<MutableDictionary> dictionary = MutableDictionary::create();
    for (int i = 0; i < 40; ++i) {
        array->addObject(Number::withSigned(i).get());
        dictionary->setObject(str("v").get(), Number::withSigned(i).get());
    }
    EXPECT_TRUE(raises(
        [&] {
            for (Object* element : FastEnumeration(*array)) {
                if (static_cast<Number*>(element)->int64Value() == 20)
                    array->addObject(element);
            }
        },
        ExceptionName::Generic, "*** Collection <NSMutableArray: ", Reason::Start));
    EXPECT_TRUE(raises(
        [&] {
            for (Object* key : FastEnumeration(*dictionary))
                dictionary->removeObjectForKey(key);
        },
        ExceptionName::Generic, "*** Collection <NSMutableDictionary: ", Reason::Start));
}

namespace {

class Echo final : public Object {
public:
    const OperationTable& operations() const override
    {
        static const OperationTable table(&Object::operations(), {
            {"echo:", [](Object&, Object* argument) -> Ref<Object> { return Ref(argument); }},
        });
        return table;
    }
};

} // namespace

TEST(OperationsByName, AnsweredThroughTheTable)
{
    Ref<Echo> echo = Ref<Echo>::adopt(new Echo);
    EXPECT_TRUE(echo->respondsToSelector("echo:"));
    EXPECT_FALSE(echo->respondsToSelector("wave:"));
    Ref<String> world = str("world");
    EXPECT_EQ(echo->perform("echo:", world.get()).get(), world.get());
}

TEST(OperationsByName, AnUnknownNameRaises)
{
    Ref<Echo> echo = Ref<Echo>::adopt(new Echo);
    EXPECT_TRUE(raises([&] { echo->perform("wave:"); }, ExceptionName::InvalidArgument,
                       "-[NSObject wave:]: unrecognized selector sent to instance", Reason::Start));
}
