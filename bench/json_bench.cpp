// Jotter side by side with the C++ JSON libraries a user would pick
// instead, on the three corpora: decoding text to a full tree, encoding that
// tree compact and pretty, and the peak memory of one decode. One run gives
// every figure, so the ratios compare like with like.
//
// Times are the benchmark thread's processor time (BenchTiming.h says why)
// and exclude freeing what the operation made. MB/s is corpus bytes per
// second for every row, so a ratio of MB/s is a ratio of times. simdjson's
// DOM is a read-only tape, not a tree one can change or build: it is listed
// apart, as the speed of light.
//
//   json_bench [--rounds N]                       the tables, in Markdown
//   json_bench --peak-memory LIBRARY CORPUS       one decode's memory, for the tables

#include "foundation/objects/Data.h"
#include "json/JSONDecoder.h"
#include "json/JTSerializer.h"
#include "json/JotterDeserializing.h"

#include "BenchTiming.h"
#include "PeakMemory.h"
#include "SameValues.h"

#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using bench::Contender;
using bench::json;
using bench::timed;
using foundation::Object;
using foundation::Ref;

const char* const Corpora[] = {"canada.json", "citm_catalog.json", "twitter.json"};
const char* const MemoryLibraries[] = {"Jotter", "RapidJSON", "Boost.JSON", "nlohmann-json", "JsonCpp", "simdjson"};

Ref<Object> jotterDecode(jotter::JSONDecoder& decoder, const std::string& text)
{
    Ref<Object> tree = decoder.objectWithUTF8String(text.data(), text.size());
    if (!tree)
        throw std::runtime_error("Jotter did not decode the corpus");
    return tree;
}

// The Data the encoder returns, timed as it comes: copying it into a string
// would charge Jotter for a copy no caller makes.
Ref<Object> jotterEncode(Object& tree, jotter::JTSerializeOptionFlags options)
{
    Ref<Object> data = jotter::JTSerializer::serializeObject(&tree, options, jotter::JTEncodeOptionResultData,
        nullptr, nullptr, {}, nullptr);
    if (!data)
        throw std::runtime_error("Jotter did not encode the tree");
    return data;
}

std::string textOf(const Object& data)
{
    const auto& bytes = static_cast<const foundation::Data&>(data);
    return {reinterpret_cast<const char*>(bytes.bytes()), bytes.length()};
}

std::unique_ptr<rapidjson::Document> rapidDecode(const std::string& text)
{
    auto document = std::make_unique<rapidjson::Document>();
    document->Parse(text.data(), text.size());
    if (document->HasParseError())
        throw std::runtime_error("RapidJSON did not decode the corpus");
    return document;
}

// The buffer as the writer leaves it, for the same reason as Jotter's Data.
template <typename Writer>
std::unique_ptr<rapidjson::StringBuffer> rapidEncode(const rapidjson::Document& document)
{
    auto buffer = std::make_unique<rapidjson::StringBuffer>();
    Writer writer(*buffer);
    document.Accept(writer);
    return buffer;
}

std::string textOf(const rapidjson::StringBuffer& buffer)
{
    return {buffer.GetString(), buffer.GetSize()};
}

std::unique_ptr<Json::CharReader> jsonCppReader()
{
    return std::unique_ptr<Json::CharReader>(Json::CharReaderBuilder().newCharReader());
}

std::unique_ptr<Json::Value> jsonCppDecode(Json::CharReader& reader, const std::string& text)
{
    auto root = std::make_unique<Json::Value>();
    std::string errors;
    if (!reader.parse(text.data(), text.data() + text.size(), root.get(), &errors))
        throw std::runtime_error("JsonCpp did not decode the corpus: " + errors);
    return root;
}

std::string jsonCppEncode(const Json::Value& root)
{
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    return Json::writeString(builder, root);
}

