// Encode throughput: the trees of the three corpora written as compact JSON
// text by Jotter, side by side with nlohmann-json's dump and RapidJSON's
// Writer on the same documents. Figures are MB of corpus text per second
// (the same numerator for every library, so the ratios are time ratios);
// each is the best of several rounds of at least a quarter second.

#include "foundation/objects/Data.h"
#include "json/JTSerializer.h"
#include "support/NlohmannTree.h"

#include "BenchTiming.h"

#include <nlohmann/json.hpp>

#ifdef HAVE_RAPIDJSON
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#endif

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using bench::readFile;
using bench::secondsPerRun;

struct Contender {
    const char* name;
    std::function<std::size_t()> run;
};

void benchmarkCorpus(const std::string& name)
{
    std::string text = readFile(std::string(BENCH_DATA_DIR) + "/" + name);
    nlohmann::json document = nlohmann::json::parse(text);
    foundation::Ref<foundation::Object> tree = support::platformTree(document);

    std::vector<Contender> contenders;
    contenders.push_back({"Jotter", [&] {
        foundation::Ref<foundation::Object> data = jotter::JTSerializer::serializeObject(tree.get(),
            jotter::JTSerializeOptionNone, jotter::JTEncodeOptionResultData, nullptr, nullptr, {}, nullptr);
        return static_cast<foundation::Data&>(*data).length();
    }});
    contenders.push_back({"nlohmann-json", [&] { return document.dump().size(); }});
#ifdef HAVE_RAPIDJSON
    auto rapidDocument = std::make_shared<rapidjson::Document>();
    rapidDocument->Parse(text.c_str(), text.size());
    contenders.push_back({"RapidJSON", [rapidDocument] {
        rapidjson::StringBuffer buffer;
        rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
        rapidDocument->Accept(writer);
        return buffer.GetSize();
    }});
#endif

    double jotterSeconds = 0;
    for (const Contender& contender : contenders) {
        std::size_t outputBytes = 0;
        double seconds = secondsPerRun(contender.run, outputBytes);
        if (jotterSeconds == 0)
            jotterSeconds = seconds;
        std::printf("%-18s %-14s %8.1f MB/s  %8zu bytes out  Jotter %.2fx as fast\n", name.c_str(), contender.name,
            static_cast<double>(text.size()) / seconds / 1e6, outputBytes, seconds / jotterSeconds);
    }
}

} // namespace

int main()
{
    std::printf("encode: tree -> compact JSON text, MB of corpus text per second\n");
    for (const char* corpus : {"canada.json", "citm_catalog.json", "twitter.json"})
        benchmarkCorpus(corpus);
    return 0;
}
