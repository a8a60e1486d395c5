// Feeds arbitrary bytes to what reads the command line's wire and words: the
// request decoder, the reply decoder, the command-word table and the URL
// decoder. The first byte picks one. Whatever decodes must encode and decode
// again to an equal value; a command named by words must name itself back.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/CLIMessages.h"
#include "app/URLRequest.h"
#include "command/Command.h"
#include "fuzz/FuzzEntry.h"

using namespace brindlow;

namespace {

void check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

// Without the newline that ends a wire line.
std::string_view body(const std::string& line) {
    check(!line.empty() && line.back() == '\n', "a line ends with its newline");
    const std::string_view text(line.data(), line.size() - 1);
    check(text.find('\n') == std::string_view::npos, "a line holds no other newline");
    return text;
}

void fuzzRequest(std::string_view text) {
    const std::optional<CLIRequest> request = decodeRequest(text);
    if (!request) return;
    const std::optional<std::string> line = encodeLine(*request);
    check(line.has_value(), "a decoded request encodes");
    check(decodeRequest(body(*line)) == request, "a request survives its round trip");
}

void fuzzReply(std::string_view text) {
    const std::optional<CLIResponse> response = decodeResponse(text);
    if (!response) return;
    check(decodeResponse(body(encodeLine(*response))) == response,
          "a reply survives its round trip");
}

void fuzzCommandWords(std::string_view text) {
    // Two words split at the first NUL byte: the command and its argument.
    const std::size_t split = text.find('\0');
    const std::string_view word = text.substr(0, split);
    const std::optional<std::string_view> argument =
        split == std::string_view::npos ? std::nullopt : std::optional(text.substr(split + 1));
    const std::optional<Command> command = Command::named(word, argument);
    if (!command) return;
    const std::vector<std::string> words = command->cliArguments();
    check(!words.empty() && words.front() == command->cliName(), "a command names itself");
    const std::optional<Command> again = Command::named(
        words.front(), words.size() > 1 ? std::optional<std::string_view>(words[1]) : std::nullopt);
    check(again == command, "a command's own words name it again");
    if (command->kind() == Command::Kind::jump) {
        check(command->jumpColumn() >= Command::kFirstJumpColumn &&
                  command->jumpColumn() <= Command::kLastJumpColumn,
              "a jump column is in range");
    }
}

void fuzzURL(std::string_view text) {
    const std::optional<CLIRequest> request = requestForURL(text);
    if (!request) return;
    check(looksLikeBrindlowURL(text), "only brindlow: URLs make requests");
    check(!request->args.empty() && !request->args.front().empty(), "a URL names a command");
    check(!request->callerPID, "a URL request has no caller");
    check(encodeLine(*request).has_value(), "a URL's words are valid UTF-8");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return brindlow::fuzz::readWithOneOf(data, size,
                                         {fuzzRequest, fuzzReply, fuzzCommandWords, fuzzURL});
}