// --peak-memory: decode once in this fresh process and print how far the
// resident high-water mark rose.
int reportPeakMemory(const std::string& library, const std::string& path)
{
    std::string text = bench::readFile(path);
    simdjson::padded_string padded(text);
    std::unique_ptr<Json::CharReader> reader = jsonCppReader();
    simdjson::dom::parser simdParser;
    std::size_t before = bench::residentHighWaterMark();
    // Every tree stays alive until the mark is read again.
    Ref<jotter::JSONDecoder> decoder;
    Ref<Object> jotterTree;
    std::unique_ptr<rapidjson::Document> rapidTree;
    boost::json::value boostTree;
    json nlohmannTree;
    std::unique_ptr<Json::Value> jsonCppTree;
    if (library == "Jotter") {
        decoder = jotter::JSONDecoder::decoder();
        jotterTree = jotterDecode(*decoder, text);
    } else if (library == "RapidJSON") {
        rapidTree = rapidDecode(text);
    } else if (library == "Boost.JSON") {
        boostTree = boost::json::parse(text);
    } else if (library == "nlohmann-json") {
        nlohmannTree = json::parse(text);
    } else if (library == "JsonCpp") {
        jsonCppTree = jsonCppDecode(*reader, text);
    } else if (library == "simdjson") {
        simdjson::dom::element root = simdParser.parse(padded);
        static_cast<void>(root);
    } else {
        throw std::runtime_error("no library " + library);
    }
    std::printf("%zu\n", bench::residentHighWaterMark() - before);
    return 0;
}

double megabytesPerSecond(std::size_t bytes, double seconds)
{
    return static_cast<double>(bytes) / seconds / 1e6;
}

// A ratio column: the heading and the Jotter median the peers are set against.
struct JotterColumn {
    std::string heading;
    double median;
};

double median(const Contender& contender)
{
    return bench::summarize(contender.samples).median;
}

void printHeader(const char* what, const std::vector<JotterColumn>& columns)
{
    std::printf("| %s | median ms | IQR ms | MB/s |", what);
    for (const JotterColumn& column : columns)
        std::printf(" %s |", column.heading.c_str());
    std::printf("\n|---|---|---|---|");
    for (std::size_t index = 0; index < columns.size(); ++index)
        std::printf("---|");
    std::printf("\n");
}

void printRows(const std::vector<Contender>& contenders, std::size_t corpusBytes,
    const std::vector<JotterColumn>& columns)
{
    for (const Contender& contender : contenders) {
        bench::Summary summary = bench::summarize(contender.samples);
        std::printf("| %s | %.3f | %.3f–%.3f | %.0f |", contender.name.c_str(), summary.median * 1e3,
            summary.lowerQuartile * 1e3, summary.upperQuartile * 1e3, megabytesPerSecond(corpusBytes, summary.median));
        bool isJotter = contender.name.rfind("Jotter", 0) == 0;
        for (const JotterColumn& column : columns) {
            if (isJotter)
                std::printf(" |");
            else
                std::printf(" %.2f |", summary.median / column.median);
        }
        std::printf("\n");
    }
}

