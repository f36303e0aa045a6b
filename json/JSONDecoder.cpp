#include "json/JSONDecoder.h"

#include "foundation/objects/Exception.h"
#include "json/internal/JTObjectStack.h"
#include "json/internal/JTParse.h"

#include <cstdlib>
#include <new>

namespace jotter {

using foundation::Object;
using foundation::Ref;

namespace {

// Frees the state and everything it owns: the heap parts of its buffers,
// the cached objects and the cache's items.
void _JSONDecoderCleanup(JTParseState* state) noexcept
{
    if (!state)
        return;
    jt_managedBuffer_release(state->token.tokenBuffer);
    jt_objectStack_release(state->objectStack);
    if (state->cache.items) {
        jt_cache_clear(state->cache);
        std::free(state->cache.items);
    }
    delete state;
}

} // namespace

Ref<JSONDecoder> JSONDecoder::decoderWithParseOptions(JTParseOptionFlags parseOptionFlags)
{
    if (parseOptionFlags > JTParseOptionMask)
        foundation::raise(foundation::ExceptionName::InvalidArgument, "Invalid parse options.");
    auto* state = new (std::nothrow) JTParseState;
    if (!state)
        return nullptr;
    state->options = parseOptionFlags;
    state->token.tokenBuffer.roundSizeUpToMultipleOf = JTTokenBufferGranularity;
    state->objectStack.roundSizeUpToMultipleOf = JTObjectStackGranularity;
    state->cache.prng_lfsr = 1;
    state->cache.items = static_cast<JTTokenCacheItem*>(std::calloc(JTTokenCacheItems, sizeof(JTTokenCacheItem)));
    if (!state->cache.items) {
        _JSONDecoderCleanup(state);
        return nullptr;
    }
    state->cache.count = JTTokenCacheItems;
    auto* decoder = new (std::nothrow) JSONDecoder(state);
    if (!decoder) {
        _JSONDecoderCleanup(state);
        return nullptr;
    }
    return Ref<JSONDecoder>::adopt(decoder);
}

JSONDecoder::~JSONDecoder()
{
    _JSONDecoderCleanup(parseState_);
}

Ref<Object> JSONDecoder::parse(bool makeMutable, const char* string, std::size_t length,
    Ref<foundation::Error>* error)
{
    if (!string)
        foundation::raise(foundation::ExceptionName::InvalidArgument, "The string argument is NULL.");
    return _JTParseUTF8String(*parseState_, makeMutable, reinterpret_cast<const unsigned char*>(string), length,
        error);
}

Ref<Object> JSONDecoder::parseData(bool makeMutable, const foundation::Data* jsonData, Ref<foundation::Error>* error)
{
    if (!jsonData)
        foundation::raise(foundation::ExceptionName::InvalidArgument, "The jsonData argument is NULL.");
    const char* bytes = jsonData->length() ? reinterpret_cast<const char*>(jsonData->bytes()) : "";
    return parse(makeMutable, bytes, jsonData->length(), error);
}

Ref<Object> JSONDecoder::objectWithUTF8String(const char* string, std::size_t length, Ref<foundation::Error>* error)
{
    return parse(false, string, length, error);
}

Ref<Object> JSONDecoder::mutableObjectWithUTF8String(const char* string, std::size_t length,
    Ref<foundation::Error>* error)
{
    return parse(true, string, length, error);
}

Ref<Object> JSONDecoder::objectWithData(const foundation::Data* jsonData, Ref<foundation::Error>* error)
{
    return parseData(false, jsonData, error);
}

Ref<Object> JSONDecoder::mutableObjectWithData(const foundation::Data* jsonData, Ref<foundation::Error>* error)
{
    return parseData(true, jsonData, error);
}

void JSONDecoder::clearCache()
{
    jt_cache_clear(parseState_->cache);
}

} // namespace jotter
