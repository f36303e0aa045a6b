#include "support/Minisign.h"

#include "support/ChildProcess.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/wait.h>

namespace testsupport {

namespace {

void runMinisign(const std::vector<std::string>& arguments)
{
    ChildProcess minisign("/usr/bin/minisign", arguments, {});
    int status = minisign.waitForExit(60);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        ADD_FAILURE() << "minisign failed (status " << status << "): " << minisign.error() << minisign.output();
}

} // namespace

MinisignKey::MinisignKey(const std::filesystem::path& directory, const std::string& name)
    : secretKey_(directory / (name + ".key"))
{
    std::filesystem::path publicKey = directory / (name + ".pub");
    runMinisign({"-G", "-W", "-f", "-p", publicKey.string(), "-s", secretKey_.string()});
    std::string text = readFile(publicKey);
    // "untrusted comment: minisign public key <id>\n<line>\n"
    std::size_t lineFeed = text.find('\n');
    keyIdText_ = text.substr(text.rfind(' ', lineFeed) + 1, lineFeed - text.rfind(' ', lineFeed) - 1);
    publicKeyLine_ = text.substr(lineFeed + 1, text.find('\n', lineFeed + 1) - lineFeed - 1);
}

std::string MinisignKey::sign(const std::filesystem::path& file, Form form) const
{
    return signing(file, form == Form::Legacy ? std::vector<std::string>{"-l"} : std::vector<std::string>{});
}

std::string MinisignKey::signWithComment(const std::filesystem::path& file, const std::string& comment) const
{
    return signing(file, {"-t", comment});
}

std::string MinisignKey::signing(const std::filesystem::path& file, std::vector<std::string> options) const
{
    std::filesystem::path signature = file.string() + ".minisig";
    std::vector<std::string> arguments = {"-S", "-s", secretKey_.string(), "-m", file.string(), "-x", signature.string()};
    arguments.insert(arguments.end(), options.begin(), options.end());
    runMinisign(arguments);
    return readFile(signature);
}

long long secondsSince1970()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

} // namespace testsupport
