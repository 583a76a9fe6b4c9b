// Where `also` finds library files in the zirn command's sessions and
// programs: lib/, the current folder, and then the library built into the
// program (the files the REPL's snapshot restores), so that a program run
// from anywhere can load `math` or `dict`.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "exec/interpreter.h"

namespace zirn::app {

// A library file carried inside the program.
struct LibraryFile {
    std::string_view name;  // "math.ZIRN"
    std::string_view text;
};

// lib/NAME, else NAME in the current folder, else the built-in file NAME
// (errors name it "<built-in>/NAME").
class BundledLibrarySearch : public exec::LibrarySearch {
public:
    explicit BundledLibrarySearch(const std::vector<LibraryFile>& files) : m_files(files) {}
    exec::LibrarySource find(const std::string& file_name, host::FileSystem& files) const override;

private:
    const std::vector<LibraryFile>& m_files;
};

// The search over this program's built-in library (repl_text.h).
const exec::LibrarySearch& bundled_library_search();

}  // namespace zirn::app
