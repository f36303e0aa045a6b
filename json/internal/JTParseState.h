#pragma once

// The working state a decoder owns and the token-level operations on it: the
// tokenizer, the string and number scanners, the value cache and the
// recording of errors. Library-internal; JSONDecoder drives them one token
// at a time.
//
// Every operation returning bool answers true on success and false after
// recording an error with jt_error; the first recorded error of a parse is
// the one the caller sees.

#include "foundation/objects/Error.h"
#include "foundation/objects/Format.h"
#include "json/internal/JTManagedBuffer.h"
#include "json/JTParseOptions.h"
#include "json/JTSlot.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace jotter {

// A run of bytes the state reads but does not own.
struct JTConstPtrRange {
    const unsigned char* ptr = nullptr;
    std::size_t length = 0;
};

enum JTTokenType : std::uint8_t {
    JTTokenTypeInvalid = 0,
    JTTokenTypeNumber = 1,
    JTTokenTypeString = 2,
    JTTokenTypeObjectBegin = 3,
    JTTokenTypeObjectEnd = 4,
    JTTokenTypeArrayBegin = 5,
    JTTokenTypeArrayEnd = 6,
    JTTokenTypeSeparator = 7,  // the colon
    JTTokenTypeComma = 8,
    JTTokenTypeTrue = 9,
    JTTokenTypeFalse = 10,
    JTTokenTypeNull = 11,
};

// Whether a token of this type starts a value: one test of a bit set, as
// the readers ask it for every token.
constexpr bool jt_tokenStartsValue(JTTokenType type) noexcept
{
    constexpr unsigned valueStarts = (1u << JTTokenTypeNumber) | (1u << JTTokenTypeString)
        | (1u << JTTokenTypeObjectBegin) | (1u << JTTokenTypeArrayBegin) | (1u << JTTokenTypeTrue)
        | (1u << JTTokenTypeFalse) | (1u << JTTokenTypeNull);
    return type < 32 && ((valueStarts >> type) & 1) != 0;
}

enum JTValueType : std::uint8_t {
    JTValueTypeInvalid = 0,
    JTValueTypeString = 5,
    JTValueTypeLongLong = 7,
    JTValueTypeUnsignedLongLong = 11,
    JTValueTypeDouble = 13,
};

struct JTTokenCacheItem;

// The value of a string or number token. `bytes` is a string's decoded UTF-8
// content (in the input, or in the token buffer when it had escapes) or the
// 8 bytes of `number`; the cache matches values by type, bytes and `hash`.
struct JTTokenValue {
    JTConstPtrRange bytes;
    JTValueType type = JTValueTypeInvalid;
    std::uint64_t hash = 0;
    union {
        std::int64_t longLongValue;
        std::uint64_t unsignedLongLongValue;
        double doubleValue;
    } number = {};
    JTTokenCacheItem* cacheEntry = nullptr;  // the item that supplied or took the value's object
};

struct JTParseToken {
    JTConstPtrRange tokenPtrRange;  // the token's bytes in the input, a string's quotes included
    JTTokenType type = JTTokenTypeInvalid;
    JTTokenValue value;
    JTManagedBuffer tokenBuffer;  // string contents with escapes, and number texts, decoded here
};

// One cached string or number. Free when `object` is null. The value bytes
// the item is matched by are not copied: a string's are the string object's
// own (which the item keeps alive), a number's 8 are kept in the item.
struct JTTokenCacheItem {
    foundation::Object* object;    // strong
    std::uint32_t owed;            // references this parse handed out and has not counted yet
    std::uint64_t hash;            // the token value's hash
    std::uint64_t cfHash;          // the object's hashOf() once a dictionary key needed it, else 0
    std::size_t size;              // length of `bytes`
    const unsigned char* bytes;    // the value bytes: in the string object, or numberBytes
    unsigned char numberBytes[8];  // a number's value bytes
    JTValueType type;
};

inline constexpr std::size_t JTTokenCacheItems = 1024;

struct JTTokenCache {
    JTTokenCacheItem* items = nullptr;  // JTTokenCacheItems, owned
    std::size_t count = 0;
    // One bit per item that may be owed references.
    std::uint64_t owing[JTTokenCacheItems / 64] = {};
    std::uint32_t prng_lfsr = 1;  // picks the items a miss ages besides the ones it passes
    std::uint8_t age[JTTokenCacheItems] = {};
};

