// Encoding one value into the run's JSON buffer: the writers, the output
// cache, and the rules for strings, numbers, null, arrays and dictionaries.

#include "foundation/objects/Array.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/objects/FastEnumeration.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/String.h"
#include "json/internal/ConvertSingleCodePointInUTF8.h"
#include "json/JTArray.h"
#include "json/JTDictionary.h"
#include "json/internal/JTEncodeState.h"
#include "json/internal/SeventeenDigitDouble.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <typeinfo>

namespace jotter {

namespace {

using foundation::Array;
using foundation::Dictionary;
using foundation::Kind;
using foundation::Number;
using foundation::Object;
using foundation::String;

// Containers this small are fetched in one call; larger ones are walked by
// fast enumeration, which notices a collection mutated during the walk.
constexpr std::size_t FetchInOneCallLimit = 1020;

// ---- Buffer growth ---------------------------------------------------------

// Grows by half the buffer at least: stepping by the rounding alone made a
// large document's text be copied over and over as realloc moved it.
[[gnu::noinline]] bool grow(JTEncodeState& state, std::size_t size)
{
    std::size_t length = state.stringBuffer.bytes.length;
    if (jt_managedBuffer_resize(state.stringBuffer, std::max(size, length + length / 2)))
        return true;
    return jt_encode_error(state, "Unable to resize temporary buffer.");
}

// Room for `count` more bytes, with slack to spare, so that the bytes of one
// string or number go in without further tests.
inline bool reserve(JTEncodeState& state, std::size_t count)
{
    if (state.atIndex + count + 256 <= state.stringBuffer.bytes.length) [[likely]]
        return true;
    return grow(state, state.atIndex + count + 1024);
}

inline unsigned char* writePosition(JTEncodeState& state)
{
    return state.stringBuffer.bytes.ptr + state.atIndex;
}

// The first and the last sizeof(Word) bytes of n, sizeof(Word) <= n <=
// 2 * sizeof(Word): both loads come before the stores, which may overlap.
template <typename Word>
inline void copyHeadAndTail(unsigned char* to, const unsigned char* from, std::size_t n)
{
    Word head, tail;
    std::memcpy(&head, from, sizeof(Word));
    std::memcpy(&tail, from + n - sizeof(Word), sizeof(Word));
    std::memcpy(to, &head, sizeof(Word));
    std::memcpy(to + n - sizeof(Word), &tail, sizeof(Word));
}

struct SixteenBytes {
    unsigned char bytes[16];
};

// Copies a few bytes without a call: most strings, numbers and cached texts
// are short, and a call to memcpy costs more than the copy. The loads and
// stores overlap instead of looping; none reaches outside the n bytes.
inline void copyBytes(unsigned char* to, const unsigned char* from, std::size_t n)
{
    if (n > 32)
        std::memcpy(to, from, n);
    else if (n > 16)
        copyHeadAndTail<SixteenBytes>(to, from, n);
    else if (n >= 8)
        copyHeadAndTail<std::uint64_t>(to, from, n);
    else if (n >= 4)
        copyHeadAndTail<std::uint32_t>(to, from, n);
    else
        for (std::size_t i = 0; i < n; ++i)
            to[i] = from[i];
}

// ---- Writers ---------------------------------------------------------------

bool jt_encode_writen(JTEncodeState& state, const char* bytes, std::size_t length)
{
    if (!reserve(state, length))
        return false;
    copyBytes(writePosition(state), reinterpret_cast<const unsigned char*>(bytes), length);
    state.atIndex += length;
    return true;
}

bool jt_encode_write(JTEncodeState& state, std::string_view text)
{
    return jt_encode_writen(state, text.data(), text.size());
}

inline bool jt_encode_write1fast(JTEncodeState& state, char character)
{
    if (state.atIndex + 4 < state.stringBuffer.bytes.length) [[likely]] {
        state.stringBuffer.bytes.ptr[state.atIndex++] = static_cast<unsigned char>(character);
        return true;
    }
    return jt_encode_writen(state, &character, 1);
}

// A line break and the indentation of the current depth.
bool jt_encode_writePrettyPrintWhiteSpace(JTEncodeState& state)
{
    std::size_t width = 2 * state.depth;
    if (!reserve(state, width + 1))
        return false;
    unsigned char* out = writePosition(state);
    out[0] = '\n';
    std::memset(out + 1, ' ', width);
    state.atIndex += width + 1;
    return true;
}

// The pretty form of a structural character. The container writers have
// already raised `depth` before an opening bracket and lowered it before a
// closing one, so the line breaks get the right indentation.
bool jt_encode_write1slow(JTEncodeState& state, char character)
{
    switch (character) {
    case '[':
    case '{':
    case ',':
        return jt_encode_write1fast(state, character) && jt_encode_writePrettyPrintWhiteSpace(state);
    case ':':
        return jt_encode_write(state, ": ");
    default:  // a closing bracket
        return jt_encode_writePrettyPrintWhiteSpace(state) && jt_encode_write1fast(state, character);
    }
}

inline bool jt_encode_write1(JTEncodeState& state, char character)
{
    if (state.serializeOptionFlags & JTSerializeOptionPretty)
        return jt_encode_write1slow(state, character);
    return jt_encode_write1fast(state, character);
}

// ---- Output cache ----------------------------------------------------------

std::uintptr_t addressKey(const Object* object)
{
    return reinterpret_cast<std::uintptr_t>(object);
}

inline JTEncodeCache& cacheSlot(JTEncodeState& state, const Object* object)
{
    auto address = static_cast<std::uint32_t>(addressKey(object));
    return state.cache[(((address >> 21) ^ (address >> 9)) + (address >> 4)) % JTEncodeCacheSlots];
}

// A slot number's word keeps its tags in the low bits and small integers
// differ only there, so it is mixed before it picks a cache slot.
inline JTEncodeCache& cacheSlot(JTEncodeState& state, JTSlot number)
{
    static_assert(JTEncodeCacheSlots == 1024);
    return state.cache[(number.word() * 0x9E3779B97F4A7C15u) >> 54];
}

inline void updateCache(JTEncodeCache& slot, std::uintptr_t key, const JTEncodeState& state, std::size_t offset)
{
    slot = {key, offset, state.atIndex - offset};
}

// Writes again the text already written for a cached object.
bool copyCachedText(JTEncodeState& state, const JTEncodeCache& slot)
{
    if (!reserve(state, slot.length))
        return false;
    unsigned char* bytes = state.stringBuffer.bytes.ptr;
    copyBytes(bytes + state.atIndex, bytes + slot.offset, slot.length);
    state.atIndex += slot.length;
    return true;
}

// ---- Strings ---------------------------------------------------------------

// What to do with each byte of a string: copy it, or the character that
// follows a backslash, or one of the two escapes below.
enum EscapeAction : unsigned char {
    Copy = 0,
    ControlEscape = 1,   // "\u00xx"
    NonASCIIEscape = 2,  // decode the UTF-8 sequence, "\uxxxx" (twice above U+FFFF)
};

using EscapeTable = std::array<unsigned char, 256>;

constexpr EscapeTable makeEscapeTable(bool escapeSlash, bool escapeNonASCII)
{
    EscapeTable table{};
    for (unsigned byte = 0; byte < 0x20; ++byte)
        table[byte] = ControlEscape;
    table['\b'] = 'b';
    table['\t'] = 't';
    table['\n'] = 'n';
    table['\f'] = 'f';
    table['\r'] = 'r';
    table['"'] = '"';
    table['\\'] = '\\';
    if (escapeSlash)
        table['/'] = '/';
    if (escapeNonASCII) {
        for (unsigned byte = 0x80; byte < 0x100; ++byte)
            table[byte] = NonASCIIEscape;
    }
    return table;
}

// Indexed by the slash option (bit 1) and the non-ASCII option (bit 0).
constexpr EscapeTable escapeTables[4] = {
    makeEscapeTable(false, false),
    makeEscapeTable(false, true),
    makeEscapeTable(true, false),
    makeEscapeTable(true, true),
};

const EscapeTable& escapeTableFor(JTSerializeOptionFlags flags)
{
    bool slash = flags & JTSerializeOptionSlashEscape;
    bool nonASCII = flags & JTSerializeOptionNonASCIIEscape;
    return escapeTables[(slash ? 2 : 0) | (nonASCII ? 1 : 0)];
}

// "\u" and four lowercase hex digits; returns the new write index.
std::size_t writeUnicodeEscape(unsigned char* buffer, std::size_t at, std::uint32_t unit)
{
    static constexpr char hexDigits[] = "0123456789abcdef";
    buffer[at] = '\\';
    buffer[at + 1] = 'u';
    buffer[at + 2] = hexDigits[(unit >> 12) & 0xF];
    buffer[at + 3] = hexDigits[(unit >> 8) & 0xF];
    buffer[at + 4] = hexDigits[(unit >> 4) & 0xF];
    buffer[at + 5] = hexDigits[unit & 0xF];
    return at + 6;
}

std::size_t writeCodePointEscape(unsigned char* buffer, std::size_t at, std::uint32_t codePoint)
{
    if (codePoint < 0x10000)
        return writeUnicodeEscape(buffer, at, codePoint);
    at = writeUnicodeEscape(buffer, at, (codePoint >> 10) + 0xD7C0);
    return writeUnicodeEscape(buffer, at, (codePoint & 0x3FF) | 0xDC00);
}

// Whether any of the eight bytes of `word` may need an escape: a control
// character, a quote or a backslash, and per the options a slash or a byte
// above 0x7F. It may say yes for a byte that needs none (the byte table
// decides then), never no for one that does.
struct EscapeScreen {
    static constexpr std::uint64_t ones = 0x0101010101010101;
    static constexpr std::uint64_t highBits = 0x8080808080808080;

