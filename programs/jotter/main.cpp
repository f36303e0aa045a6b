// jotter: decodes a JSON document with the library and writes it back
// encoded. Exit status 0 on success, 1 when the input cannot be read,
// decoded or encoded, 2 on a usage error.

#include "foundation/system/CommandLine.h"
#include "foundation/system/FileIO.h"
#include "foundation/system/Log.h"
#include "json/Jotter.h"

#include <cstring>
#include <string>
#include <string_view>

#include <unistd.h>

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
    jotter::DecodeOptions decode;
    jotter::EncodeOptions encode;
    bool checkOnly = false;
    std::string file;  // empty for standard input
};

Options readOptions(const foundation::CommandLine& commandLine)
{
    Options options;
    options.encode.pretty = commandLine.has("pretty");
    options.encode.escapeUnicode = commandLine.has("escape-unicode");
    options.encode.escapeSlash = commandLine.has("escape-slash");
    options.decode.comments = commandLine.has("comments");
    options.decode.unicodeLineBreaks = commandLine.has("unicode-newlines");
    options.decode.lenientUnicode = commandLine.has("lenient-unicode");
    options.decode.trailingText = commandLine.has("trailing-text");
    options.checkOnly = commandLine.has("check");
    if (!commandLine.operands().empty() && commandLine.operands().front() != "-")
        options.file = commandLine.operands().front();
    return options;
}

// The whole of a file, or of standard input when `path` is empty; 0 or the
// errno that stopped the read.
int readInput(const std::string& path, std::string& contents)
{
    return path.empty() ? foundation::readAll(STDIN_FILENO, contents) : foundation::readFile(path, contents);
}

} // namespace

int main(int argc, char** argv)
{
    foundation::CommandLine commandLine(syntax, argc, argv);
    if (std::optional<foundation::ExitStatus> status = commandLine.answer())
        return foundation::exitCode(*status);
    const Options options = readOptions(commandLine);
    const std::string name = options.file.empty() ? "<stdin>" : options.file;

    std::string input;
    if (int failure = readInput(options.file, input)) {
        foundation::logDiagnostic(name + ": " + std::strerror(failure));
        return 1;
    }

    jotter::Result<foundation::Ref<foundation::Object>> tree = jotter::decode(input, options.decode);
    if (!tree) {
        const jotter::Failure& failure = tree.failure();
        foundation::logDiagnostic(name + ":" + std::to_string(failure.line) + ": " + failure.message + " (byte "
            + std::to_string(failure.offset) + ")");
        return 1;
    }
    if (options.checkOnly)
        return 0;

    jotter::Result<std::string> text = jotter::encode(**tree, options.encode);
    if (!text) {
        foundation::logDiagnostic(name + ": " + text.failure().message);
        return 1;
    }
    text->push_back('\n');
    if (int failure = foundation::writeAll(STDOUT_FILENO, *text)) {
        foundation::logDiagnostic(std::string("<stdout>: ") + std::strerror(failure));
        return 1;
    }
    return 0;
}
