// An in-memory stand-in for the file system.
//
// A session whose file system is a SandboxFileSystem never touches the real
// file system: the file-system builtins and `also` act on a SandboxFiles
// instead.
// Fuzzing runs whole sessions this way, so arbitrary input can create, read
// and remove files without any effect outside the process.
//
// The sandbox starts as one empty folder with its own current folder; paths
// are resolved against that (".." stops at the top, and an absolute path
// starts at the top), so nothing can name a place outside it.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "host/file_system.h"

namespace zirn::host {

class SandboxFiles {
public:
    // Total bytes of file content the sandbox holds at most; writing more
    // raises Error(TooLarge).
    static constexpr std::size_t max_content_bytes = std::size_t{16} << 20;

    bool exists(std::string_view path) const;
    bool is_directory(std::string_view path) const;
    // The content of a file; nothing for a folder or an absent path.
    std::optional<std::string> read(std::string_view path) const;
    // Creates or replaces a file. Raises Error(FileSystem) when the path
    // names a folder or its parent folder is missing.
    void write(std::string_view path, std::string content);
    // Creates a folder; an existing folder is fine. Raises like write().
    void make_directory(std::string_view path);
    // Removes a file, or a folder with everything below it; an absent path
    // is fine.
    void remove(std::string_view path);
    // The names directly inside a folder, sorted. Raises Error(FileSystem)
    // when the path is not a folder.
    std::vector<std::string> list(std::string_view path) const;
    // Makes a folder the current one; raises Error(FileSystem) unless the
    // path names a folder.
    void change_directory(std::string_view path);
    // The current folder, to come back to with return_to().
    const std::string& current() const { return m_current; }
    void return_to(std::string folder) { m_current = std::move(folder); }

    // How many calls reached the sandbox, for tests and statistics.
    std::size_t calls() const { return m_calls; }

private:
    // The path as a key: its folders from the top, joined by "/", and ""
    // for the top folder itself.
    std::string key_of(std::string_view path) const;
    // True when the folder that would hold `key` exists.
    bool parent_exists(const std::string& key) const;

    std::map<std::string, std::string, std::less<>> m_files;
    std::set<std::string, std::less<>> m_directories;
    std::string m_current;  // key of the current folder
    std::size_t m_content_bytes = 0;
    mutable std::size_t m_calls = 0;
};

// The sandbox as a session's file system, over a SandboxFiles that outlives
// it. Files read whole come back as they are: the sandbox's own cap keeps
// them small.
class SandboxFileSystem final : public FileSystem {
public:
    explicit SandboxFileSystem(SandboxFiles& files) : m_files(files) {}

    void admit(std::string_view /*user*/) const override {}
    std::optional<std::string> read(const std::string& path, std::string_view user) override;
    std::optional<std::string> load(const std::string& path, std::string_view user) override;
    void write(const std::string& path, std::string_view content, std::string_view user) override;
    void make_directory(const std::string& path, std::string_view user) override;
    void remove(const std::string& path, std::string_view user) override;
    std::vector<std::string> list(const std::string& path, std::string_view user) override;
    bool exists(const std::string& path, std::string_view user) override;
    bool is_directory(const std::string& path, std::string_view user) override;
    void change_directory(const std::string& path, std::string_view user) override;
    std::unique_ptr<FolderMark> mark_current_folder() override;

private:
    SandboxFiles& m_files;
};

}  // namespace zirn::host
