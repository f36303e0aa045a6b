// The benchmark corpora read by the decoder equal nlohmann-json's reading of
// them, and survive a trip through the encoder and back.

#include "BenchmarkCorpora.h"
#include "DecodingHelpers.h"

#include "support/NlohmannTree.h"


namespace testsupport {

using namespace jotter;

namespace {

TEST(DecoderRoundTrip, CorporaDecodeAsNlohmannReadsThem)
{
    foundation::Ref<JSONDecoder> decoder = JSONDecoder::decoder();
    for (const char* name : benchmarkCorpora) {
        std::optional<std::string> corpus = corpusText(name);
        ASSERT_TRUE(corpus);
        const std::string& text = *corpus;
        foundation::Ref<foundation::Object> reference = testsupport::platformTree(nlohmann::json::parse(text));

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
} // namespace testsupport
