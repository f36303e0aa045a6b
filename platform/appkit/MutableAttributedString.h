#pragma once

#include "appkit/AttributedString.h"
#include "foundation/objects/Data.h"

#include <utility>
#include <vector>

namespace appkit {

// Attributed text whose attributes can be changed. Main thread only, like
// the views that show it.
class MutableAttributedString final : public AttributedString {
public:
    using Piece = std::pair<std::string, Attributes>;

    static foundation::Ref<MutableAttributedString> create(foundation::Ref<foundation::String> string);
    // The pieces' texts (valid UTF-8) one after another, each with its attributes.
    static foundation::Ref<MutableAttributedString> createWithPieces(const std::vector<Piece>& pieces);
    // The platform's initWithHTML:documentAttributes: without document
    // attributes: UTF-8 HTML read by libxml2's HTML parser, which mends
    // broken markup as browsers do. Text gets the fonts the markup asks for
    // (Times 12 points where it asks for none); blocks and <br> break lines,
    // white space runs collapse to one blank, and scripts, styles and the
    // head are not text. Never fails: bytes that hold no HTML give an empty text.
    static foundation::Ref<MutableAttributedString> initWithHTML(const foundation::Data& data);

    // Sets the attribute over the range, replacing its value where the
    // range's characters had one. A range outside the text raises the
    // platform's range exception.
    void addAttribute(std::string_view name, foundation::Ref<foundation::Object> value, foundation::Range range);

    const char* className() const override { return "NSConcreteMutableAttributedString"; }

private:
    using AttributedString::AttributedString;
    // Makes a run boundary at `location` (inside the text or at its end).
    void splitAt(std::size_t location);
};

} // namespace appkit
