#pragma once

#include "foundation/objects/Exception.h"
#include "foundation/objects/Object.h"
#include "json/JTArray.h"
#include "json/JTDictionary.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

using namespace jotter;

// A key or value with a chosen hash that counts its live instances, so a
// test can see that a collection released everything it held. Equal ids are
// equal objects.
class Tracked final : public foundation::Object {
public:
    static foundation::Ref<Tracked> create(int id, std::uint64_t hash = 0)
    {
        return foundation::Ref<Tracked>::adopt(new Tracked(id, hash));
    }
    static int live() noexcept { return live_; }

    int id() const noexcept { return id_; }
    bool isEqual(const foundation::Object& other) const override
    {
        auto* tracked = dynamic_cast<const Tracked*>(&other);
        return tracked && tracked->id_ == id_;
    }
    std::uint64_t hash() const override { return hash_; }
    std::string description() const override { return "T" + std::to_string(id_); }
    const char* className() const override { return "Tracked"; }

private:
    Tracked(int id, std::uint64_t hash) noexcept : id_(id), hash_(hash) { ++live_; }
    ~Tracked() override { --live_; }

    inline static int live_ = 0;
    int id_;
    std::uint64_t hash_;
};

// Checks after every test that no Tracked object outlived its collections.
class CollectionTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(Tracked::live(), 0) << "a key or value leaked"; }
};

// Hands the references over to the factory, as the decoder does.
inline foundation::Ref<JTArray> makeArray(std::vector<foundation::Ref<foundation::Object>> elements, bool isMutable)
{
    std::vector<JTSlot> owned;
    for (auto& element : elements)
        owned.push_back(JTSlot::fromObject(element.leak()));
    return _JTArrayCreate(owned.data(), owned.size(), isMutable);
}

using TrackedPair = std::pair<foundation::Ref<foundation::Object>, foundation::Ref<foundation::Object>>;

inline foundation::Ref<JTDictionary> makeDictionary(std::vector<TrackedPair> pairs, bool isMutable)
{
    std::vector<foundation::Object*> keys;
    std::vector<std::uint64_t> hashes;
    std::vector<JTSlot> values;
    for (auto& [key, value] : pairs) {
        hashes.push_back(key->hash());
        keys.push_back(key.leak());
        values.push_back(JTSlot::fromObject(value.leak()));
    }
    return _JTDictionaryCreate(keys.data(), hashes.data(), values.data(), keys.size(), isMutable);
}

// A pair of Tracked objects: key `id` with `hash`, value 1000 + id.
inline TrackedPair trackedPair(int id, std::uint64_t hash)
{
    return {Tracked::create(id, hash), Tracked::create(1000 + id)};
}

inline int trackedId(const foundation::Object* object)
{
    auto* tracked = dynamic_cast<const Tracked*>(object);
    return tracked ? tracked->id() : -1;
}

// "<name> <reason>" of the exception the body raises.
inline std::string raised(const std::function<void()>& body)
{
    try {
        body();
    } catch (const foundation::Exception& exception) {
        return exception.name() + " " + exception.reason();
    }
    return "<nothing raised>";
}

} // namespace testsupport
