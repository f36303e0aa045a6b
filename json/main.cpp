// jotter: decodes a JSON document with the library and writes it back
// encoded. Exit status 0 on success, 1 when the input cannot be read,
// decoded or encoded, 2 on a usage error.

#include "foundation/objects/Data.h"
#include "foundation/objects/Number.h"
#include "json/JSONDecoder.h"
#include "json/JTError.h"
#include "json/JTSerializer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view usage = R"(Usage: jotter [OPTIONS] [FILE]

Reads the JSON document in FILE (standard input when FILE is missing or -),
decodes it and writes it back to standard output, compact unless --pretty
is given, followed by one line break.

Reading:
  --comments          allow /* ... */ and // ... comments
  --unicode-newlines  count U+0085, U+2028 and U+2029 as line breaks
  --lenient-unicode   replace malformed UTF-8 and illegal \u escapes with U+FFFD
  --trailing-text     ignore text after the document
Writing:
  --pretty            indent by two blanks, one value per line, keys sorted
  --escape-unicode    write characters above U+007F as \u escapes
  --escape-slash      write the slash as \/
Other:
  --check             decode only; print nothing when the document is valid
  --help              show this text

A document that does not decode gives one line on standard error,
  jotter: FILE:LINE: MESSAGE (byte OFFSET)
and exit status 1. Exit status 2 means the command line was wrong.
)";

struct Options {
    jotter::JTParseOptionFlags parse = jotter::JTParseOptionNone;
    jotter::JTSerializeOptionFlags serialize = jotter::JTSerializeOptionNone;
    bool checkOnly = false;
    bool help = false;
    std::string file;  // empty for standard input
};

int usageError(const std::string& message)
{
    std::fprintf(stderr, "jotter: %s\nTry 'jotter --help'.\n", message.c_str());
    return 2;
}

// Fills `options` from the command line; false after a usage error.
bool readArguments(int argc, char** argv, Options& options, int& status)
{
    bool haveFile = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        if (argument == "--pretty") options.serialize |= jotter::JTSerializeOptionPretty;
        else if (argument == "--escape-unicode") options.serialize |= jotter::JTSerializeOptionNonASCIIEscape;
        else if (argument == "--escape-slash") options.serialize |= jotter::JTSerializeOptionSlashEscape;
        else if (argument == "--comments") options.parse |= jotter::JTParseOptionAllowComments;
        else if (argument == "--unicode-newlines") options.parse |= jotter::JTParseOptionUnicodeLineBreaks;
        else if (argument == "--lenient-unicode") options.parse |= jotter::JTParseOptionLenientUnicode;
        else if (argument == "--trailing-text") options.parse |= jotter::JTParseOptionAllowTrailingText;
        else if (argument == "--check") options.checkOnly = true;
        else if (argument == "--help") options.help = true;
        else if (argument.size() > 1 && argument[0] == '-') {
            status = usageError("unknown option '" + std::string(argument) + "'");
            return false;
        } else if (haveFile) {
            status = usageError("more than one FILE: '" + options.file + "' and '" + std::string(argument) + "'");
            return false;
        } else {
            haveFile = true;
            options.file = argument == "-" ? "" : std::string(argument);
        }
    }
    return true;
}

// The whole of a file, or of standard input when `path` is empty.
bool readInput(const std::string& path, std::string& contents)
{
    std::FILE* file = path.empty() ? stdin : std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    char block[65536];
    std::size_t count;
    while ((count = std::fread(block, 1, sizeof block, file)) > 0)
        contents.append(block, count);
    bool failed = std::ferror(file);
    int savedErrno = errno;
    if (file != stdin)
        std::fclose(file);
    errno = savedErrno;
    return !failed;
}

std::uint64_t userInfoNumber(const foundation::Error& error, std::string_view key)
{
    foundation::Object* value = error.userInfo() ? error.userInfo()->objectForKey(key) : nullptr;
    return value && value->isNumber() ? static_cast<foundation::Number*>(value)->uint64Value() : 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    int status = 0;
    if (!readArguments(argc, argv, options, status))
        return status;
    if (options.help) {
        std::fwrite(usage.data(), 1, usage.size(), stdout);
        return 0;
    }
    const std::string name = options.file.empty() ? "<stdin>" : options.file;

    std::string input;
    if (!readInput(options.file, input)) {
        std::fprintf(stderr, "jotter: %s: %s\n", name.c_str(), std::strerror(errno));
        return 1;
    }

    foundation::Ref<jotter::JSONDecoder> decoder = jotter::JSONDecoder::decoderWithParseOptions(options.parse);
    foundation::Ref<foundation::Error> error;
    foundation::Ref<foundation::Object> tree =
        decoder ? decoder->objectWithUTF8String(input.data(), input.size(), &error) : nullptr;
    if (!tree) {
        std::string message = error ? error->localizedDescription() : "Unable to allocate the decoder.";
        std::fprintf(stderr, "jotter: %s:%llu: %s (byte %llu)\n", name.c_str(),
            static_cast<unsigned long long>(error ? userInfoNumber(*error, jotter::JTLineNumberKey) : 0),
            message.c_str(),
            static_cast<unsigned long long>(error ? userInfoNumber(*error, jotter::JTAtIndexKey) : 0));
        return 1;
    }
    if (options.checkOnly)
        return 0;

    foundation::Ref<foundation::Object> encoded = jotter::JTSerializer::serializeObject(tree.get(),
        options.serialize, jotter::JTEncodeOptionResultData, nullptr, nullptr, {}, &error);
    if (!encoded) {
        std::fprintf(stderr, "jotter: %s: %s\n", name.c_str(), error->localizedDescription().c_str());
        return 1;
    }
    std::string_view text = static_cast<foundation::Data&>(*encoded).view();
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fputc('\n', stdout) == EOF
        || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "jotter: <stdout>: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}
