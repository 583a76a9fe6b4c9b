// The language server's message handling, without any stream: each
// incoming JSON-RPC message (the body of one framed message) gives the
// messages to send back, so tests and the fuzz target drive it directly.
//
// Requests get a result or a JSON-RPC error: -32700 for text that is no
// JSON, -32600 for JSON that is no request (and for requests after
// `shutdown`), -32601 for an unknown method, -32602 for missing or wrongly
// typed parameters, -32002 before `initialize`. Notifications never get an
// answer; one that cannot be used is ignored. `exit` ends the server with
// status 0 after `shutdown`, 1 without.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/workspace.h"

namespace zirn::lsp {

class Server {
public:
    explicit Server(Workspace workspace);

    // The messages (JSON texts) to send in answer to the message `body`.
    std::vector<std::string> handle(std::string_view body);
    // The error to send for a message whose framing could not be read.
    std::string framing_error(std::string_view problem) const;

    bool exit_requested() const { return m_exit_requested; }
    // The process status: 0 once `shutdown` was answered, else 1.
    int exit_status() const { return m_shut_down ? 0 : 1; }

    const Workspace& workspace() const { return m_workspace; }

private:
    using Json = nlohmann::json;

    void handle_message(std::string_view body);
    void handle_request(const Json& id, const std::string& method, const Json& params);
    void handle_notification(const std::string& method, const Json& params);
    Json answer_request(const std::string& method, const Json& params);

    void open_document(const Json& params);
    void change_document(const Json& params);
    void close_document(const Json& params);
    void publish_diagnostics(const std::string& uri, const Json& version);

    void send(const Json& message);
    void send_error(const Json& id, int code, const std::string& message);

    Workspace m_workspace;
    bool m_initialized = false;
    bool m_shut_down = false;
    bool m_exit_requested = false;
    std::vector<std::string> m_outgoing;
};

// Error codes of JSON-RPC and the protocol.
inline constexpr int parse_error = -32700;
inline constexpr int invalid_request = -32600;
inline constexpr int method_not_found = -32601;
inline constexpr int invalid_params = -32602;
inline constexpr int internal_error = -32603;
inline constexpr int server_not_initialized = -32002;

}  // namespace zirn::lsp
