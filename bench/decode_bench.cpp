// Decode throughput: the three corpora turned into full object trees by
// Jotter's decoder. Figures are MB of corpus text per second, best of
// several rounds; "reused decoder" keeps its string and number cache from
// one parse to the next, "fresh decoder" starts cold every time.

#include "json/JSONDecoder.h"

#include "BenchTiming.h"

#include <cstdio>
#include <string>

namespace {

void benchmarkCorpus(const std::string& name)
{
    std::string text = bench::readFile(std::string(BENCH_DATA_DIR) + "/" + name);
    foundation::Ref<jotter::JSONDecoder> reused = jotter::JSONDecoder::decoder();
    auto decodeWith = [&text](jotter::JSONDecoder& decoder) -> std::size_t {
        foundation::Ref<foundation::Object> tree = decoder.objectWithUTF8String(text.data(), text.size());
        if (!tree)
            throw std::runtime_error("the corpus did not decode");
        return text.size();
    };
    std::size_t bytes = 0;
    double reusedSeconds = bench::secondsPerRun([&] { return decodeWith(*reused); }, bytes);
    double freshSeconds = bench::secondsPerRun([&] { return decodeWith(*jotter::JSONDecoder::decoder()); }, bytes);
    std::printf("%-18s reused decoder %8.1f MB/s   fresh decoder %8.1f MB/s\n", name.c_str(),
        static_cast<double>(text.size()) / reusedSeconds / 1e6, static_cast<double>(text.size()) / freshSeconds / 1e6);
}

} // namespace

int main()
{
    std::printf("decode: JSON text -> object tree, MB of corpus text per second\n");
    for (const char* corpus : {"canada.json", "citm_catalog.json", "twitter.json"})
        benchmarkCorpus(corpus);
    return 0;
}
