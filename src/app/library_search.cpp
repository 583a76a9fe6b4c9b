#include "app/library_search.h"

#include "app/repl_text.h"

namespace zirn::app {

exec::LibrarySource BundledLibrarySearch::find(const std::string& file_name, host::FileSystem& files) const
{
    const std::string in_lib = "lib/" + file_name;
    if (std::optional<std::string> text = files.load(in_lib, "also")) return {std::move(*text), in_lib};
    if (std::optional<std::string> text = files.load(file_name, "also")) return {std::move(*text), file_name};
    for (const LibraryFile& file : m_files) {
        if (file.name == file_name) return {std::string(file.text), "<built-in>/" + file_name};
    }
    return {"", file_name};
}

const exec::LibrarySearch& bundled_library_search()
{
    static const BundledLibrarySearch search(library_files);
    return search;
}

}  // namespace zirn::app