void benchmarkCorpus(const std::string& name, int rounds)
{
    const std::string text = bench::readFile(std::string(BENCH_DATA_DIR) + "/" + name);
    const json corpus = json::parse(text);
    std::printf("\n### %s (%.2f MB)\n\n", name.c_str(), static_cast<double>(text.size()) / 1e6);

    // Each library's tree, checked; the encoders write these.
    Ref<jotter::JSONDecoder> checkDecoder = jotter::JSONDecoder::decoder();
    Ref<Object> jotterTree = jotterDecode(*checkDecoder, text);
    bench::checkSameValues("Jotter's decoder", corpus, bench::fromJotter(*jotterTree));
    Ref<Object> secondTree = jotterDecode(*checkDecoder, text);
    bench::checkSameValues("Jotter's decoder (second parse)", corpus, bench::fromJotter(*secondTree));
    Ref<foundation::Data> data = foundation::Data::create(text);
    bench::checkSameValues("Jotter's one-shot decode", corpus, bench::fromJotter(*jotter::objectFromJSONData(*data)));
    std::unique_ptr<rapidjson::Document> rapidTree = rapidDecode(text);
    bench::checkSameValues("RapidJSON", corpus, bench::fromRapidJSON(*rapidTree));
    boost::json::value boostTree = boost::json::parse(text);
    bench::checkSameValues("Boost.JSON", corpus, bench::fromBoost(boostTree));
    std::unique_ptr<Json::CharReader> reader = jsonCppReader();
    std::unique_ptr<Json::Value> jsonCppTree = jsonCppDecode(*reader, text);
    bench::checkSameValues("JsonCpp", corpus, bench::fromJsonCpp(*jsonCppTree));
    simdjson::padded_string padded(text);
    simdjson::dom::parser simdParser;
    bench::checkSameValues("simdjson", corpus, bench::fromSimdjson(simdParser.parse(padded)));

    std::vector<Contender> decoders;
    decoders.push_back({"Jotter JSONDecoder, 1st parse", [&] {
        Ref<jotter::JSONDecoder> decoder = jotter::JSONDecoder::decoder();
        return timed([&] { return jotterDecode(*decoder, text); });
    }});
    decoders.push_back({"Jotter JSONDecoder, 2nd parse", [&] {
        Ref<jotter::JSONDecoder> decoder = jotter::JSONDecoder::decoder();
        jotterDecode(*decoder, text);
        return timed([&] { return jotterDecode(*decoder, text); });
    }});
    decoders.push_back({"Jotter objectFromJSONData", [&] { return timed([&] { return jotter::objectFromJSONData(*data); }); }});
    decoders.push_back({"RapidJSON Document::Parse", [&] { return timed([&] { return rapidDecode(text); }); }});
    decoders.push_back({"Boost.JSON parse", [&] { return timed([&] { return boost::json::parse(text); }); }});
    decoders.push_back({"nlohmann-json parse", [&] { return timed([&] { return json::parse(text); }); }});
    decoders.push_back({"JsonCpp CharReader", [&] { return timed([&] { return jsonCppDecode(*reader, text); }); }});
    std::vector<Contender> speedOfLight;
    speedOfLight.push_back({"simdjson DOM (tape, reference)", [&] {
        return timed([&] { return simdParser.parse(padded).error(); });
    }});

    // The encoders' outputs, read back and checked.
    auto checkText = [&](const std::string& contender, const std::string& output) {
        bench::checkSameValues(contender, corpus, json::parse(output));
    };
    checkText("Jotter compact", textOf(*jotterEncode(*jotterTree, jotter::JTSerializeOptionNone)));
    checkText("Jotter pretty", textOf(*jotterEncode(*jotterTree, jotter::JTSerializeOptionPretty)));
    checkText("RapidJSON Writer", textOf(*rapidEncode<rapidjson::Writer<rapidjson::StringBuffer>>(*rapidTree)));
    checkText("RapidJSON PrettyWriter",
        textOf(*rapidEncode<rapidjson::PrettyWriter<rapidjson::StringBuffer>>(*rapidTree)));
    checkText("Boost.JSON serialize", boost::json::serialize(boostTree));
    checkText("nlohmann-json dump", corpus.dump());
    checkText("JsonCpp StreamWriter", jsonCppEncode(*jsonCppTree));

    std::vector<Contender> encoders;
    encoders.push_back({"Jotter compact", [&] {
        return timed([&] { return jotterEncode(*jotterTree, jotter::JTSerializeOptionNone); });
    }});
    encoders.push_back({"RapidJSON Writer", [&] {
        return timed([&] { return rapidEncode<rapidjson::Writer<rapidjson::StringBuffer>>(*rapidTree); });
    }});
    encoders.push_back({"Boost.JSON serialize", [&] { return timed([&] { return boost::json::serialize(boostTree); }); }});
    encoders.push_back({"nlohmann-json dump", [&] { return timed([&] { return corpus.dump(); }); }});
    encoders.push_back({"JsonCpp StreamWriter", [&] { return timed([&] { return jsonCppEncode(*jsonCppTree); }); }});
    std::vector<Contender> prettyEncoders;
    prettyEncoders.push_back({"Jotter pretty", [&] {
        return timed([&] { return jotterEncode(*jotterTree, jotter::JTSerializeOptionPretty); });
    }});
    prettyEncoders.push_back({"RapidJSON PrettyWriter", [&] {
        return timed([&] { return rapidEncode<rapidjson::PrettyWriter<rapidjson::StringBuffer>>(*rapidTree); });
    }});

    // All take turns in the same rounds.
    std::vector<Contender> all;
    for (auto* group : {&decoders, &speedOfLight, &encoders, &prettyEncoders})
        for (Contender& contender : *group)
            all.push_back(std::move(contender));
    bench::runInTurns(all, rounds);
    std::size_t next = 0;
    for (auto* group : {&decoders, &speedOfLight, &encoders, &prettyEncoders})
        for (Contender& contender : *group)
            contender = std::move(all[next++]);

    const std::vector<JotterColumn> decodeColumns = {{"Jotter 1st ×", median(decoders[0])},
        {"Jotter 2nd ×", median(decoders[1])}, {"Jotter one-shot ×", median(decoders[2])}};
    printHeader("decode", decodeColumns);
    printRows(decoders, text.size(), decodeColumns);
    printRows(speedOfLight, text.size(), decodeColumns);
    std::printf("\n");
    printHeader("encode compact", {{"Jotter ×", median(encoders[0])}});
    printRows(encoders, text.size(), {{"Jotter ×", median(encoders[0])}});
    std::printf("\n");
    printHeader("encode pretty", {{"Jotter ×", median(prettyEncoders[0])}});
    printRows(prettyEncoders, text.size(), {{"Jotter ×", median(prettyEncoders[0])}});
}

