// What the language server answers, each as the JSON value of its reply:
// the checker's findings as diagnostics, completion, hover, go to
// definition and the document's functions. Nothing here runs ZIRN.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "lsp/text_positions.h"
#include "lsp/workspace.h"

namespace zirn::lsp {

using Json = nlohmann::json;

// The findings of the checker for `text`, as an array of Diagnostic, with
// ranges in UTF-16 units, severity, source "zirn" and the rule as code.
Json diagnostics_for(std::string_view text);

// CompletionItem[] for the place `at` of the open document `uri`.
Json completion_at(const Workspace& workspace, const std::string& uri, Position at);

// A Hover, or null where there is nothing to explain.
Json hover_at(const Workspace& workspace, const std::string& uri, Position at);

// A Location, or null when the word at `at` names no function or name
// defined in the document or its libraries.
Json definition_at(const Workspace& workspace, const std::string& uri, Position at);

// DocumentSymbol[] of the functions defined in `text`.
Json document_symbols(std::string_view text);

// The word of name characters around byte `offset` of `text`: where it
// starts and ends, and whether it is written as a call ($name...).
struct WordAt {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool call = false;
    // Only blanks before it on its line: the place of a statement keyword.
    bool starts_line = false;
};
WordAt word_at(std::string_view text, std::size_t offset);

}  // namespace zirn::lsp
