#include "json/Jotter.h"

#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Error.h"
#include "foundation/objects/Number.h"
#include "json/JSONDecoder.h"
#include "json/internal/JTEncodeState.h"
#include "json/JTError.h"

#include <algorithm>
#include <memory>

namespace jotter {

using foundation::Object;
using foundation::Ref;

namespace {

JTParseOptionFlags parseOptionFlags(const DecodeOptions& options) noexcept
{
    return (options.comments ? JTParseOptionAllowComments : 0)
        | (options.unicodeLineBreaks ? JTParseOptionUnicodeLineBreaks : 0)
        | (options.lenientUnicode ? JTParseOptionLenientUnicode : 0)
        | (options.trailingText ? JTParseOptionAllowTrailingText : 0);
}

JTSerializeOptionFlags serializeOptionFlags(const EncodeOptions& options) noexcept
{
    return (options.pretty ? JTSerializeOptionPretty : 0) | (options.escapeUnicode ? JTSerializeOptionNonASCIIEscape : 0)
        | (options.escapeSlash ? JTSerializeOptionSlashEscape : 0);
}

std::size_t userInfoNumber(const foundation::Error& error, std::string_view key)
{
    const foundation::Dictionary* userInfo = error.userInfo();
    Object* value = userInfo ? userInfo->objectForKey(key) : nullptr;
    return value && value->isNumber() ? static_cast<foundation::Number*>(value)->uint64Value() : 0;
}

Failure decodeFailure(const foundation::Error& error)
{
    return {error.localizedDescription(), userInfoNumber(error, JTAtIndexKey), userInfoNumber(error, JTLineNumberKey)};
}

// One encoding run of the front door: the serializer's state without a
// serializer object, so that the position where a failed run stopped is
// still at hand. The text buffer is freed however the run ends (a formatter
// may throw).
class EncodeRun {
public:
    explicit EncodeRun(const EncodeOptions& options) : state_(std::make_unique<JTEncodeState>())
    {
        state_->serializeOptionFlags = serializeOptionFlags(options);
        state_->formatterBlock = options.formatter ? &options.formatter : nullptr;
        state_->stringBuffer = JTManagedBuffer::lent(frame_, sizeof frame_, JTEncodeBufferGranularity);
    }
    ~EncodeRun() { jt_managedBuffer_release(state_->stringBuffer); }
    EncodeRun(const EncodeRun&) = delete;
    EncodeRun& operator=(const EncodeRun&) = delete;

    Result<std::string> encode(const Object& value)
    {
        // The encoder only reads the tree; it hands values to the formatter
        // as plain objects, as the collections hand out their elements.
        if (!jt_encode_add_atom_to_buffer(*state_, const_cast<Object*>(&value)))
            return failure();
        return std::string(written());
    }

private:
    std::string_view written() const noexcept
    {
        return {reinterpret_cast<const char*>(state_->stringBuffer.bytes.ptr), state_->atIndex};
    }

    Failure failure() const
    {
        std::string_view text = written();
        return {state_->error->localizedDescription(), text.size(),
            1 + static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'))};
    }

    unsigned char frame_[JTEncodeFrameBufferSize];
    std::unique_ptr<JTEncodeState> state_;
};

} // namespace

Result<Ref<Object>> decode(std::string_view text, const DecodeOptions& options)
{
    Ref<JSONDecoder> decoder = JSONDecoder::decoderWithParseOptions(parseOptionFlags(options));
    if (!decoder)
        return Failure{"Unable to allocate the decoder.", 0, 1};
    // An empty view may carry no pointer; the decoder takes that for a
    // missing argument rather than for an empty document.
    const char* bytes = text.data() ? text.data() : "";
    Ref<foundation::Error> error;
    Ref<Object> tree = options.mutableCollections ? decoder->mutableObjectWithUTF8String(bytes, text.size(), &error)
                                                  : decoder->objectWithUTF8String(bytes, text.size(), &error);
    if (!tree)
        return decodeFailure(*error);
    return tree;
}

Result<std::string> encode(const Object& value, const EncodeOptions& options)
{
    return EncodeRun(options).encode(value);
}

} // namespace jotter
