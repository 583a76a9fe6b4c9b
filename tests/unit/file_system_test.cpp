// The file systems a session can have: the real one and the sandbox answer
// the same calls alike, the one without access refuses every call, and the
// library searches look where they say, in the order they say.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/library_search.h"
#include "base/error.h"
#include "base/limits.h"
#include "builtins/registry.h"
#include "exec/interpreter.h"
#include "host/console.h"
#include "host/file_system.h"
#include "host/sandbox.h"

namespace {

namespace fs = std::filesystem;
using namespace zirn;

// A fresh folder under the system's temporary folder, removed at the end.
class TemporaryFolder {
public:
    TemporaryFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "zirn-fs-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
    }
    ~TemporaryFolder()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    std::string operator/(const std::string& name) const { return (m_path / name).string(); }
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

// Puts the process back in the folder it was in, however the test ends.
class CurrentFolderKept {
public:
    CurrentFolderKept() : m_start(fs::current_path()) {}
    ~CurrentFolderKept() { fs::current_path(m_start); }
    CurrentFolderKept(const CurrentFolderKept&) = delete;
    CurrentFolderKept& operator=(const CurrentFolderKept&) = delete;

private:
    fs::path m_start;
};

std::vector<std::string> sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

// The same calls on either kind; `at` turns a name into the path the kind
// takes (absolute on disk, inside the sandbox otherwise).
template <typename At>
void check_common_behaviour(host::FileSystem& files, At at)
{
    files.admit("test");
    files.make_directory(at("d"), "mkdir");
    files.make_directory(at("d"), "mkdir");  // an existing folder is fine
    files.write(at("d/a.txt"), "alpha", "writefile");
    files.write(at("d/a.txt"), "beta", "writefile");  // replaced whole
    files.write(at("top.txt"), "", "writefile");
    EXPECT_EQ(files.read(at("d/a.txt"), "readfile"), "beta");
    EXPECT_EQ(files.read(at("top.txt"), "readfile"), "");
    EXPECT_FALSE(files.read(at("missing"), "readfile").has_value());
    EXPECT_FALSE(files.read(at("d"), "readfile").has_value());  // a folder reads as nothing

    EXPECT_TRUE(files.exists(at("d"), "exists"));
    EXPECT_TRUE(files.exists(at("d/a.txt"), "exists"));
    EXPECT_FALSE(files.exists(at("nothing"), "exists"));
    EXPECT_TRUE(files.is_directory(at("d"), "isdir"));
    EXPECT_FALSE(files.is_directory(at("d/a.txt"), "isdir"));
    EXPECT_EQ(sorted(files.list(at("d"), "listdir")), (std::vector<std::string>{"a.txt"}));
    EXPECT_THROW(files.list(at("top.txt"), "listdir"), Error);
    EXPECT_THROW(files.make_directory(at("top.txt"), "mkdir"), Error);
    EXPECT_THROW(files.make_directory(at("no/such"), "mkdir"), Error);

    // load() tells "not there" from "there, but empty".
    EXPECT_FALSE(files.load(at("absent.ZIRN"), "also").has_value());
    EXPECT_EQ(files.load(at("top.txt"), "also"), "");
    EXPECT_EQ(files.load(at("d/a.txt"), "also"), "beta");

    // Above the text limit in force (an embedder may lower it) a file is
    // too large to read or load, whichever kind holds it.
    {
        const std::size_t before = limits::thread_text_limit;
        limits::thread_text_limit = 3;
        for (const bool load : {false, true}) {
            try {
                if (load) files.load(at("d/a.txt"), "also");
                else files.read(at("d/a.txt"), "readfile");
                ADD_FAILURE() << "a 4-byte file read under a 3-byte limit";
            } catch (const Error& error) {
                EXPECT_EQ(error.kind(), ErrorKind::TooLarge);
                EXPECT_NE(std::string(error.what()).find(load ? "also: the content of" : "readfile: the content of"),
                          std::string::npos)
                    << error.what();
            }
        }
        limits::thread_text_limit = before;
    }

    files.remove(at("d"), "rm");
    EXPECT_FALSE(files.exists(at("d/a.txt"), "exists"));
    EXPECT_FALSE(files.exists(at("d"), "exists"));
    files.remove(at("d"), "rm");  // already gone: fine
}

TEST(FileSystem, RealAndSandboxAnswerAlike)
{
    const TemporaryFolder folder;
    check_common_behaviour(host::real_file_system(), [&](const std::string& name) { return folder / name; });
    host::SandboxFiles store;
    host::SandboxFileSystem sandbox(store);
    check_common_behaviour(sandbox, [](const std::string& name) { return "/" + name; });
}

TEST(FileSystem, AFolderMarkGoesBackWhereItWasTaken)
{
    const TemporaryFolder folder;
    const CurrentFolderKept kept;
    host::RealFileSystem& real = host::real_file_system();
    real.make_directory(folder / "inner", "mkdir");
    {
        real.change_directory(folder.path().string(), "cd");
        const std::unique_ptr<host::FolderMark> mark = real.mark_current_folder();
        ASSERT_NE(mark, nullptr);
        real.change_directory("inner", "cd");
        // A renamed folder is still found: the mark holds the folder, not its name.
        fs::rename(folder.path(), folder.path().string() + "-moved");
        mark->go_back();
        EXPECT_TRUE(real.is_directory("inner", "isdir"));
        fs::rename(folder.path().string() + "-moved", folder.path());
    }

    host::SandboxFiles store;
    host::SandboxFileSystem sandbox(store);
    sandbox.make_directory("a", "mkdir");
    sandbox.make_directory("a/b", "mkdir");
    sandbox.change_directory("a", "cd");
    const std::unique_ptr<host::FolderMark> mark = sandbox.mark_current_folder();
    sandbox.change_directory("b", "cd");
    sandbox.write("here", "x", "writefile");
    mark->go_back();
    EXPECT_TRUE(sandbox.exists("b/here", "exists"));
}

TEST(FileSystem, NoAccessRefusesEveryCallByName)
{
    host::NoFileSystem& none = host::no_file_system();
    try {
        none.admit("readfile");
        FAIL() << "admitted";
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::FileSystem);
        EXPECT_STREQ(error.what(), "readfile: file access is disabled in this session");
    }
    EXPECT_THROW(none.read("x", "readfile"), Error);
    EXPECT_THROW(none.load("x", "also"), Error);
    EXPECT_THROW(none.write("x", "y", "writefile"), Error);
    EXPECT_THROW(none.make_directory("x", "mkdir"), Error);
    EXPECT_THROW(none.remove("x", "rm"), Error);
    EXPECT_THROW(none.list("x", "listdir"), Error);
    EXPECT_THROW(none.exists("x", "exists"), Error);
    EXPECT_THROW(none.is_directory("x", "isdir"), Error);
    EXPECT_THROW(none.change_directory("x", "cd"), Error);
    EXPECT_EQ(none.mark_current_folder(), nullptr);
}