    explicit EscapeScreen(JTSerializeOptionFlags flags)
        : slash((flags & JTSerializeOptionSlashEscape) ? ones * '/' : ones * '"')
        , nonASCII((flags & JTSerializeOptionNonASCIIEscape) ? highBits : 0)
    {
    }

    static std::uint64_t hasZeroByte(std::uint64_t word) { return (word - ones) & ~word & highBits; }

    bool mayNeedEscape(std::uint64_t word) const
    {
        std::uint64_t control = (word - ones * 0x20) & ~word & highBits;
        return (control | hasZeroByte(word ^ (ones * '"')) | hasZeroByte(word ^ (ones * '\\'))
                   | hasZeroByte(word ^ slash) | (word & nonASCII))
            != 0;
    }

    std::uint64_t slash;     // the slash when it is escaped, else the quote again
    std::uint64_t nonASCII;  // the high bits when bytes above 0x7F are escaped
};

// Past the bytes that are copied as they are.
const unsigned char* skipPlainBytes(const unsigned char* cursor, const unsigned char* end, const EscapeTable& table,
    const EscapeScreen& screen)
{
    while (end - cursor >= 8) {
        std::uint64_t word;
        std::memcpy(&word, cursor, sizeof word);
        if (screen.mayNeedEscape(word))
            break;
        cursor += 8;
    }
    while (cursor != end && table[*cursor] == Copy)
        ++cursor;
    return cursor;
}

// The platform's strings already hold UTF-8, so every string is escaped
// straight from its bytes: runs that need no escape are copied whole.
bool encodeString(JTEncodeState& state, const String& string)
{
    std::string_view text = string.utf8();
    auto cursor = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* end = cursor + text.size();
    const EscapeTable& table = escapeTableFor(state.serializeOptionFlags);
    EscapeScreen screen(state.serializeOptionFlags);
    bool quoted = !(state.encodeOption & JTEncodeOptionStringObjTrimQuotes);

    // Two bytes per input byte cover every short escape; the longer ones
    // check for room themselves.
    if (!reserve(state, 2 * text.size() + 2))
        return false;
    unsigned char* buffer = state.stringBuffer.bytes.ptr;
    std::size_t at = state.atIndex;
    if (quoted)
        buffer[at++] = '"';
    for (;;) {
        const unsigned char* run = cursor;
        cursor = skipPlainBytes(cursor, end, table, screen);
        copyBytes(buffer + at, run, static_cast<std::size_t>(cursor - run));
        at += static_cast<std::size_t>(cursor - run);
        if (cursor == end)
            break;

        unsigned char action = table[*cursor];
        if (action != ControlEscape && action != NonASCIIEscape) {
            buffer[at++] = '\\';
            buffer[at++] = action;
            ++cursor;
            continue;
        }
        state.atIndex = at;
        if (!reserve(state, 12 + 2 * static_cast<std::size_t>(end - cursor) + 1))
            return false;
        buffer = state.stringBuffer.bytes.ptr;
        if (action == ControlEscape) {
            at = writeUnicodeEscape(buffer, at, *cursor++);
            continue;
        }
        const unsigned char* next;
        std::uint32_t codePoint;
        if (ConvertSingleCodePointInUTF8(cursor, end, &next, &codePoint) != ConversionResult::ConversionOK)
            return jt_encode_error(state, "Error converting UTF8.");
        at = writeCodePointEscape(buffer, at, codePoint);
        cursor = next;
    }
    if (quoted)
        buffer[at++] = '"';
    state.atIndex = at;
    return true;
}

// ---- Numbers ---------------------------------------------------------------

template <typename Integer>
bool writeInteger(JTEncodeState& state, Integer value)
{
    constexpr std::size_t longest = 20;  // "-9223372036854775808", "18446744073709551615"
    if (!reserve(state, longest))
        return false;
    auto out = reinterpret_cast<char*>(writePosition(state));
    char* written = std::to_chars(out, out + longest, value).ptr;
    state.atIndex += static_cast<std::size_t>(written - out);
    return true;
}

bool writeDouble(JTEncodeState& state, double value)
{
    if (!std::isfinite(value))
        return jt_encode_error(state, "Floating point values must be finite.  JSON does not support NaN or Infinity.");
    if (!reserve(state, SeventeenDigitDoubleBufferSize))
        return false;
    auto out = reinterpret_cast<char*>(writePosition(state));
    state.atIndex += static_cast<std::size_t>(writeSeventeenDigitDouble(value, out) - out);
    return true;
}

// A number whose type code is none of the platform's scalar codes.
[[gnu::noinline]] bool unknownNumberType(JTEncodeState& state, const Number& number)
{
    const char* type = number.objCType();
    if (!type || type[0] == '\0' || type[1] != '\0')
        return jt_encode_error(state, "NSNumber conversion error, unknown type.  Type: '%s'", type ? type : "<NULL>");
    auto code = static_cast<unsigned char>(type[0]);
    return jt_encode_error(state, "NSNumber conversion error, unknown type.  Type: '%c' / 0x%2.2x", code, code);
}

// Decided by the type code itself: its objCType text is looked up in a
// table, which cost more than writing a small integer.
bool encodeNumber(JTEncodeState& state, const Number& number)
{
    switch (number.typeCode()) {
    case 'B':
        // The two booleans are told apart by identity: a B-typed number
        // that is not one of them prints as 0 or 1.
        if (&number == Number::trueValue())
            return jt_encode_write(state, "true");
        if (&number == Number::falseValue())
            return jt_encode_write(state, "false");
        [[fallthrough]];
    case 'C':
    case 'I':
    case 'L':
    case 'Q':
    case 'S':
        return writeInteger(state, number.uint64Value());
    case 'c':
    case 'i':
    case 'l':
    case 'q':
    case 's':
        return writeInteger(state, number.int64Value());
    case 'd':
    case 'f':
        return writeDouble(state, number.doubleValue());
    default:
        return unknownNumberType(state, number);
    }
}

// ---- Arrays and dictionaries ----------------------------------------------

// A slice of the run's fetch area for one container's elements, given back
// when the container is done (or the run unwinds).
class FetchedObjects {
public:
    FetchedObjects(JTEncodeState& state, std::size_t count)
        : objects_(state.fetchedObjects), used_(state.fetchedCount), base_(used_)
    {
        used_ += count;
        if (objects_.size() < used_)
            objects_.resize(used_);
    }
    ~FetchedObjects() { used_ = base_; }
    FetchedObjects(const FetchedObjects&) = delete;
    FetchedObjects& operator=(const FetchedObjects&) = delete;

