// Jotter side by side with the C++ JSON libraries a user would pick
// instead, on the three corpora: decoding text to a full tree, encoding that
// tree compact and pretty, and the peak memory of one decode. One run gives
// every figure, so the ratios compare like with like. A last table times a
// decode and an encode in a fresh process and again after 30 decode-and-free
// cycles of the same corpus, the state a long-running program lives in.
//
// Times are the benchmark thread's processor time (BenchTiming.h says why)
// and exclude freeing what the operation made. MB/s is corpus bytes per
// second for every row, so a ratio of MB/s is a ratio of times. simdjson's
// DOM is a read-only tape, not a tree one can change or build: it is listed
// apart, as the speed of light.
//
//   json_bench [--rounds N]                       the tables, in Markdown
//   json_bench --peak-memory LIBRARY CORPUS       one decode's memory, for the tables
//   json_bench --steady-state LIBRARY CORPUS      fresh and steady-state times, for the tables

#include "json/JotterDeserializing.h"

#include "BenchTiming.h"
#include "FreshProcess.h"
#include "Libraries.h"
#include "SameValues.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using bench::Contender;
using bench::json;
using bench::jotterDecode;
using bench::jotterEncode;
using bench::jsonCppDecode;
using bench::jsonCppEncode;
using bench::jsonCppReader;
using bench::rapidDecode;
using bench::rapidEncode;
using bench::textOf;
using bench::timed;
using foundation::Object;
using foundation::Ref;

const char* const Corpora[] = {"canada.json", "citm_catalog.json", "twitter.json"};
const char* const MemoryLibraries[] = {"Jotter", "RapidJSON", "Boost.JSON", "nlohmann-json", "JsonCpp", "simdjson"};
// Decode-and-free cycles before the steady-state figures, and fresh
// processes per library and corpus (each gives one figure of each kind).
constexpr int SteadyStateCycles = 30;
constexpr int SteadyStateProcesses = 7;

// --peak-memory: decode once in this fresh process and print how far the
// resident high-water mark rose.
int reportPeakMemory(const std::string& library, const std::string& path)
{
    std::string text = bench::fileContents(path);
    std::size_t before = bench::restartHighWaterMark();
    std::unique_ptr<bench::LibraryTree> tree = bench::decodeWith(library, text);  // alive until the mark is read
    std::printf("%zu\n", bench::residentBytes("VmHWM") - before);
    return 0;
}

