#include "lsp/workspace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <set>

#include "lsp/uri.h"

namespace zirn::lsp {

std::optional<std::string> read_regular_file(const std::string& path)
{
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    const int file = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) return std::nullopt;
    std::optional<std::string> text;
    struct stat info {};
    const bool regular = ::fstat(file, &info) == 0 && S_ISREG(info.st_mode);
    if (regular && static_cast<std::uintmax_t>(info.st_size) <= max_library_bytes) {
        std::string content;
        char chunk[1 << 16];
        for (;;) {
            const ssize_t got = ::read(file, chunk, sizeof chunk);
            if (got <= 0) {
                if (got == 0) text = std::move(content);
                break;
            }
            if (content.size() + static_cast<std::size_t>(got) > max_library_bytes) break;
            content.append(chunk, static_cast<std::size_t>(got));
        }
    }
    ::close(file);
    return text;
}

Workspace::Workspace(FileReader reader, std::vector<BuiltInLibrary> built_in)
    : m_reader(std::move(reader)), m_built_in(std::move(built_in))
{
}

void Workspace::set_text(const std::string& uri, std::string text) { m_documents[uri] = std::move(text); }

void Workspace::forget(const std::string& uri) { m_documents.erase(uri); }

const std::string* Workspace::text_of(const std::string& uri) const
{
    const auto found = m_documents.find(uri);
    return found == m_documents.end() ? nullptr : &found->second;
}

std::optional<LibraryText> Workspace::library_at(const std::string& path) const
{
    const std::string uri = uri_of_path(path);
    if (const std::string* open = text_of(uri)) return LibraryText{uri, path, *open, {}};
    if (!m_reader) return std::nullopt;
    std::optional<std::string> text = m_reader(path);
    if (!text) return std::nullopt;
    return LibraryText{uri, path, std::move(*text), {}};
}

std::optional<LibraryText> Workspace::find_library(const std::string& folder, const std::string& name) const
{
    if (name.find('\0') != std::string::npos) return std::nullopt;
    const std::string file_name = name + ".ZIRN";
    const std::string prefix = folder == "/" ? "/" : folder + "/";
    if (auto found = library_at(prefix + "lib/" + file_name)) return found;
    if (auto found = library_at(prefix + file_name)) return found;
    for (const BuiltInLibrary& library : m_built_in) {
        if (library.file_name == file_name) {
            return LibraryText{"", "<built-in>/" + file_name, std::string(library.text), {}};
        }
    }
    return std::nullopt;
}

std::vector<LibraryText> Workspace::libraries_of(const std::string& uri) const
{
    std::vector<LibraryText> found;
    const std::string* text = text_of(uri);
    const std::optional<std::string> path = path_of_uri(uri);
    if (text == nullptr || !path) return found;
    const std::string folder = folder_of(*path);
    std::vector<std::string> wanted;
    for (const LibraryUse& use : outline_text(*text).libraries) wanted.push_back(use.name);
    std::set<std::string> named(wanted.begin(), wanted.end());
    for (std::size_t next = 0; next < std::min(wanted.size(), max_library_lookups) && found.size() < max_libraries;
         ++next) {
        std::optional<LibraryText> library = find_library(folder, wanted[next]);
        if (!library) continue;
        library->outline = outline_text(library->text);
        for (const LibraryUse& use : library->outline.libraries) {
            if (named.insert(use.name).second) wanted.push_back(use.name);
        }
        found.push_back(std::move(*library));
    }
    return found;
}

}  // namespace zirn::lsp
