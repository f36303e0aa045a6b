#include "json/JTSerializer.h"

#include "foundation/objects/Data.h"
#include "foundation/objects/Exception.h"
#include "foundation/objects/String.h"
#include "json/internal/JTEncodeState.h"

#include <new>

namespace jotter {

using foundation::Object;
using foundation::Ref;

namespace {

// Releases the serializer's run state however the run ends: a formatter may
// throw, and a collection mutated during its walk raises.
class StateRelease {
public:
    explicit StateRelease(JTSerializer& serializer) : serializer_(serializer) {}
    ~StateRelease() { serializer_.releaseState(); }
    StateRelease(const StateRelease&) = delete;
    StateRelease& operator=(const StateRelease&) = delete;

private:
    JTSerializer& serializer_;
};

} // namespace

Ref<JTSerializer> JTSerializer::create()
{
    return Ref<JTSerializer>::adopt(new JTSerializer);
}

JTSerializer::~JTSerializer()
{
    releaseState();
}

Ref<Object> JTSerializer::serializeObject(Object* object, JTSerializeOptionFlags serializeOptionFlags,
    JTEncodeOption encodeOption, const FormatterBlock* block, Object* delegate, std::string_view selector,
    Ref<foundation::Error>* error)
{
    return create()->serialize(object, serializeOptionFlags, encodeOption, block, delegate, selector, error);
}

Ref<Object> JTSerializer::serialize(Object* object, JTSerializeOptionFlags serializeOptionFlags,
    JTEncodeOption encodeOption, const FormatterBlock* block, Object* delegate, std::string_view selector,
    Ref<foundation::Error>* error)
{
    if (block && !*block)
        block = nullptr;  // an empty callable is no formatter
    FOUNDATION_PARAMETER_ASSERT(object != nullptr);
    FOUNDATION_PARAMETER_ASSERT(encodeState_ == nullptr);
    FOUNDATION_PARAMETER_ASSERT(block == nullptr || delegate == nullptr);
    FOUNDATION_PARAMETER_ASSERT((encodeOption & JTEncodeOptionCollectionObj) == 0
        || (encodeOption & (JTEncodeOptionStringObj | JTEncodeOptionStringObjTrimQuotes)) == 0);

    unsigned char frameBuffer[JTEncodeFrameBufferSize];
    encodeState_ = new (std::nothrow) JTEncodeState;
    if (!encodeState_)
        foundation::raise(foundation::ExceptionName::Malloc, "Unable to allocate state structure.");
    StateRelease release(*this);
    JTEncodeState& state = *encodeState_;

    if (error)
        *error = nullptr;
    if (delegate) {
        if (selector.empty())
            foundation::raise(foundation::ExceptionName::InvalidArgument,
                "The delegate argument is not NULL, but the selector argument is NULL.");
        // One lookup answers both whether the delegate responds and what to call.
        state.classFormatterIMP = delegate->operations().find(selector);
        if (!state.classFormatterIMP)
            foundation::raise(foundation::ExceptionName::InvalidArgument,
                "The serializeUnsupportedClassesUsingDelegate: delegate does not respond to the selector argument.");
        state.formatterDelegate = foundation::Ref(delegate);
    }
    state.formatterBlock = block;
    state.serializeOptionFlags = serializeOptionFlags;
    state.encodeOption = encodeOption;
    state.stringBuffer = JTManagedBuffer::lent(frameBuffer, sizeof frameBuffer, JTEncodeBufferGranularity);

    Ref<Object> result = run(state, object);
    if (error && state.error)
        *error = state.error;
    return result;
}

Ref<Object> JTSerializer::run(JTEncodeState& state, Object* root)
{
    if ((state.encodeOption & JTEncodeOptionCollectionObj) && !root->isArray() && !root->isDictionary()) {
        (void)jt_encode_error(state, "Unable to serialize object class %@, expected a NSArray or NSDictionary.",
            root->className());
        return nullptr;
    }
    if ((state.encodeOption & JTEncodeOptionStringObj) && !root->isString()) {
        (void)jt_encode_error(state, "Unable to serialize object class %@, expected a NSString.", root->className());
        return nullptr;
    }
    if (!jt_encode_add_atom_to_buffer(state, root))
        return nullptr;
    return makeResult(state);
}

// The text becomes the result without a copy when it has moved to the heap.
Ref<Object> JTSerializer::makeResult(JTEncodeState& state)
{
    JTManagedBuffer& buffer = state.stringBuffer;
    switch (state.encodeOption & JTEncodeOptionResultMask) {
    case JTEncodeOptionResultData: {
        Ref<foundation::Data> data;
        if (buffer.flags & JTManagedBufferMustFree) {
            data = foundation::Data::adoptMallocBlock(buffer.bytes.ptr, state.atIndex);
            jt_managedBuffer_detach(buffer);
        } else {
            data = foundation::Data::create(buffer.bytes.ptr, state.atIndex);
        }
        if (!data)
            (void)jt_encode_error(state, "Unable to create NSData object");
        return data;
    }
    case JTEncodeOptionResultString: {
        std::string_view text(reinterpret_cast<const char*>(buffer.bytes.ptr), state.atIndex);
        Ref<foundation::String> string = foundation::String::create(text);
        if (!string)
            (void)jt_encode_error(state, "Unable to create NSString object");
        return string;
    }
    default:
        (void)jt_encode_error(state, "Unknown encode as type.");
        return nullptr;
    }
}

void JTSerializer::releaseState() noexcept
{
    if (!encodeState_)
        return;
    jt_managedBuffer_release(encodeState_->stringBuffer);
    delete encodeState_;
    encodeState_ = nullptr;
}

} // namespace jotter
