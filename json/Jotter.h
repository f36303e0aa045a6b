#pragma once

// Jotter's front door: JSON text to an object tree, and a tree back to text,
// one call each, with the options named and the failure as a value.
//
//   jotter::Result<foundation::Ref<foundation::Object>> tree = jotter::decode(text, {.comments = true});
//   if (!tree) {
//       const jotter::Failure& failure = tree.failure();
//       std::cerr << failure.line << ": " << failure.message << " (byte " << failure.offset << ")\n";
//       return;
//   }
//   jotter::Result<std::string> json = jotter::encode(**tree, {.pretty = true});
//
// decode makes a fresh JSONDecoder for each call, so nothing is cached from
// one document to the next; a program that decodes many documents with
// repeated keys keeps a JSONDecoder instead. The trees are those of
// JSONDecoder (JSONDecoder.h): the top level is an array or an object.
// encode takes any value JTSerializer takes (JTSerializer.h) and never
// changes it.
//
// Neither raises for bad input: a document that does not decode and a tree
// that cannot be written both come back as a Failure. Both may be called on
// any thread; a tree must not be changed while it is being encoded.

#include "foundation/objects/Object.h"
#include "json/JTSerializer.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace jotter {

// What the decoder accepts beyond strict JSON, and how it builds the tree.
struct DecodeOptions {
    bool comments = false;            // /* ... */ and // ... count as white space
    bool unicodeLineBreaks = false;   // U+0085, U+2028 and U+2029 count as line breaks
    bool lenientUnicode = false;      // malformed UTF-8 and illegal \u escapes become U+FFFD
    bool trailingText = false;        // text after the top-level value is ignored
    bool mutableCollections = false;  // arrays and dictionaries come out mutable
};

// How the text is written; the default is compact, raw UTF-8, the slash as is.
struct EncodeOptions {
    bool pretty = false;         // two-blank indentation, one value per line, keys sorted
    bool escapeUnicode = false;  // characters above U+007F as \u escapes
    bool escapeSlash = false;    // the slash as \/
    // Asked for the value to write in place of one JSON has no form for (a
    // date, data, any other object); without it such a value fails the run.
    FormatterBlock formatter = {};
};

// Why a decode or an encode failed. For a decode, `offset` is the byte of the
// input at which the decoder gave up and `line` its line there; for an
// encode, they are the bytes of text written before the run stopped and the
// line of the text it stopped on. Lines count from 1.
struct Failure {
    std::string message;
    std::size_t offset = 0;
    std::size_t line = 1;

    bool operator==(const Failure&) const = default;
};

// A value, or the Failure that stands in its place. Asking for the one it
// does not hold throws std::bad_variant_access.
template <typename Value>
class [[nodiscard]] Result {
public:
    Result(Value value) : outcome_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : outcome_(std::in_place_index<1>, std::move(failure)) {}

    bool hasValue() const noexcept { return outcome_.index() == 0; }
    explicit operator bool() const noexcept { return hasValue(); }

    Value& value() & { return std::get<0>(outcome_); }
    const Value& value() const& { return std::get<0>(outcome_); }
    Value&& value() && { return std::get<0>(std::move(outcome_)); }
    Value& operator*() & { return value(); }
    const Value& operator*() const& { return value(); }
    Value* operator->() { return &value(); }
    const Value* operator->() const { return &value(); }

    const Failure& failure() const { return std::get<1>(outcome_); }

private:
    std::variant<Value, Failure> outcome_;
};

// The tree of one JSON document.
Result<foundation::Ref<foundation::Object>> decode(std::string_view text, const DecodeOptions& options = {});

// The JSON text of a tree (or of a lone string, number or null).
Result<std::string> encode(const foundation::Object& value, const EncodeOptions& options = {});

} // namespace jotter
