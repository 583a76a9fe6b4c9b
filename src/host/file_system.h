// The file system a session's file builtins and `also` act on.
//
// One interface with three kinds behind it: the process's own file system
// (RealFileSystem), an in-memory sandbox (SandboxFileSystem, sandbox.h) and
// none at all (NoFileSystem), so that the code that reads and writes files
// never asks which kind it has. Every operation names the builtin it serves
// (`user`), and its errors start with that name.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zirn::host {

// A folder that was current, to go back to (see FileSystem::mark_current_folder).
class FolderMark {
public:
    virtual ~FolderMark() = default;
    // Makes the marked folder current again; a folder that cannot be
    // reached any more leaves the current one as it is.
    virtual void go_back() = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Raises Error(FileSystem) when no call may reach any file in this
    // session; otherwise does nothing. Callers ask before they look at the
    // path any further, so that the refusal is the first thing said.
    virtual void admit(std::string_view user) const = 0;

    // The whole content of a file (up to the text limit); nothing when it
    // cannot be opened or is a folder.
    virtual std::optional<std::string> read(const std::string& path, std::string_view user) = 0;
    // The text of a file to load and run: nothing when no such file is
    // there; a file that is there but cannot be read gives the empty text.
    virtual std::optional<std::string> load(const std::string& path, std::string_view user) = 0;
    // Makes the file hold exactly `content` (atomically where the kind can).
    virtual void write(const std::string& path, std::string_view content, std::string_view user) = 0;
    // Creates one folder; an existing folder is fine, missing parents are not.
    virtual void make_directory(const std::string& path, std::string_view user) = 0;
    // Removes a file, or a folder with everything below it; an absent path
    // is fine.
    virtual void remove(const std::string& path, std::string_view user) = 0;
    // The names directly inside a folder.
    virtual std::vector<std::string> list(const std::string& path, std::string_view user) = 0;
    virtual bool exists(const std::string& path, std::string_view user) = 0;
    virtual bool is_directory(const std::string& path, std::string_view user) = 0;
    virtual void change_directory(const std::string& path, std::string_view user) = 0;
    // The current folder, to come back to; null when it cannot be kept.
    virtual std::unique_ptr<FolderMark> mark_current_folder() = 0;
};

// The process's file system, relative to its current directory. It keeps
// no state, so one object serves every session (real_file_system()).
class RealFileSystem final : public FileSystem {
public:
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
};

// A file system that refuses every call: sessions that may not touch files.
class NoFileSystem final : public FileSystem {
public:
    [[noreturn]] void admit(std::string_view user) const override;
    std::optional<std::string> read(const std::string& path, std::string_view user) override;
    std::optional<std::string> load(const std::string& path, std::string_view user) override;
    void write(const std::string& path, std::string_view content, std::string_view user) override;
    void make_directory(const std::string& path, std::string_view user) override;
    void remove(const std::string& path, std::string_view user) override;
    std::vector<std::string> list(const std::string& path, std::string_view user) override;
    bool exists(const std::string& path, std::string_view user) override;
    bool is_directory(const std::string& path, std::string_view user) override;
    void change_directory(const std::string& path, std::string_view user) override;
    std::unique_ptr<FolderMark> mark_current_folder() override { return nullptr; }
};

// The one RealFileSystem and the one NoFileSystem (neither keeps state).
RealFileSystem& real_file_system();
NoFileSystem& no_file_system();

}  // namespace zirn::host
