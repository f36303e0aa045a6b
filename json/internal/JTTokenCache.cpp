// The cache that turns string and number tokens into shared objects, so that
// the keys and values a document repeats are made once.
//
// Ageing policy. Every item has an age byte. A miss probes up to four items;
// each occupied item it passes while it still looks for a place has its age
// halved, and so do two items picked by a linear feedback shift register;
// the first empty item, else the first item of age 0, takes the new object.
// A hit adds JTCacheHitAge to its item's age (up to 255), so an item hit
// once withstands five misses passing over it, and one hit again and again
// withstands eight: the keys and values a document keeps repeating stay,
// one-off values make way.

#include "foundation/objects/Null.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/String.h"
#include "json/internal/JTParseState.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <string_view>

namespace jotter {

namespace {

using foundation::Object;
using foundation::Ref;

constexpr std::size_t ProbeCount = 4;
constexpr unsigned JTCacheHitAge = 16;
// Owed references are counted before they could near the count's range.
constexpr std::uint32_t OwedLimit = 1u << 24;

Ref<Object> makeObject(JTParseState& state, const JTTokenValue& value)
{
    switch (value.type) {
    case JTValueTypeString:
        // The scanner has validated the bytes as UTF-8.
        return foundation::String::createUnchecked(
            std::string_view(reinterpret_cast<const char*>(value.bytes.ptr), value.bytes.length));
    case JTValueTypeLongLong:
        return foundation::Number::withSigned(value.number.longLongValue);
    case JTValueTypeUnsignedLongLong:
        if (value.number.unsignedLongLongValue > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return foundation::Number::withUnsigned(value.number.unsignedLongLongValue);
        return foundation::Number::withSigned(static_cast<std::int64_t>(value.number.unsignedLongLongValue));
    case JTValueTypeDouble:
        return foundation::Number::withDouble(value.number.doubleValue);
    default:
        jt_error(state, "Internal error: Unknown token value type. %@ line #%ld", JT_SOURCE_POSITION);
        return nullptr;
    }
}

bool matches(const JTTokenCacheItem& item, const JTTokenValue& value) noexcept
{
    return item.hash == value.hash && item.size == value.bytes.length && item.type == value.type
        && std::memcmp(item.bytes, value.bytes.ptr, value.bytes.length) == 0;
}

// Counts the references the item's object is owed, so that it can be
// released.
void settleItem(JTTokenCacheItem& item) noexcept
{
    if (item.owed) {
        item.object->retain(item.owed);
        item.owed = 0;
    }
}

void emptyItem(JTTokenCacheItem& item) noexcept
{
    if (item.object) {
        settleItem(item);
        item.object->release();
    }
    item = {};
}

// Puts the object in the item; the item matches by the object's own bytes
// (a string) or by a copy of the number's 8.
void fillItem(JTTokenCacheItem& item, Object& object, const JTTokenValue& value) noexcept
{
    if (item.object) {
        settleItem(item);
        item.object->release();
    }
    object.retain();
    item.object = &object;
    item.owed = 0;
    item.hash = value.hash;
    item.cfHash = 0;
    item.size = value.bytes.length;
    item.type = value.type;
    if (value.type == JTValueTypeString) {
        item.bytes = reinterpret_cast<const unsigned char*>(static_cast<foundation::String&>(object).utf8().data());
    } else {
        std::memcpy(item.numberBytes, value.bytes.ptr, sizeof item.numberBytes);
        item.bytes = item.numberBytes;
    }
}

} // namespace

void jt_cache_age(JTParseState& state) noexcept
{
    std::uint32_t x = state.cache.prng_lfsr;
    x = (x >> 1) ^ ((x & 1) ? 0x80200003u : 0u);
    state.cache.prng_lfsr = x;
    state.cache.age[x % JTTokenCacheItems] >>= 1;
}

Object* jt_cachedObjects(JTParseState& state)
{
    JTTokenValue& value = state.token.value;
    value.cacheEntry = nullptr;
    if (value.type == JTValueTypeString && value.bytes.length == 0)
        return Ref<Object>(foundation::String::empty()).leak();

    JTTokenCache& cache = state.cache;
    std::size_t step = value.bytes.length + value.type + 3;
    JTTokenCacheItem* place = nullptr;
    std::size_t placeIndex = 0;
    for (std::size_t probe = 0; probe < ProbeCount; ++probe) {
        std::size_t index = (value.hash + probe * step) % JTTokenCacheItems;
        JTTokenCacheItem& item = cache.items[index];
        if (!item.object) {
            place = &item;
            placeIndex = index;
            break;
        }
        if (matches(item, value)) [[likely]] {
            cache.age[index] = static_cast<std::uint8_t>(std::min(255u, cache.age[index] + JTCacheHitAge));
            value.cacheEntry = &item;
            cache.owing[index / 64] |= std::uint64_t(1) << (index % 64);
            if (++item.owed == OwedLimit) [[unlikely]]
                settleItem(item);
            return item.object;
        }
        if (place)
            continue;
        if (cache.age[index] == 0) {
            place = &item;
            placeIndex = index;
        } else {
            cache.age[index] >>= 1;
            jt_cache_age(state);
            jt_cache_age(state);
        }
    }

    Ref<Object> object = makeObject(state, value);
    if (object && place) {
        fillItem(*place, *object, value);
        cache.age[placeIndex] = 0;
        value.cacheEntry = place;
    }
    return object.leak();
}

void jt_settleOwedReferences(JTParseState& state) noexcept
{
    JTTokenCache& cache = state.cache;
    for (std::size_t word = 0; word < std::size(cache.owing); ++word) {
        for (std::uint64_t bits = cache.owing[word]; bits; bits &= bits - 1)
            settleItem(cache.items[word * 64 + static_cast<std::size_t>(std::countr_zero(bits))]);
        cache.owing[word] = 0;
    }
    JTOwedSingletons& singletons = state.owedSingletons;
    if (singletons.trueValue)
        foundation::Number::trueValue()->retain(singletons.trueValue);
    if (singletons.falseValue)
        foundation::Number::falseValue()->retain(singletons.falseValue);
    if (singletons.null)
        foundation::Null::null()->retain(singletons.null);
    singletons = {};
}

void jt_cache_clear(JTTokenCache& cache) noexcept
{
    for (std::size_t index = 0; index < cache.count; ++index) {
        emptyItem(cache.items[index]);
        cache.age[index] = 0;
    }
}

} // namespace jotter
