// The benchmark corpora read by the decoder equal nlohmann-json's reading of
// them, and survive a trip through the encoder and back.

#include "DecodingHelpers.h"

#include "support/NlohmannTree.h"

#include <fstream>
#include <sstream>

namespace jotter::testing {
namespace {

TEST(DecoderRoundTrip, CorporaDecodeAsNlohmannReadsThem)
{
    if (!std::ifstream(std::string(JOTTER_BENCH_DATA_DIR) + "/twitter.json"))
        GTEST_SKIP() << "no benchmark corpora in " << JOTTER_BENCH_DATA_DIR;
    foundation::Ref<JSONDecoder> decoder = JSONDecoder::decoder();
    for (const char* name : {"canada.json", "citm_catalog.json", "twitter.json"}) {
        std::ifstream file(std::string(JOTTER_BENCH_DATA_DIR) + "/" + name, std::ios::binary);
        std::ostringstream contents;
        contents << file.rdbuf();
        std::string text = contents.str();
        foundation::Ref<foundation::Object> reference = support::platformTree(nlohmann::json::parse(text));

        foundation::Ref<foundation::Error> error;
        foundation::Ref<foundation::Object> tree = decoder->objectWithUTF8String(text.data(), text.size(), &error);
        ASSERT_TRUE(tree) << name << ": " << error->localizedDescription();
        EXPECT_TRUE(tree->isEqual(*reference)) << name;

        std::string encoded = jsonText(tree.get());
        foundation::Ref<foundation::Object> again = decoder->objectWithUTF8String(encoded.data(), encoded.size());
        ASSERT_TRUE(again) << name;
        EXPECT_TRUE(again->isEqual(*reference)) << name;
    }
}

} // namespace
} // namespace jotter::testing