// --steady-state: in this fresh process, the seconds of a decode and of an
// encode of its tree; then, after SteadyStateCycles decode-and-free cycles,
// the same two again.
int reportSteadyState(const std::string& library, const std::string& path)
{
    std::string text = bench::fileContents(path);
    auto decodeAndEncode = [&] {
        std::unique_ptr<bench::LibraryTree> tree;
        double decodeSeconds = timed([&] {
            tree = bench::decodeWith(library, text);
            return 0;
        });
        double encodeSeconds = timed([&] { return tree->encode(); });
        std::printf("%.9f %.9f\n", decodeSeconds, encodeSeconds);
    };
    decodeAndEncode();
    // Each cycle's freed memory is settled as the timed rounds settle it.
    for (int cycle = 0; cycle < SteadyStateCycles; ++cycle)
        timed([&] { return bench::decodeWith(library, text); });
    decodeAndEncode();
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
    const std::string text = bench::fileContents(std::string(BENCH_DATA_DIR) + "/" + name);
    const json corpus = json::parse(text);
    std::printf("\n### %s (%.2f MB)\n\n", name.c_str(), static_cast<double>(text.size()) / 1e6);

    // Each library's tree, checked; the encoders write these. Reading a
    // Jotter tree makes objects of the numbers its slots hold, so the
    // encoders write a tree as the decoder made it (their output is checked
    // below), and the tree that was read is timed apart.
    Ref<jotter::JSONDecoder> checkDecoder = jotter::JSONDecoder::decoder();
    Ref<Object> readTree = jotterDecode(*checkDecoder, text);
    bench::checkSameValues("Jotter's decoder", corpus, bench::fromJotter(*readTree));
    Ref<Object> secondTree = jotterDecode(*checkDecoder, text);
    bench::checkSameValues("Jotter's decoder (second parse)", corpus, bench::fromJotter(*secondTree));
    Ref<Object> jotterTree = jotterDecode(*checkDecoder, text);
    Ref<foundation::Data> data = foundation::Data::create(text);
    bench::checkSameValues("Jotter's one-shot decode", corpus, bench::fromJotter(*jotter::objectFromJSONData(*data)));
    std::unique_ptr<rapidjson::Document> rapidTree = rapidDecode(text);
    bench::checkSameValues("RapidJSON", corpus, bench::fromRapidJSON(*rapidTree));
    bench::checkSameValues("RapidJSON full precision", corpus,
        bench::fromRapidJSON(*rapidDecode<rapidjson::kParseFullPrecisionFlag>(text)));
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
    decoders.push_back({"RapidJSON full precision", [&] {
        return timed([&] { return rapidDecode<rapidjson::kParseFullPrecisionFlag>(text); });
    }});
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
    encoders.push_back({"Jotter compact, every value read first", [&] {
        return timed([&] { return jotterEncode(*readTree, jotter::JTSerializeOptionNone); });
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
        double corpusBytes = static_cast<double>(bench::fileContents(path).size());
        std::map<std::string, double> bytes;
        std::printf("| %s |", corpus);
        for (const char* library : MemoryLibraries) {
            bytes[library] = static_cast<double>(bench::numbersFromChild(program, "--peak-memory", library, path, 1)[0]);
            std::printf(" %.1f (%.1f×) |", bytes[library] / 1e6, bytes[library] / corpusBytes);
        }
        std::printf(" %.2f |\n", bytes["Jotter"] / bytes["RapidJSON"]);
    }
}

// Medians of the fresh-process and steady-state figures, with each peer set
// against Jotter (peer time ÷ Jotter time).
void printSteadyState(const std::string& program)
{
    std::printf("\n### Fresh process and steady state (after %d decode-and-free cycles), median of %d processes\n",
        SteadyStateCycles, SteadyStateProcesses);
    for (const char* corpus : Corpora) {
        std::string path = std::string(BENCH_DATA_DIR) + "/" + corpus;
        std::printf("\n#### %s\n\n", corpus);
        std::printf("| library | decode fresh ms | decode steady ms | encode fresh ms | encode steady ms | decode "
                    "fresh ×, steady × | encode fresh ×, steady × |\n|---|---|---|---|---|---|---|\n");
        std::vector<double> jotter;
        for (const char* library : bench::LibraryNames) {
            if (std::string(library) == "simdjson")
                continue;  // no tree to encode
            // Each process prints decode and encode fresh, then decode and encode steady.
            std::vector<std::vector<double>> samples(4);
            for (int process = 0; process < SteadyStateProcesses; ++process) {
                std::vector<double> figures = bench::numbersFromChild(program, "--steady-state", library, path, 4);
                for (std::size_t kind = 0; kind < 4; ++kind)
                    samples[kind].push_back(figures[kind]);
            }
            std::vector<double> medians;  // decode fresh, decode steady, encode fresh, encode steady
            for (std::size_t kind : {0, 2, 1, 3})
                medians.push_back(bench::summarize(samples[kind]).median);
            std::printf("| %s | %.3f | %.3f | %.3f | %.3f |", library, medians[0] * 1e3, medians[1] * 1e3,
                medians[2] * 1e3, medians[3] * 1e3);
            if (jotter.empty()) {
                jotter = medians;
                std::printf(" | |\n");
                continue;
            }
            std::printf(" %.2f, %.2f | %.2f, %.2f |\n", medians[0] / jotter[0], medians[1] / jotter[1],
                medians[2] / jotter[2], medians[3] / jotter[3]);
        }
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
    std::string text = bench::fileContents("/proc/loadavg");
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
        if (argc == 4 && std::strcmp(argv[1], "--steady-state") == 0)
            return reportSteadyState(argv[2], argv[3]);
        int rounds = 25;
        if (argc == 3 && std::strcmp(argv[1], "--rounds") == 0)
            rounds = std::max(20, std::atoi(argv[2]));
        printMachine("Started");
        std::printf("Processor time, median of %d rounds; ratios are peer time ÷ Jotter time (above 1: Jotter faster).\n",
            rounds);
        for (const char* corpus : Corpora)
            benchmarkCorpus(corpus, rounds);
        std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
        printPeakMemory(program);
        printSteadyState(program);
        std::printf("\n");
        printMachine("Finished");
    } catch (const std::exception& exception) {
        std::fprintf(stderr, "json_bench: %s\n", exception.what());
        return 1;
    }
    return 0;
}
