#include "desktop/PangoText.h"

#include "appkit/Font.h"

#include <string>
#include <vector>

namespace desktop {

namespace {

// byteOffsets[n] is the UTF-8 offset of UTF-16 unit n; one more entry for
// the end. Both units of a surrogate pair map to the start of the character.
std::vector<std::size_t> byteOffsetsOfUTF16Units(std::string_view utf8)
{
    std::vector<std::size_t> offsets;
    for (std::size_t index = 0; index < utf8.size();) {
        unsigned char lead = static_cast<unsigned char>(utf8[index]);
        std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        offsets.push_back(index);
        if (length == 4)
            offsets.push_back(index);
        index += length;
    }
    offsets.push_back(utf8.size());
    return offsets;
}

PangoFontDescription* describe(const appkit::Font& font)
{
    PangoFontDescription* description = pango_font_description_new();
    const std::string& name = font.fontName();
    if (name == appkit::Font::SystemFontName) {
        pango_font_description_set_family(description, "Sans");
    } else {
        pango_font_description_set_family(description, name.substr(0, name.find('-')).c_str());
        if (name.find("Bold") != std::string::npos)
            pango_font_description_set_weight(description, PANGO_WEIGHT_BOLD);
        if (name.find("Italic") != std::string::npos || name.find("Oblique") != std::string::npos)
            pango_font_description_set_style(description, PANGO_STYLE_ITALIC);
    }
    pango_font_description_set_size(description, static_cast<gint>(font.pointSize() * PANGO_SCALE));
    return description;
}

} // namespace

PangoAttrList* pangoAttributes(const appkit::AttributedString& text)
{
    PangoAttrList* list = pango_attr_list_new();
    std::vector<std::size_t> offsets = byteOffsetsOfUTF16Units(text.string().utf8());
    auto byteAt = [&offsets](std::size_t unit) { return offsets[std::min(unit, offsets.size() - 1)]; };
    for (const auto& run : text.runs()) {
        auto found = run.attributes.find(appkit::FontAttributeName);
        if (found == run.attributes.end())
            continue;
        auto* font = dynamic_cast<const appkit::Font*>(found->second.get());
        if (!font)
            continue;
        PangoFontDescription* description = describe(*font);
        PangoAttribute* attribute = pango_attr_font_desc_new(description);
        pango_font_description_free(description);
        attribute->start_index = static_cast<guint>(byteAt(run.range.location));
        attribute->end_index = static_cast<guint>(byteAt(run.range.location + run.range.length));
        pango_attr_list_insert(list, attribute);
    }
    return list;
}

} // namespace desktop
