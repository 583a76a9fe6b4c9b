#include "host/file_system.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "base/error.h"
#include "base/limits.h"
#include "host/file_io.h"

namespace zirn::host {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void raise_file_error(std::string_view user, std::string_view what, const std::string& path,
                                   const std::error_code& code)
{
    throw Error(ErrorKind::FileSystem,
                std::string(user) + ": cannot " + std::string(what) + " " + quote_text(path) + ": " + code.message());
}

// The status of a path, following links: absent paths give a status of type
// not_found; any other failure raises.
fs::file_status status_of(const std::string& path, std::string_view user)
{
    std::error_code code;
    const fs::file_status status = fs::status(path, code);
    if (code && status.type() != fs::file_type::not_found) raise_file_error(user, "examine", path, code);
    return status;
}

// `path` without the slashes at its end; a path of slashes only stays "/".
std::string_view without_trailing_slashes(std::string_view path)
{
    const std::size_t last = path.find_last_not_of('/');
    if (last == std::string_view::npos) return path.empty() ? path : path.substr(0, 1);
    return path.substr(0, last + 1);
}

// A symbolic link named with slashes after it ("link/") is still removed as
// the link: the slashes would otherwise lead into the folder it points to.
std::string link_itself(const std::string& path)
{
    if (path.empty() || path.back() != '/') return path;
    std::string named(without_trailing_slashes(path));
    std::error_code code;
    return fs::is_symlink(fs::symlink_status(named, code)) ? named : path;
}

// A descriptor of the folder finds it again even when it was renamed
// meanwhile.
class RealFolderMark final : public FolderMark {
public:
    explicit RealFolderMark(int fd) : m_fd(fd) {}
    ~RealFolderMark() override { ::close(m_fd); }
    RealFolderMark(const RealFolderMark&) = delete;
    RealFolderMark& operator=(const RealFolderMark&) = delete;

    void go_back() override { [[maybe_unused]] const int ignored = ::fchdir(m_fd); }

private:
    int m_fd;
};

}  // namespace

std::optional<std::string> RealFileSystem::read(const std::string& path, std::string_view user)
{
    return read_whole_file(path, limits::text_limit(), user);
}

std::optional<std::string> RealFileSystem::load(const std::string& path, std::string_view user)
{
    std::error_code ignored;
    if (!fs::exists(path, ignored)) return std::nullopt;
    return read_whole_file(path, limits::text_limit(), user).value_or("");
}

void RealFileSystem::write(const std::string& path, std::string_view content, std::string_view user)
{
    write_whole_file(path, content, user);
}

void RealFileSystem::make_directory(const std::string& path, std::string_view user)
{
    std::error_code code;
    // An existing directory is fine; parents are not created.
    if (!fs::create_directory(path, code) && code) raise_file_error(user, "create directory", path, code);
    if (!code && !fs::is_directory(path, code)) {
        raise_file_error(user, "create directory", path, std::make_error_code(std::errc::file_exists));
    }
}

void RealFileSystem::remove(const std::string& path, std::string_view user)
{
    std::error_code code;
    fs::remove_all(link_itself(path), code);
    if (code) raise_file_error(user, "remove", path, code);
}

std::vector<std::string> RealFileSystem::list(const std::string& path, std::string_view user)
{
    std::error_code code;
    fs::directory_iterator it(path, code);
    if (code) raise_file_error(user, "list", path, code);
    std::vector<std::string> names;
    for (const fs::directory_iterator end; it != end; it.increment(code)) names.push_back(it->path().filename().string());
    if (code) raise_file_error(user, "list", path, code);
    return names;
}

bool RealFileSystem::exists(const std::string& path, std::string_view user)
{
    return fs::exists(status_of(path, user));
}

bool RealFileSystem::is_directory(const std::string& path, std::string_view user)
{
    return fs::is_directory(status_of(path, user));
}

void RealFileSystem::change_directory(const std::string& path, std::string_view user)
{
    std::error_code code;
    fs::current_path(path, code);
    if (code) raise_file_error(user, "change to", path, code);
}

std::unique_ptr<FolderMark> RealFileSystem::mark_current_folder()
{
    const int fd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::make_unique<RealFolderMark>(fd);
}

void NoFileSystem::admit(std::string_view user) const
{
    throw Error(ErrorKind::FileSystem, std::string(user) + ": file access is disabled in this session");
}

std::optional<std::string> NoFileSystem::read(const std::string&, std::string_view user) { admit(user); }
std::optional<std::string> NoFileSystem::load(const std::string&, std::string_view user) { admit(user); }
void NoFileSystem::write(const std::string&, std::string_view, std::string_view user) { admit(user); }
void NoFileSystem::make_directory(const std::string&, std::string_view user) { admit(user); }
void NoFileSystem::remove(const std::string&, std::string_view user) { admit(user); }
std::vector<std::string> NoFileSystem::list(const std::string&, std::string_view user) { admit(user); }
bool NoFileSystem::exists(const std::string&, std::string_view user) { admit(user); }
bool NoFileSystem::is_directory(const std::string&, std::string_view user) { admit(user); }
void NoFileSystem::change_directory(const std::string&, std::string_view user) { admit(user); }

RealFileSystem& real_file_system()
{
    static RealFileSystem files;
    return files;
}

NoFileSystem& no_file_system()
{
    static NoFileSystem files;
    return files;
}

}  // namespace zirn::host
