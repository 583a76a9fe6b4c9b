// The documents the editor has open, and the library texts they load with
// `also 'NAME'`.
//
// A library is looked for the way the interpreter looks for it when the
// program runs in the document's folder: lib/NAME.ZIRN there, then
// NAME.ZIRN there, then the library built into zirn. An open document wins
// over the file on disk, so unsaved edits count. Libraries are only read,
// through the FileReader the workspace is given, never run; libraries
// loaded by libraries are followed too, each once, up to a fixed number.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/definitions.h"

namespace zirn::lsp {

// A library built into zirn: its file name ("math.ZIRN") and text.
struct BuiltInLibrary {
    std::string_view file_name;
    std::string_view text;
};

// Reads a whole regular file, or gives nothing.
using FileReader = std::function<std::optional<std::string>(const std::string& path)>;

// The largest library file read.
inline constexpr std::size_t max_library_bytes = std::size_t{16} << 20;
// How many library texts one document's libraries reach at most.
inline constexpr std::size_t max_libraries = 32;
// How many library names are looked for at most (each costs a file look-up).
inline constexpr std::size_t max_library_lookups = 128;

// Reads a regular file of at most max_library_bytes, without blocking on
// anything that is no regular file.
std::optional<std::string> read_regular_file(const std::string& path);

struct LibraryText {
    std::string uri;   // the file's URI; empty for a built-in library
    std::string name;  // as shown: the path, or "<built-in>/math.ZIRN"
    std::string text;
    TextOutline outline;
};

class Workspace {
public:
    Workspace(FileReader reader, std::vector<BuiltInLibrary> built_in);

    void set_text(const std::string& uri, std::string text);
    void forget(const std::string& uri);
    // The text of an open document, or null.
    const std::string* text_of(const std::string& uri) const;
    std::size_t open_count() const { return m_documents.size(); }

    // The libraries the document `uri` loads, directly or through other
    // libraries, in the order they are first named.
    std::vector<LibraryText> libraries_of(const std::string& uri) const;

private:
    std::optional<LibraryText> find_library(const std::string& folder, const std::string& name) const;
    std::optional<LibraryText> library_at(const std::string& path) const;

    FileReader m_reader;
    std::vector<BuiltInLibrary> m_built_in;
    std::map<std::string, std::string, std::less<>> m_documents;
};

}  // namespace zirn::lsp
