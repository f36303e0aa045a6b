// The readers of arrays and objects and the top-level rules, over the
// tokenizer. Values wait on the object stack until their container closes;
// the container then takes over their references.

#include "json/internal/JTParse.h"

#include "foundation/objects/Null.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/String.h"
#include "json/JTArray.h"
#include "json/JTDictionary.h"
#include "json/internal/JTObjectStack.h"
#include "json/internal/JTScanPath.h"
#include "json/internal/JTSlotNumbers.h"

#include <cstring>
#include <string>

namespace jotter {

namespace {

using foundation::Object;
using foundation::Ref;

constexpr unsigned AcceptValue = 1;
constexpr unsigned AcceptComma = 2;
constexpr unsigned AcceptEnd = 4;
constexpr unsigned AcceptValueOrEnd = AcceptValue | AcceptEnd;
constexpr unsigned AcceptCommaOrEnd = AcceptComma | AcceptEnd;

// Entries the stack keeps free for a reader's next pass, and the step it
// grows by when they run short.
constexpr std::size_t StackHeadroom = 4;
constexpr std::size_t StackGrowth = 128;

JTSlot jt_object_for_token(JTParseState& state);

// A number token's value held in the slot itself, or an empty slot when
// it does not fit (or slots are off) and needs an object.
JTSlot immediateNumber(const JTParseState& state) noexcept
{
    const JTTokenValue& value = state.token.value;
    if (!state.slotNumbers)
        return {};
    switch (value.type) {
    case JTValueTypeLongLong:
        return JTSlot::holdsInteger(value.number.longLongValue) ? JTSlot::fromInteger(value.number.longLongValue)
                                                                : JTSlot();
    case JTValueTypeUnsignedLongLong:
        // Below 2^62 it is the signed integer the object would hold.
        return value.number.unsignedLongLongValue < (std::uint64_t(1) << 62)
            ? JTSlot::fromInteger(static_cast<std::int64_t>(value.number.unsignedLongLongValue))
            : JTSlot();
    case JTValueTypeDouble:
        return JTSlot::holdsDouble(value.number.doubleValue) ? JTSlot::fromDouble(value.number.doubleValue) : JTSlot();
    default:
        return {};
    }
}

// A number token's value as its container will hold it.
inline JTSlot numberValue(JTParseState& state)
{
    if (JTSlot immediate = immediateNumber(state); !immediate.isEmpty())
        return immediate;
    return JTSlot::fromObject(jt_cachedObjects(state));
}

bool inputRemains(const JTParseState& state) noexcept
{
    return state.atIndex < state.stringBuffer.length;
}

// The next token. The comma, colon or closing bracket after a value or a
// key most often follows it directly, and is read here without the
// tokenizer's general step (which gives the same token); anything else
// goes to the tokenizer.
bool readToken(JTParseState& state)
{
    if (!inputRemains(state)) [[unlikely]]
        return jt_parse_next_token(state);
    const unsigned char* p = state.stringBuffer.ptr + state.atIndex;
    JTTokenType type;
    switch (*p) {
    case ',': type = JTTokenTypeComma; break;
    case ']': type = JTTokenTypeArrayEnd; break;
    case '}': type = JTTokenTypeObjectEnd; break;
    case ':': type = JTTokenTypeSeparator; break;
    default: return jt_parse_next_token(state);
    }
    JTParseToken& token = state.token;
    token.type = type;
    token.value.type = JTValueTypeInvalid;
    token.value.cacheEntry = nullptr;
    token.tokenPtrRange = {p, 1};
    ++state.atIndex;
    return true;
}

// "Expected A or B, not 'token'", naming what the accept state allows. A
// reader's states allow one or two things (5, 6 or 1), never all three.
bool jt_error_parse_accept_or3(JTParseState& state, unsigned accept, const char* valuePhrase, const char* endPhrase)
{
    const char* phrases[3];
    int count = 0;
    if (accept & AcceptValue)
        phrases[count++] = valuePhrase;
    if (accept & AcceptComma)
        phrases[count++] = "a comma";
    if (accept & AcceptEnd)
        phrases[count++] = endPhrase;
    const JTConstPtrRange& token = state.token.tokenPtrRange;
    std::string tokenText(reinterpret_cast<const char*>(token.ptr), token.length);
    int width = static_cast<int>(token.length);
    Ref<foundation::String> first = foundation::str(phrases[0]);
    if (count == 1)
        return jt_error(state, "Expected %@, not '%*.*s'", first, width, width, tokenText);
    Ref<foundation::String> second = foundation::str(phrases[1]);
    return jt_error(state, "Expected %@ or %@, not '%*.*s'", first, second, width, width, tokenText);
}

// Keeps StackHeadroom entries free above `index`.
bool reserveStack(JTParseState& state, const char* reader)
{
    JTObjectStack& stack = state.objectStack;
    if (stack.index + StackHeadroom <= stack.count) [[likely]]
        return true;
    if (jt_objectStack_resize(stack, stack.count + StackGrowth))
        return true;
    return jt_error(state, "Internal error: [%s] objectsIndex > %zu, resize failed? %@ line #%ld", reader,
        stack.count - StackHeadroom, JT_SOURCE_POSITION);
}

// Releases what a reader pushed from `first` on and gives the entries back.
// The owed references are counted first: the entries may hold them.
void unwindStack(JTParseState& state, std::size_t first) noexcept
{
    jt_settleOwedReferences(state);
    JTObjectStack& stack = state.objectStack;
    for (std::size_t i = first; i < stack.index; ++i) {
        stack.objects[i].release();
        if (stack.keys[i])
            stack.keys[i]->release();
        stack.objects[i] = JTSlot();
        stack.keys[i] = nullptr;
        stack.cfHashes[i] = 0;
    }
    stack.index = first;
}

// Forgets entries whose references a new collection took over. Entries
// at and above `index` are never read: a reader fills or clears an entry
// as it claims it.
void clearAdopted(JTObjectStack& stack, std::size_t first) noexcept
{
    stack.index = first;
}

// Before each pass of a reader: input left to read, and room on the stack.
// A container must close before the input ends; a truncated document says
// so rather than reporting a missing value further up.
bool readyForPass(JTParseState& state, const char* reader)
{
    if (!inputRemains(state)) [[unlikely]]
        return jt_error(state, "Reached the end of the buffer.");
    return reserveStack(state, reader);
}

Object* jt_parse_array(JTParseState& state)
{
    JTObjectStack& stack = state.objectStack;
    const std::size_t first = stack.index;
    unsigned accept = AcceptValueOrEnd;
    Object* result = nullptr;
    while (!result && !state.error) {
        if (!readyForPass(state, "array") || !readToken(state))
            break;
        JTTokenType type = state.token.type;
        if (jt_tokenStartsValue(type)) {
            if (!(accept & AcceptValue)) {
                jt_error(state, "Unexpected value.");
                break;
            }
            // Numbers, the bulk of many arrays, skip the general step.
            JTSlot value = type == JTTokenTypeNumber ? numberValue(state) : jt_object_for_token(state);
            if (value.isEmpty()) {
                jt_error(state, "Internal error: Object == NULL");
                break;
            }
            stack.keys[stack.index] = nullptr;
            stack.objects[stack.index++] = value;
            accept = AcceptCommaOrEnd;
        } else if (type == JTTokenTypeArrayEnd) {
            if (!(accept & AcceptEnd)) {
                jt_error(state, "Unexpected ']'.");
                break;
            }
            result = _JTArrayCreate(stack.objects + first, stack.index - first, state.makeMutable).leak();
            if (!result) {
                jt_error(state, "Internal error: Unable to create the array. %@ line #%ld", JT_SOURCE_POSITION);
                break;
            }
            clearAdopted(stack, first);
        } else if (type == JTTokenTypeComma) {
            if (!(accept & AcceptComma)) {
                jt_error(state, "Unexpected ','.");
                break;
            }
            accept = AcceptValue;
        } else {
            jt_error_parse_accept_or3(state, accept, "a value", "a ']'");
            break;
        }
    }
    if (!result)
        unwindStack(state, first);
    return result;
}

// The hash of a key just read: the one its cache item keeps, computed and
// stored there the first time a dictionary needs it.
std::uint64_t keyHash(const JTParseState& state, const Object& key)
{
    JTTokenCacheItem* item = state.token.value.cacheEntry;
    if (!item)
        return foundation::hashOf(key);
    if (item->cfHash == 0)
        item->cfHash = foundation::hashOf(key);
    return item->cfHash;
}

// After a key: the colon and the value, into the pair's slot.
bool readPairValue(JTParseState& state, unsigned accept, std::size_t slot)
{
    if (!readToken(state))
        return false;
    if (state.token.type != JTTokenTypeSeparator)
        return jt_error(state, "Expected ':'.");
    if (!jt_parse_next_token(state))
        return false;
    if (!jt_tokenStartsValue(state.token.type))
        return jt_error_parse_accept_or3(state, accept, "a value", "a '}'");
    JTSlot value = state.token.type == JTTokenTypeNumber ? numberValue(state) : jt_object_for_token(state);
    if (value.isEmpty())
        return jt_error(state, "Internal error: Object == NULL.");
    state.objectStack.objects[slot] = value;
    return true;
}

Object* jt_parse_dictionary(JTParseState& state)
{
    JTObjectStack& stack = state.objectStack;
    const std::size_t first = stack.index;
    unsigned accept = AcceptValueOrEnd;
    Object* result = nullptr;
    while (!result && !state.error) {
        if (!readyForPass(state, "dictionary"))
            break;
        std::size_t slot = stack.index++;  // the pair this pass may fill
        stack.keys[slot] = nullptr;
        stack.objects[slot] = JTSlot();
        if (!readToken(state))
            break;
        JTTokenType type = state.token.type;
        if (type == JTTokenTypeComma) {
            if (!(accept & AcceptComma)) {
                jt_error(state, "Unexpected ','.");
                break;
            }
            --stack.index;
            accept = AcceptValue;
        } else if (type == JTTokenTypeObjectEnd) {
            if (!(accept & AcceptEnd)) {
                jt_error(state, "Unexpected '}'.");
                break;
            }
            --stack.index;
            std::size_t count = stack.index - first;
            // A repeated key releases the pair it replaces, whose
            // references may be owed.
            JTBeforeReplacing settle = {
                [](void* parseState) { jt_settleOwedReferences(*static_cast<JTParseState*>(parseState)); }, &state};
            result = _JTDictionaryCreate(stack.keys + first, stack.cfHashes + first, stack.objects + first, count,
                state.makeMutable, settle)
                         .leak();
            if (!result) {
                jt_error(state, "Internal error: Unable to create the dictionary. %@ line #%ld", JT_SOURCE_POSITION);
                break;
            }
            clearAdopted(stack, first);
        } else if (type == JTTokenTypeString) {
            if (!(accept & AcceptValue)) {
                jt_error(state, "Unexpected string.");
                break;
            }
            Object* key = jt_cachedObjects(state);
            if (!key) {
                jt_error(state, "Internal error: Key == NULL.");
                break;
            }
            stack.keys[slot] = key;
            stack.cfHashes[slot] = keyHash(state, *key);
            if (!readPairValue(state, accept, slot))
                break;
            accept = AcceptCommaOrEnd;
        } else {
            jt_error_parse_accept_or3(state, accept, "a \"STRING\"", "a '}'");
            break;
        }
    }
    if (!result)
        unwindStack(state, first);
    return result;
}

// The value for the token just read, as its container will hold it: an
// immediate number, or an object owned once by the caller. Empty after
// recording an error (or when the token starts no value).
JTSlot jt_object_for_token(JTParseState& state)
{
    switch (state.token.type) {
    case JTTokenTypeNumber:
        return numberValue(state);
    case JTTokenTypeString:
        return JTSlot::fromObject(jt_cachedObjects(state));
    case JTTokenTypeTrue:
        ++state.owedSingletons.trueValue;
        return JTSlot::fromObject(foundation::Number::trueValue());
    case JTTokenTypeFalse:
        ++state.owedSingletons.falseValue;
        return JTSlot::fromObject(foundation::Number::falseValue());
    case JTTokenTypeNull:
        ++state.owedSingletons.null;
        return JTSlot::fromObject(foundation::Null::null());
    case JTTokenTypeArrayBegin:
    case JTTokenTypeObjectBegin: {
        if (state.depth >= JTMaximumParseDepth) [[unlikely]] {
            jt_error(state, "Unable to parse arrays and objects nested deeper than %zu levels.", JTMaximumParseDepth);
            return {};
        }
        ++state.depth;
        Object* container = state.token.type == JTTokenTypeArrayBegin ? jt_parse_array(state)
                                                                       : jt_parse_dictionary(state);
        --state.depth;
        return JTSlot::fromObject(container);
    }
    default:
        jt_error(state, "Internal error: Unknown token type. %@ line #%ld", JT_SOURCE_POSITION);
        return {};
    }
}

// Puts the parse's buffers back to empty however the parse ends: the lent
// buffers die with the parse's frame. References still on the stack (only
// after an exception) are released.
class ParseBuffers {
public:
    explicit ParseBuffers(JTParseState& state) : state_(state) {}
    ~ParseBuffers()
    {
        unwindStack(state_, 0);
        jt_objectStack_release(state_.objectStack);
        jt_managedBuffer_release(state_.token.tokenBuffer);
        state_.stringBuffer = {};
        state_.depth = 0;
    }
    ParseBuffers(const ParseBuffers&) = delete;
    ParseBuffers& operator=(const ParseBuffers&) = delete;

private:
    JTParseState& state_;
};

} // namespace

Ref<Object> _JTParseUTF8String(JTParseState& state, bool makeMutable, const unsigned char* bytes, std::size_t length,
    Ref<foundation::Error>* error)
{
    unsigned char tokenFrame[JTTokenFrameBufferSize];
    JTSlot objectsFrame[JTObjectStackFrameEntries] = {};
    Object* keysFrame[JTObjectStackFrameEntries] = {};
    std::uint64_t cfHashesFrame[JTObjectStackFrameEntries] = {};

    state.stringBuffer = {bytes, length};
    state.atIndex = 0;
    state.lineNumber = 1;
    state.depth = 0;
    state.error = nullptr;
    state.makeMutable = makeMutable;
    state.vectorScan = jt_vectorScanning();
    state.slotNumbers = jt_slotNumbers();
    jt_managedBuffer_release(state.token.tokenBuffer);
    state.token.tokenBuffer = JTManagedBuffer::lent(tokenFrame, sizeof tokenFrame, JTTokenBufferGranularity);
    jt_objectStack_release(state.objectStack);
    jt_objectStack_setToStackBuffer(state.objectStack, objectsFrame, keysFrame, cfHashesFrame,
        JTObjectStackFrameEntries);
    ParseBuffers buffers(state);

    Ref<Object> result;
    while (!result && !state.error && inputRemains(state)) {
        if (!jt_parse_next_token(state))
            break;
        if (state.token.type != JTTokenTypeArrayBegin && state.token.type != JTTokenTypeObjectBegin) {
            jt_error(state, "Expected either '[' or '{'.");
            break;
        }
        result = Ref<Object>::adopt(jt_object_for_token(state).object());
    }
    jt_settleOwedReferences(state);
    if (!result) {
        if (state.atIndex == length)
            jt_error(state, "Reached the end of the buffer.");
        jt_error(state, "Unable to parse JSON.");
    } else if (inputRemains(state)) {
        jt_parse_skip_whitespace(state);
        if (inputRemains(state) && !(state.options & JTParseOptionAllowTrailingText)) {
            jt_error(state,
                "A valid JSON object was parsed but there were additional non-white-space characters remaining.");
            result = nullptr;
        }
    }
    if (error)
        *error = state.error;
    return result;
}

} // namespace jotter
