// MutableAttributedString::initWithHTML: libxml2's HTML parser builds the
// tree, and a walk over it turns elements into fonts and line breaks.
#include "appkit/Font.h"
#include "appkit/MutableAttributedString.h"
#include "foundation/objects/String.h"

#include <libxml/HTMLparser.h>

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace appkit {

using foundation::Ref;

namespace {

// What the markup asks of the text it encloses.
struct TextStyle {
    std::string family = "Times";
    double size = 12;
    bool bold = false;
    bool italic = false;

    // "Times-Bold", "Times-Italic", "Times-BoldItalic" or the family alone.
    std::string fontName() const
    {
        if (!bold && !italic)
            return family;
        return family + "-" + (bold ? "Bold" : "") + (italic ? "Italic" : "");
    }
};

bool named(const xmlNode* node, const char* name)
{
    return node->name && xmlStrcasecmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0;
}

std::string attribute(const xmlNode* node, const char* name)
{
    std::unique_ptr<xmlChar, void (*)(void*)> value(xmlGetProp(node, reinterpret_cast<const xmlChar*>(name)), xmlFree);
    return value ? reinterpret_cast<const char*>(value.get()) : "";
}

bool isBlock(const xmlNode* node)
{
    static const char* const blocks[] = {"p", "div", "h1", "h2", "h3", "h4", "h5", "h6", "ul", "ol", "li",
                                         "blockquote", "pre", "table", "tr", "dl", "dt", "dd", "section",
                                         "article", "header", "footer", "address", "hr"};
    for (const char* block : blocks) {
        if (named(node, block))
            return true;
    }
    return false;
}

bool isNotText(const xmlNode* node)
{
    return named(node, "head") || named(node, "script") || named(node, "style") || named(node, "title");
}

std::string trimmed(std::string text)
{
    auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// A CSS length in points: "14px" and "13.5pt" alike (the platform's importer
// takes a CSS pixel as a point); no value for anything else. CSS writes a
// decimal point in every locale, so the number is read without the locale.
double cssSize(std::string_view value)
{
    if (value.starts_with('+'))
        value.remove_prefix(1);
    double size = 0;
    bool read = std::from_chars(value.data(), value.data() + value.size(), size).ec == std::errc();
    return read && std::isfinite(size) && size > 0 ? size : 0;
}

// The declarations of a style attribute that choose a font.
void applyInlineStyle(const std::string& style, TextStyle& textStyle)
{
    std::size_t start = 0;
    while (start < style.size()) {
        std::size_t end = style.find(';', start);
        std::string declaration = style.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? style.size() : end + 1;
        auto colon = declaration.find(':');
        if (colon == std::string::npos)
            continue;
        std::string property = trimmed(declaration.substr(0, colon));
        std::string value = trimmed(declaration.substr(colon + 1));
        if (property == "font-family") {
            std::string first = trimmed(value.substr(0, value.find(',')));
            if (first.size() >= 2 && (first.front() == '\'' || first.front() == '"'))
                first = first.substr(1, first.size() - 2);
            if (!first.empty())
                textStyle.family = first;
        } else if (property == "font-size") {
            if (double size = cssSize(value))
                textStyle.size = size;
        } else if (property == "font-weight") {
            textStyle.bold = value == "bold" || value == "bolder" || std::atoi(value.c_str()) >= 600;
        } else if (property == "font-style") {
            textStyle.italic = value == "italic" || value == "oblique";
        }
    }
}

TextStyle styleFor(const xmlNode* node, TextStyle style)
{
    static const double headingSizes[] = {24, 18, 14, 12, 10, 8};
    if (named(node, "b") || named(node, "strong") || named(node, "th") || named(node, "dt"))
        style.bold = true;
    if (named(node, "i") || named(node, "em") || named(node, "cite") || named(node, "var") || named(node, "address"))
        style.italic = true;
    if (named(node, "code") || named(node, "tt") || named(node, "pre") || named(node, "kbd") || named(node, "samp"))
        style.family = "Courier";
    for (int level = 1; level <= 6; ++level) {
        std::string heading = "h" + std::to_string(level);
        if (named(node, heading.c_str())) {
            style.bold = true;
            style.size = headingSizes[level - 1];
        }
    }
    if (named(node, "font")) {
        if (std::string face = attribute(node, "face"); !face.empty())
            style.family = trimmed(face.substr(0, face.find(',')));
        // HTML's seven font sizes, as browsers draw them.
        static const double fontSizes[] = {10, 13, 16, 18, 24, 32, 48};
        if (int size = std::atoi(attribute(node, "size").c_str()); size >= 1 && size <= 7)
            style.size = fontSizes[size - 1];
    }
    if (std::string inlineStyle = attribute(node, "style"); !inlineStyle.empty())
        applyInlineStyle(inlineStyle, style);
    return style;
}

class HTMLText {
public:
    void walk(const xmlNode* node, const TextStyle& style, bool preformatted)
    {
        for (; node; node = node->next) {
            if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
                append(reinterpret_cast<const char*>(node->content), style, preformatted);
                continue;
            }
            if (node->type != XML_ELEMENT_NODE || isNotText(node))
                continue;
            if (named(node, "br")) {
                newline(style);
                continue;
            }
            bool block = isBlock(node);
            if (block)
                endLine(style);
            walk(node->children, styleFor(node, style), preformatted || named(node, "pre"));
            if (block)
                endLine(style);
        }
    }

    std::vector<MutableAttributedString::Piece> finish()
    {
        // The blocks' closing line breaks at the very end carry no text.
        while (!pieces_.empty()) {
            std::string& last = pieces_.back().first;
            while (!last.empty() && last.back() == '\n')
                last.pop_back();
            if (!last.empty())
                break;
            pieces_.pop_back();
        }
        return std::move(pieces_);
    }

private:
    void append(const char* content, const TextStyle& style, bool preformatted)
    {
        std::string text;
        for (const char* c = content; c && *c; ++c) {
            bool blank = *c == ' ' || *c == '\t' || *c == '\n' || *c == '\r' || *c == '\f';
            if (preformatted || !blank) {
                text += *c;
                lastWasBlank_ = blank && *c != '\n';
                atLineStart_ = *c == '\n';
                continue;
            }
            if (!lastWasBlank_ && !atLineStart_)
                text += ' ';
            lastWasBlank_ = true;
        }
        // libxml2 recovers from bytes that are not UTF-8 by passing some of
        // them through into the text as they were.
        add(foundation::withInvalidUTF8Replaced(text), style);
    }

    void newline(const TextStyle& style)
    {
        dropTrailingBlank();
        add("\n", style);
        atLineStart_ = true;
        lastWasBlank_ = false;
    }

    void endLine(const TextStyle& style)
    {
        if (!atLineStart_ && !pieces_.empty())
            newline(style);
    }

    void dropTrailingBlank()
    {
        if (!pieces_.empty() && !pieces_.back().first.empty() && pieces_.back().first.back() == ' ')
            pieces_.back().first.pop_back();
    }

    void add(const std::string& text, const TextStyle& style)
    {
        if (text.empty())
            return;
        std::string name = style.fontName();
        if (!pieces_.empty() && lastFont_ == name && lastSize_ == style.size) {
            pieces_.back().first += text;
            return;
        }
        AttributedString::Attributes attributes;
        attributes.emplace(std::string(FontAttributeName), Font::fontWithName(name, style.size));
        pieces_.emplace_back(text, std::move(attributes));
        lastFont_ = name;
        lastSize_ = style.size;
        atLineStart_ = text.back() == '\n';
    }

    std::vector<MutableAttributedString::Piece> pieces_;
    std::string lastFont_;
    double lastSize_ = 0;
    bool atLineStart_ = true;
    bool lastWasBlank_ = false;
};

} // namespace

Ref<MutableAttributedString> MutableAttributedString::initWithHTML(const foundation::Data& data)
{
    if (data.length() > static_cast<std::size_t>(INT_MAX))
        return create(nullptr);
    int options = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET;
    std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)> document(
        htmlReadMemory(reinterpret_cast<const char*>(data.bytes()), static_cast<int>(data.length()), nullptr, "UTF-8", options),
        xmlFreeDoc);
    if (!document)
        return create(nullptr);
    HTMLText text;
    text.walk(xmlDocGetRootElement(document.get()), TextStyle{}, false);
    return createWithPieces(text.finish());
}

} // namespace appkit
