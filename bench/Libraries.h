#pragma once

// Each library the benchmark measures, reduced to what it does: decode a
// corpus to the library's own tree, and encode a tree back to compact text.
// The timed tables call these directly; the measurements made in a fresh
// process reach a library by name.

#include "foundation/objects/Data.h"
#include "json/JSONDecoder.h"
#include "json/JTSerializer.h"

#include <boost/json.hpp>
#include <json/json.h>
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#include <simdjson.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace bench {

inline foundation::Ref<foundation::Object> jotterDecode(jotter::JSONDecoder& decoder, const std::string& text)
{
    foundation::Ref<foundation::Object> tree = decoder.objectWithUTF8String(text.data(), text.size());
    if (!tree)
        throw std::runtime_error("Jotter did not decode the corpus");
    return tree;
}

// The Data the encoder returns, timed as it comes: copying it into a string
// would charge Jotter for a copy no caller makes.
inline foundation::Ref<foundation::Object> jotterEncode(foundation::Object& tree, jotter::JTSerializeOptionFlags options)
{
    foundation::Ref<foundation::Object> data = jotter::JTSerializer::serializeObject(&tree, options, jotter::JTEncodeOptionResultData,
        nullptr, nullptr, {}, nullptr);
    if (!data)
        throw std::runtime_error("Jotter did not encode the tree");
    return data;
}

inline std::string textOf(const foundation::Object& data)
{
    const auto& bytes = static_cast<const foundation::Data&>(data);
    return {reinterpret_cast<const char*>(bytes.bytes()), bytes.length()};
}

// RapidJSON reads doubles approximately unless asked for full precision
// (then it gives the same doubles as strtod, as Jotter does).
template <unsigned Flags = rapidjson::kParseDefaultFlags>
std::unique_ptr<rapidjson::Document> rapidDecode(const std::string& text)
{
    auto document = std::make_unique<rapidjson::Document>();
    document->Parse<Flags>(text.data(), text.size());
    if (document->HasParseError())
        throw std::runtime_error("RapidJSON did not decode the corpus");
    return document;
}

// The buffer as the writer leaves it, for the same reason as Jotter's Data.
template <typename Writer>
inline std::unique_ptr<rapidjson::StringBuffer> rapidEncode(const rapidjson::Document& document)
{
    auto buffer = std::make_unique<rapidjson::StringBuffer>();
    Writer writer(*buffer);
    document.Accept(writer);
    return buffer;
}

inline std::string textOf(const rapidjson::StringBuffer& buffer)
{
    return {buffer.GetString(), buffer.GetSize()};
}

inline std::unique_ptr<Json::CharReader> jsonCppReader()
{
    return std::unique_ptr<Json::CharReader>(Json::CharReaderBuilder().newCharReader());
}

inline std::unique_ptr<Json::Value> jsonCppDecode(Json::CharReader& reader, const std::string& text)
{
    auto root = std::make_unique<Json::Value>();
    std::string errors;
    if (!reader.parse(text.data(), text.data() + text.size(), root.get(), &errors))
        throw std::runtime_error("JsonCpp did not decode the corpus: " + errors);
    return root;
}

inline std::string jsonCppEncode(const Json::Value& root)
{
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    return Json::writeString(builder, root);
}

// A library's tree of one corpus, kept alive by this handle.
class LibraryTree {
public:
    virtual ~LibraryTree() = default;
    // Encodes the tree compact and returns the length of the text.
    virtual std::size_t encode() const = 0;
};

template <typename Tree, typename Encode>
class TreeOf final : public LibraryTree {
public:
    TreeOf(Tree tree, Encode encode) : tree_(std::move(tree)), encode_(std::move(encode)) {}
    std::size_t encode() const override { return encode_(tree_); }

private:
    Tree tree_;
    Encode encode_;
};

template <typename Tree, typename Encode>
std::unique_ptr<LibraryTree> treeOf(Tree tree, Encode encode)
{
    return std::make_unique<TreeOf<Tree, Encode>>(std::move(tree), std::move(encode));
}

// simdjson's read-only DOM keeps its parser and input; it has no encoder.
struct SimdjsonTree {
    std::unique_ptr<simdjson::dom::parser> parser = std::make_unique<simdjson::dom::parser>();
    simdjson::padded_string input;
    simdjson::dom::element root;
};

// The libraries by name, as the fresh-process measurements know them.
inline constexpr const char* LibraryNames[] = {"Jotter", "RapidJSON", "RapidJSON full precision", "Boost.JSON",
    "nlohmann-json", "JsonCpp", "simdjson"};

inline std::unique_ptr<LibraryTree> decodeWith(const std::string& library, const std::string& text)
{
    if (library == "Jotter") {
        foundation::Ref<jotter::JSONDecoder> decoder = jotter::JSONDecoder::decoder();
        return treeOf(jotterDecode(*decoder, text), [](const foundation::Ref<foundation::Object>& tree) {
            return static_cast<const foundation::Data&>(*jotterEncode(*tree, jotter::JTSerializeOptionNone)).length();
        });
    }
    auto rapidEncodeCompact = [](const std::unique_ptr<rapidjson::Document>& tree) {
        return rapidEncode<rapidjson::Writer<rapidjson::StringBuffer>>(*tree)->GetSize();
    };
    if (library == "RapidJSON")
        return treeOf(rapidDecode(text), rapidEncodeCompact);
    if (library == "RapidJSON full precision")
        return treeOf(rapidDecode<rapidjson::kParseFullPrecisionFlag>(text), rapidEncodeCompact);
    if (library == "Boost.JSON")
        return treeOf(boost::json::parse(text), [](const boost::json::value& tree) { return boost::json::serialize(tree).size(); });
    if (library == "nlohmann-json")
        return treeOf(nlohmann::json::parse(text), [](const nlohmann::json& tree) { return tree.dump().size(); });
    if (library == "JsonCpp") {
        std::unique_ptr<Json::CharReader> reader = jsonCppReader();
        return treeOf(jsonCppDecode(*reader, text), [](const std::unique_ptr<Json::Value>& tree) {
            return jsonCppEncode(*tree).size();
        });
    }
    if (library == "simdjson") {
        auto tree = std::make_unique<SimdjsonTree>();
        tree->input = simdjson::padded_string(text);
        tree->root = tree->parser->parse(tree->input);
        return treeOf(std::move(tree), [](const std::unique_ptr<SimdjsonTree>&) -> std::size_t {
            throw std::runtime_error("simdjson has no encoder");
        });
    }
    throw std::runtime_error("no library " + library);
}

} // namespace bench