    // Valid until a nested container fetches its own elements.
    Object** data() { return objects_.data() + base_; }
    Object* operator[](std::size_t index) const { return objects_[base_ + index]; }

private:
    std::vector<Object*>& objects_;
    std::size_t& used_;
    std::size_t base_;
};

bool openContainer(JTEncodeState& state, char bracket)
{
    if (state.depth >= JTMaximumNestingDepth) [[unlikely]]
        return jt_encode_error(state, "Unable to serialize arrays and dictionaries nested deeper than %zu levels.",
            JTMaximumNestingDepth);
    ++state.depth;
    return jt_encode_write1(state, bracket);
}

bool closeContainer(JTEncodeState& state, char bracket)
{
    --state.depth;
    return jt_encode_write1(state, bracket);
}

// A number held in a slot, written straight from it with no object made.
// A repeated number's text is copied, as a shared number object's is.
[[gnu::noinline]] bool encodeImmediate(JTEncodeState& state, JTSlot number)
{
    JTEncodeCache& cached = cacheSlot(state, number);
    if (cached.key == number.word())
        return copyCachedText(state, cached);
    std::size_t start = state.atIndex;
    if (!(number.isInteger() ? writeInteger(state, number.integer()) : writeDouble(state, number.doubleValue())))
        return false;
    updateCache(cached, number.word(), state, start);
    return true;
}

// An element or value as a decoded collection holds it. Inlined into the
// container walks, so that an object costs them no more than one test.
[[gnu::always_inline]] inline bool encodeSlot(JTEncodeState& state, JTSlot slot)
{
    if (slot.isImmediate())
        return encodeImmediate(state, slot);
    return jt_encode_add_atom_to_buffer(state, slot.object());
}

bool encodeElement(JTEncodeState& state, JTSlot element, bool first)
{
    if (!first && !jt_encode_write1(state, ','))
        return false;
    return encodeSlot(state, element);
}

bool encodeFetchedElements(JTEncodeState& state, const Array& array, std::size_t count)
{
    FetchedObjects elements(state, count);
    array.getObjects(elements.data(), {0, count});
    for (std::size_t index = 0; index < count; ++index) {
        if (!encodeElement(state, JTSlot::fromObject(elements[index]), index == 0))
            return false;
    }
    return true;
}

// Kept out of line: the enumeration's batch buffer would otherwise swell the
// frame of every level of recursion.
[[gnu::noinline]] bool encodeEnumeratedElements(JTEncodeState& state, const Array& array)
{
    bool first = true;
    for (Object* element : foundation::FastEnumeration(array)) {
        if (!encodeElement(state, JTSlot::fromObject(element), first))
            return false;
        first = false;
    }
    return true;
}

// The decoder's arrays and dictionaries are read in place, slot by slot, so
// that their immediate numbers need no objects. An immutable one cannot
// change during the walk; a mutable one might (a formatter may change it),
// so its counter is watched as fast enumeration watches it, after every
// element. A change raises before the walk reads the collection again, so
// its storage is looked up once.
template <typename Decoded>
class ChangeWatch {
public:
    explicit ChangeWatch(const Decoded& collection)
        : collection_(collection), watched_(collection.isMutable()), mutations_(collection.mutationCount())
    {
    }
    void check() const
    {
        if (watched_ && collection_.mutationCount() != mutations_) [[unlikely]]
            foundation::raiseMutatedWhileEnumerating(collection_);
    }

private:
    const Decoded& collection_;
    bool watched_;
    unsigned long mutations_;
};

bool encodeElementsInPlace(JTEncodeState& state, const JTArray& array)
{
    ChangeWatch watch(array);
    const JTSlot* slots = _JTArraySlots(array);
    const std::size_t count = array.count();
    for (std::size_t index = 0; index < count; ++index) {
        if (!encodeElement(state, slots[index], index == 0))
            return false;
        watch.check();
    }
    return true;
}

bool encodeArray(JTEncodeState& state, const Array& array)
{
    if (!openContainer(state, '['))
        return false;
    bool encoded;
    if (typeid(array) == typeid(JTArray))
        encoded = encodeElementsInPlace(state, static_cast<const JTArray&>(array));
    else if (std::size_t count = array.count(); count <= FetchInOneCallLimit)
        encoded = encodeFetchedElements(state, array, count);
    else
        encoded = encodeEnumeratedElements(state, array);
    return encoded && closeContainer(state, ']');
}

bool encodeEntry(JTEncodeState& state, Object* key, JTSlot value, bool first)
{
    if (!first && !jt_encode_write1(state, ','))
        return false;
    if (!key->isString())
        return jt_encode_error(state, "Key must be a string object.");
    return jt_encode_add_atom_to_buffer(state, key) && jt_encode_write1(state, ':') && encodeSlot(state, value);
}

bool encodeFetchedEntries(JTEncodeState& state, const Dictionary& dictionary, std::size_t count)
{
    FetchedObjects entries(state, 2 * count);  // keys, then values
    dictionary.getObjectsAndKeys(entries.data() + count, entries.data());
    for (std::size_t index = 0; index < count; ++index) {
        if (!encodeEntry(state, entries[index], JTSlot::fromObject(entries[count + index]), index == 0))
            return false;
    }
    return true;
}

[[gnu::noinline]] bool encodeEnumeratedEntries(JTEncodeState& state, const Dictionary& dictionary)
{
    bool first = true;
    for (Object* key : foundation::FastEnumeration(dictionary)) {
        if (!encodeEntry(state, key, JTSlot::fromObject(dictionary.objectForKey(key)), first))
            return false;
        first = false;
    }
    return true;
}

using Entry = std::pair<Object*, JTSlot>;  // key, value

// A decoded dictionary's pairs straight from its table, values as their
// slots hold them; any other dictionary's through its primitives.
void collectEntries(JTEncodeState& state, const Dictionary& dictionary, std::size_t count,
    std::vector<Entry>& entries)
{
    if (typeid(dictionary) == typeid(JTDictionary)) {
        const auto& decoded = static_cast<const JTDictionary&>(dictionary);
        const JTHashTableEntry* table = _JTDictionaryHashEntry(decoded);
        for (std::size_t slot = 0; slot < _JTDictionaryCapacity(decoded); ++slot) {
            if (table[slot].key)
                entries.emplace_back(table[slot].key, table[slot].value);
        }
        return;
    }
    FetchedObjects fetched(state, 2 * count);  // keys, then values
    dictionary.getObjectsAndKeys(fetched.data() + count, fetched.data());
    for (std::size_t index = 0; index < count; ++index)
        entries.emplace_back(fetched[index], JTSlot::fromObject(fetched[count + index]));
}

// The pretty form writes keys in ascending order. Every key is checked to
// be a string before the sort, which could not compare anything else.
[[gnu::noinline]] bool encodeSortedEntries(JTEncodeState& state, const Dictionary& dictionary, std::size_t count)
{
    std::vector<Entry> entries;
    entries.reserve(count);
    collectEntries(state, dictionary, count, entries);
    for (const Entry& entry : entries) {
        if (!entry.first->isString())
            return jt_encode_error(state, "Key must be a string object.");
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& left, const Entry& right) {
        return static_cast<const String*>(left.first)->compare(*static_cast<const String*>(right.first)) < 0;
    });
    for (std::size_t index = 0; index < count; ++index) {
        if (!encodeEntry(state, entries[index].first, entries[index].second, index == 0))
            return false;
    }
    return true;
}

// In table slot order, the order getObjectsAndKeys gives.
bool encodeEntriesInPlace(JTEncodeState& state, const JTDictionary& dictionary)
{
    ChangeWatch watch(dictionary);
    const JTHashTableEntry* table = _JTDictionaryHashEntry(dictionary);
    const std::size_t capacity = _JTDictionaryCapacity(dictionary);
    bool first = true;
    for (std::size_t slot = 0; slot < capacity; ++slot) {
        if (!table[slot].key)
            continue;
        if (!encodeEntry(state, table[slot].key, table[slot].value, first))
            return false;
        watch.check();
        first = false;
    }
    return true;
}

bool encodeDictionary(JTEncodeState& state, const Dictionary& dictionary)
{
    if (!openContainer(state, '{'))
        return false;
    std::size_t count = dictionary.count();
    bool encoded;
    if (state.serializeOptionFlags & JTSerializeOptionPretty)
        encoded = encodeSortedEntries(state, dictionary, count);
    else if (typeid(dictionary) == typeid(JTDictionary))
        encoded = encodeEntriesInPlace(state, static_cast<const JTDictionary&>(dictionary));
    else if (count <= FetchInOneCallLimit)
        encoded = encodeFetchedEntries(state, dictionary, count);
    else
        encoded = encodeEnumeratedEntries(state, dictionary);
    return encoded && closeContainer(state, '}');
}

// ---- One value -------------------------------------------------------------

bool encodeValue(JTEncodeState& state, Object* value, const Object* cacheKey, Object* original);

// A value JSON has no form for goes to the formatter, once. The replacement
// is encoded in its place; when it is a string, number or null its text is
// cached under the original value, so later occurrences of that value reuse
// the text without asking the formatter again.
[[gnu::noinline]] bool encodeUnsupported(JTEncodeState& state, Object* value, Object* original)
{
    if (original) {
        return jt_encode_error(state,
            "Unable to serialize object class %@ that was returned by the unsupported class formatter.  "
            "Original object class was %@.",
            value->className(), original->className());
    }
    foundation::Ref<Object> replacement;
    if (state.formatterBlock)
        replacement = (*state.formatterBlock)(value);
    if (!replacement && state.classFormatterIMP)
        replacement = state.classFormatterIMP(*state.formatterDelegate, value);
    if (!replacement)
        return jt_encode_error(state, "Unable to serialize object class %@.", value->className());
    state.replacements.push_back(replacement);
    return encodeValue(state, replacement.get(), value, value);
}

// The kind byte makes the classification one load; strings, numbers and null
// are cached under `cacheKey`, containers never.
bool encodeValue(JTEncodeState& state, Object* value, const Object* cacheKey, Object* original)
{
    std::size_t start = state.atIndex;
    bool encoded;
    switch (value->kind()) {
    case Kind::String:
        encoded = encodeString(state, static_cast<const String&>(*value));
        break;
    case Kind::Number:
        encoded = encodeNumber(state, static_cast<const Number&>(*value));
        break;
    case Kind::Null:
        encoded = jt_encode_write(state, "null");
        break;
    case Kind::Array:
        return encodeArray(state, static_cast<const Array&>(*value));
    case Kind::Dictionary:
        return encodeDictionary(state, static_cast<const Dictionary&>(*value));
    default:
        return encodeUnsupported(state, value, original);
    }
    if (encoded)
        updateCache(cacheSlot(state, cacheKey), addressKey(cacheKey), state, start);
    return encoded;
}

} // namespace

bool jt_encode_add_atom_to_buffer(JTEncodeState& state, Object* object)
{
    const JTEncodeCache& slot = cacheSlot(state, object);
    if (slot.key == addressKey(object))
        return copyCachedText(state, slot);
    return encodeValue(state, object, object, nullptr);
}

} // namespace jotter