// Values waiting for their array or object to close. Entry i of the three
// runs is one pending key/value pair (arrays use `objects` only, with a
// null key); a value is an immediate number or a reference, as the
// collection will hold it; every reference below `index` is owned by the stack,
// and entries from `index` up hold stale values that nothing reads until a
// reader claims and clears them. The runs start in
// buffers lent by the parse's frame and move to the heap when they overflow.
inline constexpr unsigned JTObjectStackOnStack = 1;
inline constexpr unsigned JTObjectStackOnHeap = 2;
inline constexpr unsigned JTObjectStackLocationMask = 3;
inline constexpr unsigned JTObjectStackMustFree = 4;

struct JTObjectStack {
    JTSlot* objects = nullptr;
    foundation::Object** keys = nullptr;
    std::uint64_t* cfHashes = nullptr;
    std::size_t count = 0;  // entries available
    std::size_t index = 0;  // entries in use
    std::size_t roundSizeUpToMultipleOf = 0;
    unsigned flags = 0;
};

// References to objects the parse hands out again and again (a cached
// value, true, false, null) are counted in the decoder and added to the
// objects' counts in one step each, by jt_settleOwedReferences: once the
// tree is built, and before anything the parse made is released. Until
// then the objects are kept alive by the cache or are immortal, and nothing
// outside the parse can see the references that are owed.
// true, false and null are counted here, cached values in their items.
struct JTOwedSingletons {
    std::uint32_t trueValue = 0;
    std::uint32_t falseValue = 0;
    std::uint32_t null = 0;
};

struct JTParseState {
    JTParseOptionFlags options = 0;
    JTConstPtrRange stringBuffer;  // the input of the current parse
    std::size_t atIndex = 0;       // offset of the next byte to read
    std::size_t lineNumber = 1;
    std::size_t depth = 0;         // arrays and objects open around the current token
    JTParseToken token;
    JTObjectStack objectStack;
    JTTokenCache cache;
    JTOwedSingletons owedSingletons;
    foundation::Ref<foundation::Error> error;  // the first error of the current parse
    bool makeMutable = false;
    bool vectorScan = false;  // the SSE2 path over plain runs, chosen when the parse starts
    bool slotNumbers = false;  // numbers that fit kept in slots, chosen when the parse starts
};

inline constexpr std::size_t JTTokenBufferGranularity = 4096;
inline constexpr std::size_t JTTokenFrameBufferSize = 2048;
inline constexpr std::size_t JTObjectStackGranularity = 2048;
inline constexpr std::size_t JTObjectStackFrameEntries = 1024;

// Records the parse's first error, with the position and line it happened
// at; later errors are dropped. Returns false, so that `return jt_error(...)`
// ends a scanner.
bool jt_error_message(JTParseState& state, std::string message);

template <typename... Arguments>
bool jt_error(JTParseState& state, std::string_view format, const Arguments&... arguments)
{
    if (state.error)
        return false;
    return jt_error_message(state, foundation::format(format, arguments...));
}

// The "%@ line #%ld" tail of the internal-error messages names the source
// file and line of the failing step.
#define JT_SOURCE_POSITION ::jotter::jt_sourceFileName(__FILE__), static_cast<long>(__LINE__)
const char* jt_sourceFileName(const char* path) noexcept;

// Skips white space (and, with their options, comments and Unicode line
// breaks), counting lines. Never fails: a comment may run to the end.
void jt_parse_skip_whitespace(JTParseState& state) noexcept;

// Reads the next token into state.token; atIndex moves past it.
[[nodiscard]] bool jt_parse_next_token(JTParseState& state);

// The scanners behind jt_parse_next_token, from the opening quote or the
// number's first byte at atIndex.
[[nodiscard]] bool jt_parse_string(JTParseState& state);
[[nodiscard]] bool jt_parse_number(JTParseState& state);

// The object for the current string or number token, owned once by the
// caller (the reference may be owed, see JTOwedSingletons); null after recording an
// error. Sets token.value.cacheEntry.
[[nodiscard]] foundation::Object* jt_cachedObjects(JTParseState& state);

// Adds every owed reference to its object's count.
void jt_settleOwedReferences(JTParseState& state) noexcept;

// One ageing step: the next item the generator picks has its age halved.
void jt_cache_age(JTParseState& state) noexcept;

// Releases every cached object and byte copy; the items stay allocated.
void jt_cache_clear(JTTokenCache& cache) noexcept;

} // namespace jotter
