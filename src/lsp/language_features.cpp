#include "lsp/language_features.h"

#include <set>

#include "builtins/reference.h"
#include "check/checker.h"
#include "exec/keywords.h"
#include "lsp/definitions.h"

namespace zirn::lsp {

namespace {

// LSP's numbers for kinds and severities.
constexpr int severity_error = 1;
constexpr int severity_warning = 2;
constexpr int completion_function = 3;
constexpr int completion_variable = 6;
constexpr int completion_keyword = 14;
constexpr int symbol_function = 12;

// How many lines of a function its hover shows.
constexpr std::size_t hover_lines = 6;

bool is_name_byte(char ch)
{
    const auto byte = static_cast<unsigned char>(ch);
    const bool letter = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || byte >= 0x80U;
    return letter || (byte >= '0' && byte <= '9') || byte == '_';
}

Json position_json(Position position) { return {{"line", position.line}, {"character", position.character}}; }

Json range_json(const LineIndex& lines, std::size_t begin, std::size_t end)
{
    return {{"start", position_json(lines.position_of(begin))}, {"end", position_json(lines.position_of(end))}};
}

// A finding names zirn's line; the range names the editor's.
Json diagnostic_json(const ProgramLines& program_lines, const LineIndex& lines, const check::Finding& finding)
{
    const std::size_t line = finding.line - 1;
    const std::size_t line_start = program_lines.start(line);
    const std::size_t line_length = program_lines.length(line);
    // Columns count bytes from 1; a place past the line's end is its end.
    const std::size_t begin = std::min<std::size_t>(finding.column - 1, line_length);
    const std::size_t end = std::max(begin, std::min<std::size_t>(finding.end_column - 1, line_length));
    return {
        {"range", range_json(lines, line_start + begin, line_start + end)},
        {"severity", finding.severity == check::Severity::Error ? severity_error : severity_warning},
        {"source", "zirn"},
        {"code", std::string(finding.rule_name())},
        {"message", finding.message},
    };
}

// The text the document and each of its libraries hold, with their
// outlines, the document first.
struct Source {
    std::string uri;
    std::string name;
    std::string_view text;
    TextOutline outline;
};

std::vector<Source> sources_of(const Workspace& workspace, const std::string& uri,
                               std::vector<LibraryText>& libraries)
{
    std::vector<Source> sources;
    const std::string* text = workspace.text_of(uri);
    if (text == nullptr) return sources;
    sources.push_back({uri, "", *text, outline_text(*text)});
    libraries = workspace.libraries_of(uri);
    for (LibraryText& library : libraries) {
        sources.push_back({library.uri, library.name, library.text, std::move(library.outline)});
    }
    return sources;
}

// The definition's first lines, and "..." when there are more.
std::string first_lines(std::string_view text, std::size_t begin, std::size_t end)
{
    const std::string_view shown = text.substr(begin, end - begin);
    std::size_t cut = 0;
    for (std::size_t line = 0; line < hover_lines; ++line) {
        cut = shown.find('\n', cut);
        if (cut == std::string_view::npos) return std::string(shown);
        ++cut;
    }
    return std::string(shown.substr(0, cut)) + "...";
}

Json plain_hover(const std::string& text) { return {{"contents", {{"kind", "plaintext"}, {"value", text}}}}; }

// --- completion -----------------------------------------------------------

class CompletionList {
public:
    // Each label once: the first offer of a label wins.
    void add(Json item)
    {
        if (m_labels.insert(item["label"].get<std::string>()).second) m_items.push_back(std::move(item));
    }
    Json take() { return std::move(m_items); }

private:
    Json m_items = Json::array();
    std::set<std::string> m_labels;
};

Json text_edit(const LineIndex& lines, std::size_t begin, std::size_t end, const std::string& text)
{
    return {{"range", range_json(lines, begin, end)}, {"newText", text}};
}

void offer_builtins(CompletionList& list, const LineIndex& lines, std::size_t begin, std::size_t end, bool after_dollar)
{
    for (const exec::ReferenceEntry& entry : builtins::builtin_reference()) {
        std::string call = builtins::call_form(entry);
        if (after_dollar) call.erase(0, 1);
        std::string label = after_dollar ? "" : "$";
        label += entry.name;
        Json item = {{"label", label},
                     {"kind", completion_function},
                     {"detail", std::string(entry.synopsis)},
                     {"documentation", builtins::reference_page(entry)},
                     {"filterText", label},
                     {"textEdit", text_edit(lines, begin, end, call)}};
        list.add(std::move(item));
    }
}

void offer_keywords(CompletionList& list)
{
    for (const exec::ReferenceEntry& entry : exec::statement_reference()) {
        if (entry.kind != exec::EntryKind::Statement) continue;
        list.add({{"label", std::string(entry.name)},
                  {"kind", completion_keyword},
                  {"detail", std::string(entry.synopsis)},
                  {"documentation", builtins::reference_page(entry)}});
    }
}

void offer_definitions(CompletionList& list, const std::vector<Source>& sources, const LineIndex& lines,
                       std::size_t begin, std::size_t end, bool after_dollar)
{
    for (const Source& source : sources) {
        const std::string where = source.name.empty() ? "" : " (" + source.name + ")";
        for (const Definition& definition : source.outline.definitions) {
            const bool function = definition.kind == DefinitionKind::Function;
            if (after_dollar && !function) continue;
            if (function) {
                const std::string label = after_dollar ? definition.name : "$" + definition.name;
                const std::string call = (after_dollar ? "" : "$") + definition.name + "$(";
                list.add({{"label", label},
                          {"kind", completion_function},
                          {"detail", "function" + where},
                          {"filterText", label},
                          {"textEdit", text_edit(lines, begin, end, call)}});
            } else {
                list.add({{"label", definition.name}, {"kind", completion_variable}, {"detail", "name" + where}});
            }
        }
    }
}

}  // namespace

WordAt word_at(std::string_view text, std::size_t offset)
{
    offset = std::min(offset, text.size());
    // On the '$' that opens a call: the name after it.
    if (offset < text.size() && text[offset] == '$' && offset + 1 < text.size() && is_name_byte(text[offset + 1]) &&
        (offset == 0 || !is_name_byte(text[offset - 1]))) {
        ++offset;
    }
    WordAt word;
    word.begin = offset;
    while (word.begin > 0 && is_name_byte(text[word.begin - 1])) --word.begin;
    word.end = offset;
    while (word.end < text.size() && is_name_byte(text[word.end])) ++word.end;
    word.call = word.begin > 0 && text[word.begin - 1] == '$';
    std::size_t before = word.begin;
    while (before > 0 && (text[before - 1] == ' ' || text[before - 1] == '\t')) --before;
    word.starts_line = before == 0 || text[before - 1] == '\n';
    return word;
}

Json diagnostics_for(std::string_view text)
{
    const ProgramLines program_lines(text);
    const LineIndex lines(text);
    Json diagnostics = Json::array();
    for (const check::Finding& finding : check::check_program(text)) {
        diagnostics.push_back(diagnostic_json(program_lines, lines, finding));
    }
    return diagnostics;
}

Json completion_at(const Workspace& workspace, const std::string& uri, Position at)
{
    std::vector<LibraryText> libraries;
    const std::vector<Source> sources = sources_of(workspace, uri, libraries);
    if (sources.empty()) return Json::array();
    const std::string_view text = sources.front().text;
    const LineIndex lines(text);
    const std::size_t cursor = lines.offset_of(at);
    const WordAt word = word_at(text, cursor);
    // The offer replaces the part of the word typed so far.
    const std::size_t begin = word.begin;
    CompletionList list;
    if (word.call) {
        offer_definitions(list, sources, lines, begin, cursor, true);
        offer_builtins(list, lines, begin, cursor, true);
        return list.take();
    }
    offer_keywords(list);
    offer_definitions(list, sources, lines, begin, cursor, false);
    offer_builtins(list, lines, begin, cursor, false);
    return list.take();
}

Json hover_at(const Workspace& workspace, const std::string& uri, Position at)
{
    std::vector<LibraryText> libraries;
    const std::vector<Source> sources = sources_of(workspace, uri, libraries);
    if (sources.empty()) return nullptr;
    const std::string_view text = sources.front().text;
    const WordAt word = word_at(text, LineIndex(text).offset_of(at));
    if (word.begin == word.end) return nullptr;
    const std::string name(text.substr(word.begin, word.end - word.begin));
    if (word.call) {
        if (const exec::ReferenceEntry* entry = builtins::find_reference("$" + name)) {
            return plain_hover(builtins::reference_page(*entry));
        }
    } else if (word.starts_line && exec::keyword_from_token(name)) {
        if (const exec::ReferenceEntry* entry = builtins::find_reference(name)) {
            return plain_hover(builtins::reference_page(*entry));
        }
    }
    for (const Source& source : sources) {
        const Definition* definition = find_definition(source.outline, name, true);
        if (definition == nullptr) continue;
        std::string shown = first_lines(source.text, definition->name_offset, definition->end_offset);
        if (!source.name.empty()) shown += "\n(" + source.name + ")";
        return plain_hover(shown);
    }
    return nullptr;
}

Json definition_at(const Workspace& workspace, const std::string& uri, Position at)
{
    std::vector<LibraryText> libraries;
    const std::vector<Source> sources = sources_of(workspace, uri, libraries);
    if (sources.empty()) return nullptr;
    const std::string_view text = sources.front().text;
    const WordAt word = word_at(text, LineIndex(text).offset_of(at));
    if (word.begin == word.end) return nullptr;
    const std::string name(text.substr(word.begin, word.end - word.begin));
    // Functions first, everywhere; then the first assignment of a name.
    for (const bool functions_only : {true, false}) {
        for (const Source& source : sources) {
            if (source.uri.empty()) continue;  // a built-in library has no file to show
            const Definition* definition = find_definition(source.outline, name, functions_only);
            if (definition == nullptr) continue;
            const LineIndex lines(source.text);
            return {{"uri", source.uri},
                    {"range", range_json(lines, definition->name_offset, definition->name_offset + name.size())}};
        }
    }
    return nullptr;
}

Json document_symbols(std::string_view text)
{
    const LineIndex lines(text);
    Json symbols = Json::array();
    for (const Definition& definition : outline_text(text).definitions) {
        if (definition.kind != DefinitionKind::Function) continue;
        const std::size_t name_end = definition.name_offset + definition.name.size();
        symbols.push_back({{"name", definition.name},
                           {"kind", symbol_function},
                           {"range", range_json(lines, definition.name_offset, definition.end_offset)},
                           {"selectionRange", range_json(lines, definition.name_offset, name_end)}});
    }
    return symbols;
}

}  // namespace zirn::lsp
