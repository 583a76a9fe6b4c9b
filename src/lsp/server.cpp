#include "lsp/server.h"

#include <new>
#include <stdexcept>

#include "lsp/language_features.h"

namespace zirn::lsp {

namespace {

using Json = nlohmann::json;

// Parameters that are missing or of the wrong type.
class BadParams : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A request for a method this server does not know.
class UnknownMethod : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

const Json& member(const Json& object, const char* name)
{
    if (!object.is_object()) throw BadParams(std::string("'") + name + "' is asked of something that is no object");
    const auto found = object.find(name);
    if (found == object.end()) throw BadParams(std::string("'") + name + "' is missing");
    return *found;
}

const std::string& string_member(const Json& object, const char* name)
{
    const Json& value = member(object, name);
    if (!value.is_string()) throw BadParams(std::string("'") + name + "' is no string");
    return value.get_ref<const std::string&>();
}

std::uint32_t count_member(const Json& object, const char* name)
{
    const Json& value = member(object, name);
    if (!value.is_number_unsigned() || value.get<std::uint64_t>() > UINT32_MAX) {
        throw BadParams(std::string("'") + name + "' is no count from 0");
    }
    return static_cast<std::uint32_t>(value.get<std::uint64_t>());
}

Position position_member(const Json& object, const char* name)
{
    const Json& position = member(object, name);
    return {count_member(position, "line"), count_member(position, "character")};
}

const std::string& document_uri(const Json& params) { return string_member(member(params, "textDocument"), "uri"); }

std::string dumped(const Json& message)
{
    // Text read from library files may hold bytes that are no UTF-8.
    return message.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json capabilities()
{
    return {
        {"positionEncoding", "utf-16"},
        {"textDocumentSync", {{"openClose", true}, {"change", 1}}},
        {"completionProvider", {{"triggerCharacters", {"$"}}}},
        {"hoverProvider", true},
        {"definitionProvider", true},
        {"documentSymbolProvider", true},
    };
}

bool valid_id(const Json& id) { return id.is_string() || id.is_number_integer(); }

// How many bytes the ranged changes of one notification may move in all:
// each is applied to the whole text, so many of them on a large text would
// otherwise take without end.
constexpr std::size_t change_work_budget = std::size_t{1} << 30;

// Applies one change to `text`: the whole text, or a range replaced.
void apply_change(std::string& text, const Json& change, std::size_t& work)
{
    const std::string& new_text = string_member(change, "text");
    if (!change.contains("range")) {
        text = new_text;
        return;
    }
    const Json& range = member(change, "range");
    if (text.size() + new_text.size() > change_work_budget - work) {
        throw BadParams("the changes are too many for the document's size");
    }
    work += text.size() + new_text.size();
    const LineIndex lines(text);
    const std::size_t begin = lines.offset_of(position_member(range, "start"));
    const std::size_t end = std::max(begin, lines.offset_of(position_member(range, "end")));
    text.replace(begin, end - begin, new_text);
}

}  // namespace

Server::Server(Workspace workspace) : m_workspace(std::move(workspace)) {}

void Server::send(const Json& message) { m_outgoing.push_back(dumped(message)); }

void Server::send_error(const Json& id, int code, const std::string& message)
{
    send({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

std::string Server::framing_error(std::string_view problem) const
{
    return dumped({{"jsonrpc", "2.0"},
                   {"id", nullptr},
                   {"error", {{"code", parse_error}, {"message", "unreadable message: " + std::string(problem)}}}});
}

std::vector<std::string> Server::handle(std::string_view body)
{
    m_outgoing.clear();
    try {
        handle_message(body);
    } catch (const std::bad_alloc&) {
        m_outgoing.clear();
        send_error(nullptr, internal_error, "out of memory");
    }
    return std::move(m_outgoing);
}

void Server::handle_message(std::string_view body)
{
    const Json message = Json::parse(body, nullptr, false);
    if (message.is_discarded()) {
        send_error(nullptr, parse_error, "the message is no JSON text");
        return;
    }
    const auto given_id = message.is_object() ? message.find("id") : message.end();
    const bool has_id = message.is_object() && given_id != message.end();
    const Json id = has_id && valid_id(*given_id) ? *given_id : Json(nullptr);
    if (!message.is_object() || (has_id && !valid_id(*given_id))) {
        send_error(nullptr, invalid_request, "the message is no JSON-RPC request or notification");
        return;
    }
    const auto method = message.find("method");
    if (method == message.end()) {
        // An answer from the editor to a request this server never sends.
        if (!has_id) send_error(nullptr, invalid_request, "the message has no method");
        return;
    }
    const auto version = message.find("jsonrpc");
    if (!method->is_string() || version == message.end() || *version != "2.0") {
        if (has_id) send_error(id, invalid_request, "a request needs \"jsonrpc\": \"2.0\" and a method name");
        return;
    }
    static const Json no_params = Json::object();
    const auto params = message.find("params");
    const Json& given = params == message.end() ? no_params : *params;
    if (has_id) handle_request(id, method->get<std::string>(), given);
    else handle_notification(method->get<std::string>(), given);
}

void Server::handle_request(const Json& id, const std::string& method, const Json& params)
{
    if (m_shut_down) return send_error(id, invalid_request, "the server is shut down");
    if (m_initialized && method == "initialize") {
        return send_error(id, invalid_request, "the server is initialised already");
    }
    if (!m_initialized && method != "initialize") {
        return send_error(id, server_not_initialized, "the server is not initialised yet");
    }
    try {
        Json result = answer_request(method, params);
        send({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
    } catch (const BadParams& bad) {
        send_error(id, invalid_params, method + ": " + bad.what());
    } catch (const UnknownMethod& unknown) {
        send_error(id, method_not_found, unknown.what());
    } catch (const std::bad_alloc&) {
        send_error(id, internal_error, method + ": out of memory");
    } catch (const Json::exception& failure) {
        send_error(id, invalid_params, method + ": " + failure.what());
    }
}

Server::Json Server::answer_request(const std::string& method, const Json& params)
{
    if (method == "initialize") {
        if (!params.is_object()) throw BadParams("the parameters are no object");
        m_initialized = true;
        return {{"capabilities", capabilities()}, {"serverInfo", {{"name", "zirn"}}}};
    }
    if (method == "shutdown") {
        m_shut_down = true;
        return nullptr;
    }
    const bool known = method == "textDocument/completion" || method == "textDocument/hover" ||
                       method == "textDocument/definition" || method == "textDocument/documentSymbol";
    if (!known) throw UnknownMethod("unknown method '" + method + "'");
    const std::string& uri = document_uri(params);
    if (method == "textDocument/documentSymbol") {
        const std::string* text = m_workspace.text_of(uri);
        return text == nullptr ? Json(nullptr) : document_symbols(*text);
    }
    const Position at = position_member(params, "position");
    if (method == "textDocument/completion") return completion_at(m_workspace, uri, at);
    if (method == "textDocument/hover") return hover_at(m_workspace, uri, at);
    return definition_at(m_workspace, uri, at);
}

void Server::handle_notification(const std::string& method, const Json& params)
{
    if (method == "exit") {
        m_exit_requested = true;
        return;
    }
    if (!m_initialized || m_shut_down) return;
    try {
        if (method == "textDocument/didOpen") open_document(params);
        else if (method == "textDocument/didChange") change_document(params);
        else if (method == "textDocument/didClose") close_document(params);
    } catch (const BadParams&) {
        // A notification gets no answer, not even an error.
    } catch (const Json::exception&) {
    } catch (const std::bad_alloc&) {
    }
}

void Server::open_document(const Json& params)
{
    const Json& document = member(params, "textDocument");
    const std::string& uri = string_member(document, "uri");
    const std::string& text = string_member(document, "text");
    const auto version = document.find("version");
    m_workspace.set_text(uri, text);
    publish_diagnostics(uri, version == document.end() ? Json(nullptr) : *version);
}

void Server::change_document(const Json& params)
{
    const Json& document = member(params, "textDocument");
    const std::string& uri = string_member(document, "uri");
    const std::string* text = m_workspace.text_of(uri);
    if (text == nullptr) return;
    const Json& changes = member(params, "contentChanges");
    if (!changes.is_array()) throw BadParams("'contentChanges' is no array");
    // Applied to a copy: a change that cannot be used leaves the document
    // as it was.
    std::string updated = *text;
    std::size_t work = 0;
    for (const Json& change : changes) apply_change(updated, change, work);
    m_workspace.set_text(uri, std::move(updated));
    const auto version = document.find("version");
    publish_diagnostics(uri, version == document.end() ? Json(nullptr) : *version);
}

void Server::close_document(const Json& params)
{
    const std::string uri = document_uri(params);
    m_workspace.forget(uri);
    // Its findings go away with it.
    send({{"jsonrpc", "2.0"},
          {"method", "textDocument/publishDiagnostics"},
          {"params", {{"uri", uri}, {"diagnostics", Json::array()}}}});
}

void Server::publish_diagnostics(const std::string& uri, const Json& version)
{
    const std::string* text = m_workspace.text_of(uri);
    if (text == nullptr) return;
    Json params = {{"uri", uri}, {"diagnostics", diagnostics_for(*text)}};
    if (version.is_number_integer()) params["version"] = version;
    send({{"jsonrpc", "2.0"}, {"method", "textDocument/publishDiagnostics"}, {"params", std::move(params)}});
}

}  // namespace zirn::lsp
