// Fuzz target: the language server's message handling. The input is read
// twice: as one message body, and as a stream of framed messages after an
// `initialize`, so both the framing and every method see arbitrary bytes.
// Nothing may fail; every answer must be one JSON-RPC object; the server
// reads no file (its file reader refuses and counts) and ends only at
// `exit`.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "lsp/message_stream.h"
#include "lsp/server.h"

namespace {

std::size_t files_asked = 0;

zirn::lsp::Server new_server()
{
    return zirn::lsp::Server(zirn::lsp::Workspace(
        [](const std::string&) -> std::optional<std::string> {
            ++files_asked;
            return std::nullopt;
        },
        {{"math.ZIRN", "fib = {\n    end arg0\n}\n"}}));
}

void check_answers(const std::vector<std::string>& answers)
{
    for (const std::string& answer : answers) {
        const nlohmann::json message = nlohmann::json::parse(answer, nullptr, false);
        ZIRN_FUZZ_CHECK(message.is_object());
        ZIRN_FUZZ_CHECK(message.value("jsonrpc", "") == "2.0");
        ZIRN_FUZZ_CHECK(message.contains("id") != message.contains("method"));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    zirn::lsp::Server whole = new_server();
    check_answers(whole.handle(input));

    zirn::lsp::Server server = new_server();
    const auto initialised = server.handle(R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":{}})");
    ZIRN_FUZZ_CHECK(initialised.size() == 1);
    std::istringstream stream{std::string(input)};
    zirn::lsp::MessageReader reader(stream, std::size_t{1} << 20);
    for (;;) {
        const zirn::lsp::Incoming incoming = reader.next();
        if (incoming.kind == zirn::lsp::Incoming::Kind::End) break;
        if (incoming.kind == zirn::lsp::Incoming::Kind::Malformed) {
            ZIRN_FUZZ_CHECK(!incoming.problem.empty());
            check_answers({server.framing_error(incoming.problem)});
            continue;
        }
        const std::size_t before = files_asked;
        check_answers(server.handle(incoming.body));
        // Only documents under file: URIs that name libraries are looked up,
        // and never more than the bounded number of places.
        ZIRN_FUZZ_CHECK(files_asked - before <= 2 * zirn::lsp::max_library_lookups);
        if (server.exit_requested()) break;
    }
    return 0;
}
