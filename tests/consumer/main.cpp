// Builds a document with the object model, encodes it, decodes the text
// again and checks that the tree came back equal; prints the text. Exit
// status 0 when the round trip holds.
#include "foundation/objects/Array.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Number.h"
#include "foundation/objects/String.h"
#include "json/JSONDecoder.h"
#include "json/JTSerializer.h"

#include <cstdio>

int main()
{
    using foundation::str;
    foundation::Ref<foundation::Object> document = foundation::Dictionary::create({
        {str("name").get(), str("Jotter \xc3\xa9t\xc3\xa9").get()},
        {str("sizes").get(),
         foundation::Array::create({foundation::Number::withSigned(3).get(), foundation::Number::withDouble(0.5).get()})
             .get()},
    });

    foundation::Ref<foundation::Error> error;
    foundation::Ref<foundation::Object> text = jotter::JTSerializer::serializeObject(document.get(),
        jotter::JTSerializeOptionPretty, jotter::JTEncodeOptionResultString, nullptr, nullptr, {}, &error);
    if (!text) {
        std::fprintf(stderr, "encoding failed: %s\n", error->localizedDescription().c_str());
        return 1;
    }
    std::string_view encoded = static_cast<foundation::String&>(*text).utf8();

    foundation::Ref<foundation::Object> decoded =
        jotter::JSONDecoder::decoder()->objectWithUTF8String(encoded.data(), encoded.size(), &error);
    if (!decoded) {
        std::fprintf(stderr, "decoding failed: %s\n", error->localizedDescription().c_str());
        return 1;
    }
    if (!decoded->isEqual(*document)) {
        std::fprintf(stderr, "the decoded document differs from the encoded one\n");
        return 1;
    }
    std::fwrite(encoded.data(), 1, encoded.size(), stdout);
    std::fputc('\n', stdout);
    return 0;
}
