// The language server in process: editor positions in UTF-16 units, the
// message framing with its bounds, what a text defines, libraries found as
// `also` finds them, and the JSON-RPC answers to good and bad messages.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "lsp/definitions.h"
#include "lsp/language_features.h"
#include "lsp/message_stream.h"
#include "lsp/server.h"
#include "lsp/text_positions.h"
#include "lsp/uri.h"
#include "lsp/workspace.h"

namespace {

using namespace zirn::lsp;
using nlohmann::json;

// --- the command line -----------------------------------------------------

TEST(LspCommandLine, TakesNothingButStdio)
{
    using zirn::app::Action;
    using zirn::app::parse_command_line;
    EXPECT_EQ(parse_command_line({"zirn", "--lsp"}).action, Action::LanguageServer);
    EXPECT_EQ(parse_command_line({"zirn", "--lsp", "--stdio"}).action, Action::LanguageServer);
    EXPECT_EQ(parse_command_line({"zirn", "--lsp", "prog.ZIRN"}).action, Action::Misuse);
    EXPECT_EQ(parse_command_line({"zirn", "--lsp", "--stdio", "x"}).action, Action::Misuse);
    // After a program, --lsp is one of its arguments.
    EXPECT_EQ(parse_command_line({"zirn", "prog.ZIRN", "--lsp"}).action, Action::RunFile);
    EXPECT_NE(zirn::app::usage_text().find("zirn --lsp"), std::string::npos);
}

// --- positions ------------------------------------------------------------

TEST(LspPositions, CountsUtf16UnitsForEveryKindOfCharacter)
{
    // a, é (2 bytes, 1 unit), 😀 (4 bytes, 2 units), a stray byte (1 unit), b
    const std::string text = "x\na\xC3\xA9\xF0\x9F\x98\x80\xFF" "b\nlast";
    const LineIndex lines(text);
    ASSERT_EQ(lines.line_count(), 3U);
    EXPECT_EQ(lines.position_of(2).character, 0U);
    EXPECT_EQ(lines.position_of(3).character, 1U);   // after a
    EXPECT_EQ(lines.position_of(5).character, 2U);   // after é
    EXPECT_EQ(lines.position_of(9).character, 4U);   // after 😀
    EXPECT_EQ(lines.position_of(10).character, 5U);  // after the stray byte
    EXPECT_EQ(lines.position_of(10).line, 1U);
    EXPECT_EQ(utf16_length(lines.line_text(1)), 6U);

    EXPECT_EQ(lines.offset_of({1, 4}), 9U);
    EXPECT_EQ(lines.offset_of({1, 3}), 5U) << "a place inside a surrogate pair is the character's start";
    EXPECT_EQ(lines.offset_of({1, 99}), 11U) << "past the line's end is its end, before the line feed";
    EXPECT_EQ(lines.offset_of({9, 0}), text.size());
    EXPECT_EQ(lines.position_of(text.size()).line, 2U);
    EXPECT_EQ(lines.position_of(text.size()).character, 4U);
}

TEST(LspPositions, OverlongAndTruncatedSequencesCountByteByByte)
{
    EXPECT_EQ(utf16_length("\xC0\xAF"), 2U);          // overlong '/'
    EXPECT_EQ(utf16_length("\xED\xA0\x80"), 3U);      // a surrogate written in UTF-8
    EXPECT_EQ(utf16_length("\xF0\x9F\x98"), 3U);      // cut short
    EXPECT_EQ(utf16_length("\xF4\x90\x80\x80"), 4U);  // past U+10FFFF
}

TEST(LspPositions, LineTextLeavesOutCarriageReturns)
{
    const LineIndex lines("a = 1\r\nb = 2");
    EXPECT_EQ(lines.line_text(0), "a = 1");
    EXPECT_EQ(lines.line_text(1), "b = 2");
    EXPECT_EQ(lines.line_text(2), "");
}

TEST(LspPositions, EditorLinesEndAtEveryLineEndAndProgramLinesAtLineFeedsOnly)
{
    // LF, a lone CR, CR LF, and a CR at the very end.
    const std::string text = "a\nb\rc\r\nd\r";
    const LineIndex lines(text);
    ASSERT_EQ(lines.line_count(), 5U);
    EXPECT_EQ(lines.line_text(1), "b");
    EXPECT_EQ(lines.line_text(2), "c");
    EXPECT_EQ(lines.line_text(3), "d");
    EXPECT_EQ(lines.line_text(4), "");
    EXPECT_EQ(lines.position_of(4).line, 2U) << "after the lone CR";
    EXPECT_EQ(lines.offset_of({3, 0}), 7U) << "after CR LF, not between them";
    EXPECT_EQ(lines.offset_of({2, 99}), 5U) << "a line's end is before its CR LF";

    const ProgramLines program(text);
    EXPECT_EQ(program.start(1), 2U);
    EXPECT_EQ(program.length(1), 3U) << "b CR c: the CR of CR LF is left out, a lone CR is not";
    EXPECT_EQ(program.start(2), 7U);
    EXPECT_EQ(program.length(2), 2U) << "the last line keeps its CR: no LF follows it";
    EXPECT_EQ(program.start(9), text.size());
    EXPECT_EQ(program.length(9), 0U);
}

// --- URIs -----------------------------------------------------------------

TEST(LspUri, DecodesFileUrisAndRefusesOthers)
{
    EXPECT_EQ(path_of_uri("file:///a/b%20c.ZIRN"), "/a/b c.ZIRN");
    EXPECT_EQ(path_of_uri("FILE://localhost/x"), "/x");
    EXPECT_EQ(path_of_uri("file:///x.ZIRN#frag"), "/x.ZIRN");
    EXPECT_FALSE(path_of_uri("untitled:Untitled-1"));
    EXPECT_FALSE(path_of_uri("file://server/share/x"));
    EXPECT_FALSE(path_of_uri("file:///bad%2"));
    EXPECT_FALSE(path_of_uri("file:///nul%00byte"));
    const std::string odd = "/tmp/d ir/\xC3\xBC%#?.ZIRN";
    EXPECT_EQ(path_of_uri(uri_of_path(odd)), odd);
    EXPECT_EQ(folder_of("/a/b.ZIRN"), "/a");
    EXPECT_EQ(folder_of("/b.ZIRN"), "/");
}

// --- framing --------------------------------------------------------------

std::string framed(const std::string& body)
{
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST(LspFraming, ReadsMessagesOneAfterAnother)
{
    std::istringstream in(framed("{\"a\":1}") + "Content-Type: x\ncontent-length:  2 \n\n[]" + framed("{}"));
    MessageReader reader(in);
    EXPECT_EQ(reader.next().body, "{\"a\":1}");
    Incoming second = reader.next();
    EXPECT_EQ(second.kind, Incoming::Kind::Message);
    EXPECT_EQ(second.body, "[]");
    EXPECT_EQ(reader.next().body, "{}");
    EXPECT_EQ(reader.next().kind, Incoming::Kind::End);
}

TEST(LspFraming, BadHeadersAreReportedAndReadingGoesOn)
{
    const std::string long_line(5000, 'x');
    std::istringstream in("Content-Length: many\r\n\r\n" + std::string("X-Other: 1\r\n\r\n") + long_line + "\r\n\r\n" +
                          framed("{}"));
    MessageReader reader(in);
    const Incoming not_number = reader.next();
    EXPECT_EQ(not_number.kind, Incoming::Kind::Malformed);
    EXPECT_NE(not_number.problem.find("no number"), std::string::npos);
    EXPECT_NE(reader.next().problem.find("no Content-Length"), std::string::npos);
    EXPECT_NE(reader.next().problem.find("longer than"), std::string::npos);
    EXPECT_EQ(reader.next().body, "{}");
}

TEST(LspFraming, LengthsAreBounded)
{
    // Over the limit: skipped without being kept, and the next one is read.
    std::istringstream in(framed(std::string(100, ' ')) + framed("{}"));
    MessageReader reader(in, 50);
    EXPECT_EQ(reader.next().kind, Incoming::Kind::Malformed);
    EXPECT_EQ(reader.next().body, "{}");

    // A huge length that is never sent ends the input, and allocates
    // nothing near it (the sanitizer build would fail on the attempt).
    std::istringstream lying("Content-Length: 999999999999999999\r\n\r\n{}");
    EXPECT_EQ(MessageReader(lying, std::size_t{1} << 62).next().kind, Incoming::Kind::End);
    std::istringstream cut("Content-Length: 10\r\n\r\n{}");
    EXPECT_EQ(MessageReader(cut).next().kind, Incoming::Kind::End);
    std::istringstream too_many_digits("Content-Length: 1234567890123456789012\r\n\r\n{}");
    EXPECT_EQ(MessageReader(too_many_digits).next().kind, Incoming::Kind::Malformed);
}

TEST(LspFraming, WritesTheHeader)
{
    std::ostringstream out;
    ASSERT_TRUE(write_message(out, "{\"x\":\"\xC3\xA9\"}"));
    EXPECT_EQ(out.str(), "Content-Length: 10\r\n\r\n{\"x\":\"\xC3\xA9\"}");
}

// --- what a text defines --------------------------------------------------

std::vector<std::string> defined(std::string_view text, DefinitionKind kind)
{
    std::vector<std::string> names;
    for (const Definition& definition : outline_text(text).definitions) {
        if (definition.kind == kind) names.push_back(definition.name);
    }
    return names;
}

using Names = std::vector<std::string>;

TEST(LspOutline, FindsFunctionsNamesAndLibraries)
{
    const std::string text = "#!/usr/bin/env zirn\n"
                             "also 'math'\n"
                             "also \"dict\"\n"
                             "total = 0\n"
                             "twice = {\n"
                             "    inner = {\n"
                             "        end arg0\n"
                             "    }\n"
                             "    end (arg0 * 2)\n"
                             "}\n"
                             "compare (0) {\n"
                             "    note = { }\n"
                             "}\n"
                             "each (args) {\n"
                             "    list seen\n"
                             "    index args 0 first\n"
                             "}\n"
                             "total += 1\n";
    EXPECT_EQ(defined(text, DefinitionKind::Function), (Names{"twice", "inner"}));
    EXPECT_EQ(defined(text, DefinitionKind::Name), (Names{"total", "seen", "first", "total"}));
    const TextOutline outline = outline_text(text);
    ASSERT_EQ(outline.libraries.size(), 2U);
    EXPECT_EQ(outline.libraries[0].name, "math");
    EXPECT_EQ(outline.libraries[1].name, "dict");
    const Definition* twice = find_definition(outline, "twice", true);
    ASSERT_NE(twice, nullptr);
    EXPECT_EQ(text.substr(twice->name_offset, twice->end_offset - twice->name_offset).back(), '}');
    EXPECT_EQ(text.substr(twice->end_offset, 1), "\n");
}

TEST(LspOutline, ReadsAroundABraceLeftOpen)
{
    const std::string text = "before = {\n    end 1\n}\nopen = {\n    x = 1\nafter = {\n";
    EXPECT_EQ(defined(text, DefinitionKind::Function), (Names{"before", "open", "after"}));
    EXPECT_EQ(defined(text, DefinitionKind::Name), (Names{"x"}));
    // A closed block still ends at its brace; the open one at the end.
    const TextOutline outline = outline_text(text);
    EXPECT_EQ(find_definition(outline, "before", true)->end_offset, text.find('}') + 1);
    EXPECT_EQ(find_definition(outline, "open", true)->end_offset, text.size());
}

TEST(LspOutline, PlainNames)
{
    EXPECT_TRUE(is_plain_name("a_1"));
    EXPECT_TRUE(is_plain_name("\xC3\xBC"));
    EXPECT_FALSE(is_plain_name("1a"));
    EXPECT_FALSE(is_plain_name("$f$"));
    EXPECT_FALSE(is_plain_name(""));
}

TEST(LspOutline, DeepNestingStaysShallow)
{
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "f = {\n";
    for (int i = 0; i < 5000; ++i) text += "}\n";
    const TextOutline outline = outline_text(text);
    EXPECT_GE(outline.definitions.size(), 1U);
    EXPECT_LE(outline.definitions.size(), 100U);
}

// --- the server -----------------------------------------------------------

// A server whose file reads are recorded, with files from `files`.
struct Harness {
    std::vector<std::string> reads;
    std::map<std::string, std::string> files;
    Server server;

    explicit Harness(std::vector<BuiltInLibrary> built_in = {})
        : server(Workspace(
              [this](const std::string& path) -> std::optional<std::string> {
                  reads.push_back(path);
                  const auto found = files.find(path);
                  if (found == files.end()) return std::nullopt;
                  return found->second;
              },
              std::move(built_in)))
    {
    }

    std::vector<json> send(const json& message) { return send_text(message.dump()); }
    std::vector<json> send_text(std::string_view text)
    {
        std::vector<json> answers;
        for (const std::string& answer : server.handle(text)) answers.push_back(json::parse(answer));
        return answers;
    }
    json request(int id, const std::string& method, const json& params)
    {
        const json message = {{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}};
        const std::vector<json> answers = send(message);
        EXPECT_EQ(answers.size(), 1U);
        return answers.empty() ? json() : answers.back();
    }
    void initialise() { request(0, "initialize", {{"capabilities", json::object()}}); }
    std::vector<json> open(const std::string& uri, const std::string& text)
    {
        return send({{"jsonrpc", "2.0"},
                     {"method", "textDocument/didOpen"},
                     {"params",
                      {{"textDocument", {{"uri", uri}, {"languageId", "zirn"}, {"version", 1}, {"text", text}}}}}});
    }
    // A change that inserts `text` at the start of the editor's line `line`.
    std::vector<json> insert_at_line(const std::string& uri, int version, int line, const std::string& text)
    {
        const json place = {{"line", line}, {"character", 0}};
        return send({{"jsonrpc", "2.0"},
                     {"method", "textDocument/didChange"},
                     {"params",
                      {{"textDocument", {{"uri", uri}, {"version", version}}},
                       {"contentChanges", {{{"range", {{"start", place}, {"end", place}}}, {"text", text}}}}}}});
    }
    json at(int id, const std::string& method, const std::string& uri, int line, int character)
    {
        return request(id, method,
                       {{"textDocument", {{"uri", uri}}}, {"position", {{"line", line}, {"character", character}}}});
    }
};

int error_code(const json& answer) { return answer.contains("error") ? answer["error"]["code"].get<int>() : 0; }

std::vector<std::string> labels(const json& items)
{
    std::vector<std::string> out;
    for (const json& item : items) out.push_back(item["label"].get<std::string>());
    return out;
}

bool has(const std::vector<std::string>& list, const std::string& name)
{
    return std::find(list.begin(), list.end(), name) != list.end();
}

TEST(LspServer, InitialiseAnswersCapabilitiesOnce)
{
    Harness h;
    EXPECT_EQ(error_code(h.at(1, "textDocument/hover", "file:///a.ZIRN", 0, 0)), server_not_initialized);
    const json answer = h.request(2, "initialize", {{"capabilities", json::object()}});
    const json& capabilities = answer["result"]["capabilities"];
    EXPECT_EQ(capabilities["textDocumentSync"]["change"], 1);
    EXPECT_TRUE(capabilities["hoverProvider"].get<bool>());
    EXPECT_EQ(capabilities["completionProvider"]["triggerCharacters"], json::array({"$"}));
    EXPECT_EQ(error_code(h.request(3, "initialize", json::object())), invalid_request);
}

TEST(LspServer, MalformedMessagesGetJsonRpcErrors)
{
    Harness h;
    h.initialise();
    EXPECT_EQ(error_code(h.send_text("{not json").at(0)), parse_error);
    EXPECT_EQ(error_code(h.send_text("\xFF").at(0)), parse_error);
    EXPECT_EQ(error_code(h.send_text("[1, 2]").at(0)), invalid_request);
    EXPECT_EQ(error_code(h.send_text("42").at(0)), invalid_request);
    EXPECT_EQ(error_code(h.send_text(R"({"jsonrpc":"2.0","id":{"x":1},"method":"shutdown"})").at(0)), invalid_request);
    EXPECT_EQ(error_code(h.send_text(R"({"jsonrpc":"1.0","id":5,"method":"shutdown"})").at(0)), invalid_request);
    EXPECT_EQ(error_code(h.send_text(R"({"jsonrpc":"2.0","id":5,"method":7})").at(0)), invalid_request);
    EXPECT_EQ(h.send_text(R"({"jsonrpc":"2.0","id":5,"method":7})").at(0)["id"], 5);
    EXPECT_EQ(error_code(h.request(6, "workspace/symbol", json::object())), method_not_found);
    EXPECT_EQ(error_code(h.request(7, "textDocument/hover", json::object())), invalid_params);
    EXPECT_EQ(error_code(h.request(8, "textDocument/hover", json::array())), invalid_params);
    EXPECT_EQ(error_code(h.request(9, "textDocument/hover",
                                   {{"textDocument", {{"uri", "file:///a.ZIRN"}}},
                                    {"position", {{"line", -1}, {"character", 0}}}})),
              invalid_params);
    EXPECT_EQ(error_code(h.request(10, "textDocument/completion",
                                   {{"textDocument", {{"uri", 3}}}, {"position", {{"line", 0}, {"character", 0}}}})),
              invalid_params);
    // Notifications are never answered, whatever is wrong with them.
    EXPECT_TRUE(h.send({{"jsonrpc", "2.0"}, {"method", "textDocument/didOpen"}, {"params", 5}}).empty());
    EXPECT_TRUE(h.send({{"jsonrpc", "2.0"}, {"method", "textDocument/didChange"}, {"params", {{"x", 1}}}}).empty());
    EXPECT_TRUE(h.send({{"jsonrpc", "2.0"}, {"method", "no/such"}}).empty());
    EXPECT_TRUE(h.send({{"jsonrpc", "2.0"}, {"method", "$/cancelRequest"}, {"params", {{"id", 1}}}}).empty());
    // An answer to a request the server never made.
    EXPECT_TRUE(h.send({{"jsonrpc", "2.0"}, {"id", 99}, {"result", nullptr}}).empty());
    // The server still works.
    EXPECT_EQ(h.open("file:///a.ZIRN", "x = 1\n").size(), 1U);
}

TEST(LspServer, ShutdownAndExit)
{
    Harness plain;
    plain.initialise();
    EXPECT_TRUE(plain.request(1, "shutdown", nullptr)["result"].is_null());
    EXPECT_EQ(error_code(plain.at(2, "textDocument/hover", "file:///a.ZIRN", 0, 0)), invalid_request);
    EXPECT_FALSE(plain.server.exit_requested());
    EXPECT_TRUE(plain.send({{"jsonrpc", "2.0"}, {"method", "exit"}}).empty());
    EXPECT_TRUE(plain.server.exit_requested());
    EXPECT_EQ(plain.server.exit_status(), 0);

    Harness abrupt;
    abrupt.initialise();
    abrupt.send({{"jsonrpc", "2.0"}, {"method", "exit"}});
    EXPECT_TRUE(abrupt.server.exit_requested());
    EXPECT_EQ(abrupt.server.exit_status(), 1);
}

TEST(LspServer, DiagnosticsOnOpenAndChangeInUtf16Ranges)
{
    Harness h;
    h.initialise();
    const std::string uri = "file:///w/p.ZIRN";
    // The ignored word 5 comes after ä (2 bytes, 1 unit) and 😀 (4 bytes,
    // 2 units): byte column 14, character 10.
    const std::vector<json> opened = h.open(uri, "y == 5\nx = \"\xC3\xA4\xF0\x9F\x98\x80\" 5\n");
    ASSERT_EQ(opened.size(), 1U);
    EXPECT_EQ(opened[0]["method"], "textDocument/publishDiagnostics");
    EXPECT_EQ(opened[0]["params"]["uri"], uri);
    EXPECT_EQ(opened[0]["params"]["version"], 1);
    const json& found = opened[0]["params"]["diagnostics"];
    ASSERT_EQ(found.size(), 2U) << found.dump();
    EXPECT_EQ(found[0]["code"], "not-assignment");
    EXPECT_EQ(found[0]["severity"], 2);
    EXPECT_EQ(found[0]["source"], "zirn");
    EXPECT_EQ(found[0]["range"]["start"], json({{"line", 0}, {"character", 2}}));
    EXPECT_EQ(found[0]["range"]["end"], json({{"line", 0}, {"character", 4}}));
    EXPECT_EQ(found[1]["code"], "ignored-words");
    EXPECT_EQ(found[1]["range"]["start"], json({{"line", 1}, {"character", 10}}));
    EXPECT_EQ(found[1]["range"]["end"], json({{"line", 1}, {"character", 11}}));

    const std::vector<json> changed =
        h.send({{"jsonrpc", "2.0"},
                {"method", "textDocument/didChange"},
                {"params",
                 {{"textDocument", {{"uri", uri}, {"version", 2}}}, {"contentChanges", {{{"text", "f = {\n"}}}}}}});
    ASSERT_EQ(changed.size(), 1U);
    EXPECT_EQ(changed[0]["params"]["version"], 2);
    ASSERT_EQ(changed[0]["params"]["diagnostics"].size(), 1U);
    EXPECT_EQ(changed[0]["params"]["diagnostics"][0]["code"], "unbalanced");
    EXPECT_EQ(changed[0]["params"]["diagnostics"][0]["severity"], 1);

    // A change with a range replaces just that part.
    const std::vector<json> ranged = h.insert_at_line(uri, 3, 1, "}\n");
    EXPECT_EQ(*h.server.workspace().text_of(uri), "f = {\n}\n");
    EXPECT_TRUE(ranged.at(0)["params"]["diagnostics"].empty());

    const std::vector<json> closed =
        h.send({{"jsonrpc", "2.0"},
                {"method", "textDocument/didClose"},
                {"params", {{"textDocument", {{"uri", uri}}}}}});
    EXPECT_TRUE(closed.at(0)["params"]["diagnostics"].empty());
    EXPECT_EQ(h.server.workspace().text_of(uri), nullptr);
}

TEST(LspServer, ALoneCarriageReturnIsALineToTheEditorButNotToZirn)
{
    Harness h;
    h.initialise();
    const std::string uri = "file:///w/cr.ZIRN";
    // One line to zirn, two to the editor: the ignored "== 5" is at zirn's
    // line 1, byte column 9, which is the editor's line 1, character 2.
    const std::vector<json> opened = h.open(uri, "x = 1\ry == 5\n");
    const json& found = opened.at(0)["params"]["diagnostics"];
    ASSERT_EQ(found.size(), 1U) << found.dump();
    EXPECT_EQ(found[0]["code"], "ignored-words");
    EXPECT_EQ(found[0]["range"]["start"], json({{"line", 1}, {"character", 2}}));

    // A change the editor places at its line 1 goes after the CR, not
    // after the text's only LF.
    h.insert_at_line(uri, 2, 1, "z = 2\r");
    EXPECT_EQ(*h.server.workspace().text_of(uri), "x = 1\rz = 2\ry == 5\n");
}

TEST(LspServer, ChangesThatWouldTakeWithoutEndAreRefused)
{
    Harness h;
    h.initialise();
    const std::string uri = "file:///w/big.ZIRN";
    const std::string big(std::size_t{1} << 20, 'x');
    h.open(uri, big);
    json changes = json::array();
    const json start = {{"line", 0}, {"character", 0}};
    const json insert = {{"range", {{"start", start}, {"end", start}}}, {"text", "y"}};
    for (int i = 0; i < 1100; ++i) changes.push_back(insert);
    const std::vector<json> answers = h.send(
        {{"jsonrpc", "2.0"},
         {"method", "textDocument/didChange"},
         {"params", {{"textDocument", {{"uri", uri}, {"version", 2}}}, {"contentChanges", changes}}}});
    EXPECT_TRUE(answers.empty());
    EXPECT_EQ(h.server.workspace().text_of(uri)->size(), big.size()) << "the document stays as it was";
    // A few such changes are fine.
    changes.erase(changes.begin() + 3, changes.end());
    h.send({{"jsonrpc", "2.0"},
            {"method", "textDocument/didChange"},
            {"params", {{"textDocument", {{"uri", uri}, {"version", 3}}}, {"contentChanges", changes}}}});
    EXPECT_EQ(h.server.workspace().text_of(uri)->substr(0, 4), "yyyx");
}

TEST(LspServer, CompletionOffersCallsKeywordsAndNames)
{
    Harness h;
    h.initialise();
    const std::string uri = "file:///w/p.ZIRN";
    h.open(uri, "count = 1\nshout = {\n    end arg0\n}\n$pri\nco\n");
    const json after_dollar = h.at(1, "textDocument/completion", uri, 4, 4)["result"];
    const std::vector<std::string> calls = labels(after_dollar);
    EXPECT_TRUE(has(calls, "print"));
    EXPECT_TRUE(has(calls, "shout"));
    EXPECT_FALSE(has(calls, "count")) << "after $ only what can be called";
    EXPECT_FALSE(has(calls, "compare"));
    for (const json& item : after_dollar) {
        if (item["label"] == "print") {
            EXPECT_EQ(item["textEdit"]["newText"], "print$(");
            EXPECT_EQ(item["textEdit"]["range"]["start"], json({{"line", 4}, {"character", 1}}));
            EXPECT_EQ(item["textEdit"]["range"]["end"], json({{"line", 4}, {"character", 4}}));
            EXPECT_NE(item["documentation"].get<std::string>().find("Example"), std::string::npos);
        }
        if (item["label"] == "input") {
            EXPECT_EQ(item["textEdit"]["newText"], "input");
        }
        if (item["label"] == "shout") {
            EXPECT_EQ(item["textEdit"]["newText"], "shout$(");
        }
    }
    const std::vector<std::string> anywhere = labels(h.at(2, "textDocument/completion", uri, 5, 2)["result"]);
    EXPECT_TRUE(has(anywhere, "compare"));
    EXPECT_TRUE(has(anywhere, "also"));
    EXPECT_TRUE(has(anywhere, "count"));
    EXPECT_TRUE(has(anywhere, "$shout"));
    EXPECT_TRUE(has(anywhere, "$print"));
    EXPECT_EQ(error_code(h.at(3, "textDocument/completion", "file:///not/open.ZIRN", 0, 0)), 0);
}

TEST(LspServer, HoverExplainsBuiltinsKeywordsAndFunctions)
{
    Harness h;
    h.initialise();
    const std::string uri = "file:///w/p.ZIRN";
    h.open(uri, "shout = {\n    x = arg0\n    end x\n}\n$print$($shout$(1))\ncompare (1) {\n}\nprint = 1\n");
    const json builtin = h.at(1, "textDocument/hover", uri, 4, 3)["result"];
    EXPECT_EQ(builtin["contents"]["value"].get<std::string>().rfind("$print$(", 0), 0U);
    EXPECT_EQ(h.at(2, "textDocument/hover", uri, 4, 0)["result"], builtin) << "on the $ of the call";
    const std::string keyword = h.at(3, "textDocument/hover", uri, 5, 2)["result"]["contents"]["value"];
    EXPECT_NE(keyword.find("compare (condition)"), std::string::npos);
    const std::string function = h.at(4, "textDocument/hover", uri, 4, 10)["result"]["contents"]["value"];
    EXPECT_EQ(function, "shout = {\n    x = arg0\n    end x\n}");
    EXPECT_TRUE(h.at(5, "textDocument/hover", uri, 7, 1)["result"].is_null()) << "a name, not a call";
    EXPECT_TRUE(h.at(6, "textDocument/hover", uri, 6, 0)["result"].is_null());
}

TEST(LspServer, DefinitionAndSymbols)
{
    Harness h;
    h.initialise();
    const std::string uri = "file:///w/p.ZIRN";
    h.open(uri, "n = 2\nhalf = {\n    end (arg0 / 2)\n}\n$print$($half$(n))\n");
    const json to_function = h.at(1, "textDocument/definition", uri, 4, 10)["result"];
    EXPECT_EQ(to_function["uri"], uri);
    EXPECT_EQ(to_function["range"]["start"], json({{"line", 1}, {"character", 0}}));
    EXPECT_EQ(to_function["range"]["end"], json({{"line", 1}, {"character", 4}}));
    EXPECT_EQ(h.at(2, "textDocument/definition", uri, 4, 15)["result"]["range"]["start"]["line"], 0);
    EXPECT_TRUE(h.at(3, "textDocument/definition", uri, 4, 2)["result"].is_null());

    const json symbols = h.request(4, "textDocument/documentSymbol", {{"textDocument", {{"uri", uri}}}})["result"];
    ASSERT_EQ(symbols.size(), 1U);
    EXPECT_EQ(symbols[0]["name"], "half");
    EXPECT_EQ(symbols[0]["kind"], 12);
    EXPECT_EQ(symbols[0]["range"]["end"], json({{"line", 3}, {"character", 1}}));
}

TEST(LspServer, LibrariesAreFoundAsAlsoFindsThemAndOnlyRead)
{
    const std::string math = "fib = {\n    end 1\n}\n";
    Harness h({{"math.ZIRN", math}, {"dict.ZIRN", "put = {\n}\n"}});
    h.files["/w/lib/util.ZIRN"] = "also 'more'\nhelper = {\n    end 2\n}\n";
    h.files["/w/more.ZIRN"] = "deep = {\n}\nalso 'util'\n";
    h.files["/w/math.ZIRN"] = "mine = {\n}\n";
    h.initialise();
    const std::string uri = "file:///w/main.ZIRN";
    h.open(uri, "also 'util'\nalso 'math'\nalso 'dict'\nalso 'none'\n$helper$(1)\n$deep$(1)\n$put$(1)\n");
    const std::vector<std::string> calls = labels(h.at(1, "textDocument/completion", uri, 4, 1)["result"]);
    EXPECT_TRUE(has(calls, "helper"));
    EXPECT_TRUE(has(calls, "deep")) << "a library's library";
    EXPECT_TRUE(has(calls, "mine")) << "the folder's math.ZIRN wins over the built-in one";
    EXPECT_FALSE(has(calls, "fib"));
    EXPECT_TRUE(has(calls, "put")) << "the built-in dict";
    EXPECT_EQ(h.reads, (Names{"/w/lib/util.ZIRN", "/w/lib/math.ZIRN", "/w/math.ZIRN", "/w/lib/dict.ZIRN",
                              "/w/dict.ZIRN", "/w/lib/none.ZIRN", "/w/none.ZIRN", "/w/lib/more.ZIRN",
                              "/w/more.ZIRN"}));

    const json to_helper = h.at(2, "textDocument/definition", uri, 4, 3)["result"];
    EXPECT_EQ(to_helper["uri"], "file:///w/lib/util.ZIRN");
    EXPECT_EQ(to_helper["range"]["start"]["line"], 1);
    EXPECT_TRUE(h.at(3, "textDocument/definition", uri, 6, 2)["result"].is_null()) << "built in: no file";
    const std::string hover = h.at(4, "textDocument/hover", uri, 5, 2)["result"]["contents"]["value"];
    EXPECT_EQ(hover, "deep = {\n}\n(/w/more.ZIRN)");

    // An open library counts with its unsaved text.
    h.open("file:///w/lib/util.ZIRN", "renamed = {\n}\n");
    const std::vector<std::string> now = labels(h.at(5, "textDocument/completion", uri, 4, 1)["result"]);
    EXPECT_TRUE(has(now, "renamed"));
    EXPECT_FALSE(has(now, "helper"));
}

TEST(LspServer, ReadsRegularFilesOnly)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("zirn-lsp-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string file = (folder / "a.ZIRN").string();
    std::ofstream(file) << "x = 1\n";
    EXPECT_EQ(read_regular_file(file), "x = 1\n");
    EXPECT_FALSE(read_regular_file(folder.string()));
    EXPECT_FALSE(read_regular_file((folder / "missing").string()));
    const std::string fifo = (folder / "pipe.ZIRN").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(read_regular_file(fifo)) << "a FIFO without a writer must not block";
    std::filesystem::remove_all(folder);
}

}  // namespace
