// jotter: decodes a JSON document with the library and writes it back
// encoded. Exit status 0 on success, 1 when the input cannot be read,
// decoded or encoded, 2 on a usage error.

#include "foundation/objects/Data.h"
#include "foundation/objects/Number.h"
#include "foundation/system/CommandLine.h"
#include "foundation/system/Log.h"
#include "json/JSONDecoder.h"
#include "json/JTError.h"
#include "json/JTSerializer.h"

#include <cerrno>
#include <cstdint>
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
  --version           show the version

A document that does not decode gives one line on standard error,
  jotter: FILE:LINE: MESSAGE (byte OFFSET)
and exit status 1. Exit status 2 means the command line was wrong.
)";

const foundation::CommandLineSyntax syntax = {
    "jotter", PACKAGE_VERSION, usage,
    {{"pretty"}, {"escape-unicode"}, {"escape-slash"}, {"comments"}, {"unicode-newlines"}, {"lenient-unicode"},
     {"trailing-text"}, {"check"}},
    1,
};

struct Options {
    jotter::JTParseOptionFlags parse = jotter::JTParseOptionNone;
    jotter::JTSerializeOptionFlags serialize = jotter::JTSerializeOptionNone;
    bool checkOnly = false;
    std::string file;  // empty for standard input
};

Options readOptions(const foundation::CommandLine& commandLine)
{
    Options options;
    if (commandLine.has("pretty")) options.serialize |= jotter::JTSerializeOptionPretty;
    if (commandLine.has("escape-unicode")) options.serialize |= jotter::JTSerializeOptionNonASCIIEscape;
    if (commandLine.has("escape-slash")) options.serialize |= jotter::JTSerializeOptionSlashEscape;
    if (commandLine.has("comments")) options.parse |= jotter::JTParseOptionAllowComments;
    if (commandLine.has("unicode-newlines")) options.parse |= jotter::JTParseOptionUnicodeLineBreaks;
    if (commandLine.has("lenient-unicode")) options.parse |= jotter::JTParseOptionLenientUnicode;
    if (commandLine.has("trailing-text")) options.parse |= jotter::JTParseOptionAllowTrailingText;
    options.checkOnly = commandLine.has("check");
    if (!commandLine.operands().empty() && commandLine.operands().front() != "-")
        options.file = commandLine.operands().front();
    return options;
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
    foundation::CommandLine commandLine(syntax, argc, argv);
    if (std::optional<int> status = commandLine.answer())
        return *status;
    const Options options = readOptions(commandLine);
    const std::string name = options.file.empty() ? "<stdin>" : options.file;

    std::string input;
    if (!readInput(options.file, input)) {
        foundation::logDiagnostic(name + ": " + std::strerror(errno));
        return 1;
    }

    foundation::Ref<jotter::JSONDecoder> decoder = jotter::JSONDecoder::decoderWithParseOptions(options.parse);
    foundation::Ref<foundation::Error> error;
    foundation::Ref<foundation::Object> tree =
        decoder ? decoder->objectWithUTF8String(input.data(), input.size(), &error) : nullptr;
    if (!tree) {
        std::string message = error ? error->localizedDescription() : "Unable to allocate the decoder.";
        std::uint64_t line = error ? userInfoNumber(*error, jotter::JTLineNumberKey) : 0;
        std::uint64_t byte = error ? userInfoNumber(*error, jotter::JTAtIndexKey) : 0;
        foundation::logDiagnostic(
            name + ":" + std::to_string(line) + ": " + message + " (byte " + std::to_string(byte) + ")");
        return 1;
    }
    if (options.checkOnly)
        return 0;

    foundation::Ref<foundation::Object> encoded = jotter::JTSerializer::serializeObject(tree.get(),
        options.serialize, jotter::JTEncodeOptionResultData, nullptr, nullptr, {}, &error);
    if (!encoded) {
        foundation::logDiagnostic(name + ": " + error->localizedDescription());
        return 1;
    }
    std::string_view text = static_cast<foundation::Data&>(*encoded).view();
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fputc('\n', stdout) == EOF
        || std::fflush(stdout) != 0) {
        foundation::logDiagnostic(std::string("<stdout>: ") + std::strerror(errno));
        return 1;
    }
    return 0;
}
