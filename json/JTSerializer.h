#pragma once

#include "foundation/objects/Error.h"
#include "foundation/objects/Object.h"
#include "json/JTSerializeOptions.h"

#include <functional>
#include <memory>
#include <string_view>

namespace jotter {

struct JTEncodeState;

// Replaces a value JSON has no form for (a date, data, any other object):
// returns the value to write in its place, or null to give up on it.
using FormatterBlock = std::function<foundation::Ref<foundation::Object>(foundation::Object* value)>;

// Turns a tree of strings, numbers, the null object, arrays and dictionaries
// into JSON text, in one pass into one growable buffer.
//
// Bad input (an unsupported value with no formatter, a non-string key, NaN …)
// makes a run return null and, when `error` is given, an Error of domain
// JTErrorDomain, code -1, whose localized description says what went wrong;
// partial output is never returned. Misuse (no root, a run already in
// progress, a block and a delegate together, contradictory encode options, a
// delegate without a usable selector) raises foundation::Exception.
//
// The formatter is either `block` or `delegate` + `selector`, the name of a
// one-argument operation in the delegate's OperationTable; it is asked once
// per unsupported object, and a replacement that is a string, number or null
// is reused for later occurrences of the same object.
//
// A serializer serves one run at a time; runs on different serializers are
// independent.
class JTSerializer final : public foundation::Object {
public:
    [[nodiscard]] static foundation::Ref<JTSerializer> create();

    // Runs one encoding with a serializer made for this call only.
    [[nodiscard]] static foundation::Ref<foundation::Object> serializeObject(foundation::Object* object,
        JTSerializeOptionFlags serializeOptionFlags, JTEncodeOption encodeOption, const FormatterBlock* block,
        foundation::Object* delegate, std::string_view selector, foundation::Ref<foundation::Error>* error);

    // The same run on this serializer. Returns a Data or a String, as the
    // result kind of `encodeOption` says, or null on failure.
    [[nodiscard]] foundation::Ref<foundation::Object> serialize(foundation::Object* object,
        JTSerializeOptionFlags serializeOptionFlags, JTEncodeOption encodeOption, const FormatterBlock* block,
        foundation::Object* delegate, std::string_view selector, foundation::Ref<foundation::Error>* error);

    // Frees the state of the run in progress, if any.
    void releaseState() noexcept;

    const char* className() const override { return "JTSerializer"; }

private:
    JTSerializer() noexcept = default;
    ~JTSerializer() override;

    foundation::Ref<foundation::Object> run(JTEncodeState& state, foundation::Object* root);
    foundation::Ref<foundation::Object> makeResult(JTEncodeState& state);

    std::unique_ptr<JTEncodeState> encodeState_;
};

} // namespace jotter
