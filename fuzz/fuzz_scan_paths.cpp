// The decoder's two ways over plain runs, sixteen bytes a step and a byte
// at a time, must not be told apart: every input decodes to equal trees, or
// fails with the same message, offset and line, either way. The first byte
// picks the parse options; the rest is the document.

#include "json/JSONDecoder.h"
#include "json/internal/JTScanPath.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace jotter;

struct Outcome {
    foundation::Ref<foundation::Object> tree;
    foundation::Ref<foundation::Error> error;
};

Outcome decode(const char* text, std::size_t length, JTParseOptionFlags options, bool vector)
{
    jt_setVectorScanning(vector);
    Outcome outcome;
    outcome.tree = JSONDecoder::decoderWithParseOptions(options)->objectWithUTF8String(text, length, &outcome.error);
    return outcome;
}

std::string describe(const Outcome& outcome)
{
    return outcome.tree ? outcome.tree->description() : outcome.error->description();
}

bool same(const Outcome& a, const Outcome& b)
{
    if (a.tree || b.tree)
        return a.tree && b.tree && a.tree->isEqual(*b.tree);
    return a.error->localizedDescription() == b.error->localizedDescription()
        && a.error->userInfo()->isEqual(*b.error->userInfo());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    if (size == 0)
        return 0;
    const JTParseOptionFlags options = bytes[0] & JTParseOptionMask;
    const char* text = reinterpret_cast<const char*>(bytes + 1);
    Outcome vector = decode(text, size - 1, options, true);
    Outcome scalar = decode(text, size - 1, options, false);
    if (!same(vector, scalar)) {
        std::fprintf(stderr, "the scanning paths disagree:\nvector: %s\nscalar: %s\n", describe(vector).c_str(),
            describe(scalar).c_str());
        std::abort();
    }
    return 0;
}