void printPeakMemory(const std::string& program)
{
    std::printf("\n### Peak memory of one decode (resident high-water mark growth, MB; × corpus size)\n\n");
    std::printf("| corpus |");
    for (const char* library : MemoryLibraries)
        std::printf(" %s |", library);
    std::printf(" Jotter ÷ RapidJSON |\n|---|");
    for (std::size_t index = 0; index <= std::size(MemoryLibraries); ++index)
        std::printf("---|");
    std::printf("\n");
    for (const char* corpus : Corpora) {
        std::string path = std::string(BENCH_DATA_DIR) + "/" + corpus;
        double corpusBytes = static_cast<double>(bench::readFile(path).size());
        std::map<std::string, double> bytes;
        std::printf("| %s |", corpus);
        for (const char* library : MemoryLibraries) {
            bytes[library] = static_cast<double>(bench::peakMemoryInChild(program, library, path));
            std::printf(" %.1f (%.1f×) |", bytes[library] / 1e6, bytes[library] / corpusBytes);
        }
        std::printf(" %.2f |\n", bytes["Jotter"] / bytes["RapidJSON"]);
    }
}

std::string firstLineOf(const char* path, const char* prefix)
{
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (line.rfind(prefix, 0) == 0)
            return line.substr(line.find(':') + 2);
    }
    return "?";
}

// The 1, 5 and 15 minute load averages.
std::string loadAverage()
{
    std::string text = bench::readFile("/proc/loadavg");
    std::size_t end = 0;
    for (int field = 0; field < 3; ++field)
        end = text.find(' ', end + 1);
    return text.substr(0, end);
}

void printMachine(const char* when)
{
    std::time_t now = std::time(nullptr);
    char date[64];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
    utsname system{};
    uname(&system);
    std::printf("%s: %s, %s (%s %s), %ld cores, load average %s\n", when, date,
        firstLineOf("/proc/cpuinfo", "model name").c_str(), system.sysname, system.release,
        sysconf(_SC_NPROCESSORS_ONLN), loadAverage().c_str());
}

} // namespace

int main(int argc, char** argv)
{
    try {
        if (argc == 4 && std::strcmp(argv[1], "--peak-memory") == 0)
            return reportPeakMemory(argv[2], argv[3]);
        int rounds = 25;
        if (argc == 3 && std::strcmp(argv[1], "--rounds") == 0)
            rounds = std::max(20, std::atoi(argv[2]));
        printMachine("Started");
        std::printf("Processor time, median of %d rounds; ratios are peer time ÷ Jotter time (above 1: Jotter faster).\n",
            rounds);
        for (const char* corpus : Corpora)
            benchmarkCorpus(corpus, rounds);
        printPeakMemory(std::filesystem::read_symlink("/proc/self/exe").string());
        std::printf("\n");
        printMachine("Finished");
    } catch (const std::exception& exception) {
        std::fprintf(stderr, "json_bench: %s\n", exception.what());
        return 1;
    }
    return 0;
}