TEST(FileSystem, TheInterpreterHandsOutTheKindItsAccessNames)
{
    std::istringstream in;
    std::ostringstream out, err;
    host::StreamConsole console(in, out, err);
    exec::Interpreter interp(builtins::builtin_table(), console);
    EXPECT_EQ(&interp.files(), &host::real_file_system());
    interp.set_file_access(exec::FileAccess::Sandboxed);
    interp.files().write("kept.txt", "in memory", "writefile");
    EXPECT_EQ(interp.sandbox().read("kept.txt"), "in memory");
    interp.set_file_access(exec::FileAccess::Disabled);
    EXPECT_THROW(interp.files().admit("cd"), Error);
}

TEST(LibrarySearch, FoldersComeFirstAndTheBuiltInFilesLast)
{
    host::SandboxFiles store;
    host::SandboxFileSystem files(store);
    const exec::FolderLibrarySearch folders;
    const std::vector<app::LibraryFile> built_in = {{"m.ZIRN", "built = 1"}};
    const app::BundledLibrarySearch bundled(built_in);

    // Nowhere: nothing to load, named as the current folder's file.
    EXPECT_EQ(folders.find("m.ZIRN", files).text, "");
    EXPECT_EQ(folders.find("m.ZIRN", files).path, "m.ZIRN");
    EXPECT_EQ(bundled.find("m.ZIRN", files).text, "built = 1");
    EXPECT_EQ(bundled.find("m.ZIRN", files).path, "<built-in>/m.ZIRN");
    EXPECT_EQ(bundled.find("other.ZIRN", files).path, "other.ZIRN");

    // The current folder's file wins over the built-in one, even empty.
    files.write("m.ZIRN", "", "writefile");
    EXPECT_EQ(bundled.find("m.ZIRN", files).path, "m.ZIRN");
    EXPECT_EQ(bundled.find("m.ZIRN", files).text, "");

    // And lib/ wins over both.
    files.make_directory("lib", "mkdir");
    files.write("lib/m.ZIRN", "in_lib = 1", "writefile");
    for (const exec::LibrarySearch* search : {static_cast<const exec::LibrarySearch*>(&folders),
                                              static_cast<const exec::LibrarySearch*>(&bundled)}) {
        const exec::LibrarySource found = search->find("m.ZIRN", files);
        EXPECT_EQ(found.text, "in_lib = 1");
        EXPECT_EQ(found.path, "lib/m.ZIRN");
    }
}

}  // namespace
