#include "host/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <random>
#include <system_error>

#include "base/error.h"
#include "value/growing_text.h"

namespace zirn::host {

namespace {

[[noreturn]] void raise_file_error(std::string_view user, std::string_view what, std::string_view path, int error)
{
    throw Error(ErrorKind::FileSystem, std::string(user) + ": cannot " + std::string(what) + " " + quote_text(path) +
                                           ": " + std::generic_category().message(error));
}

// Closes a file descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    // Closes now; the result is close()'s, so a late write error is seen.
    int close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

int open_retrying(const char* path, int flags, mode_t mode = 0)
{
    int fd;
    do fd = ::open(path, flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// Writes every byte; false with errno set on failure.
bool write_all(int fd, std::string_view content)
{
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The folder that holds `path`, and the path's last component.
std::string folder_of(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// `path` with its symbolic links followed to the name they end at, which
// need not exist yet (a dangling link names the file to create).
std::string follow_links(const std::string& path, std::string_view user)
{
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
        const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
        if (length < 0) raise_file_error(user, "open", path, errno);
        if (static_cast<std::size_t>(length) >= target.size()) return current;  // changed meanwhile: let open decide
        target.resize(static_cast<std::size_t>(length));
        current = (target.front() == '/' || current.find('/') == std::string::npos)
                      ? target
                      : folder_of(current) + "/" + target;
    }
    raise_file_error(user, "open", path, ELOOP);
}

// The temporary file a write in progress would leave behind; a signal that
// ends the process removes it first.
std::atomic<const char*> pending_temporary{nullptr};
static_assert(std::atomic<const char*>::is_always_lock_free);

extern "C" void remove_temporary_and_end(int signal_number)
{
    if (const char* name = pending_temporary.load()) ::unlink(name);
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal_number, &fallback, nullptr);
    // The signal stays blocked until the handler returns, then ends the
    // process as it would have without the handler.
    ::raise(signal_number);
}

// While it lives, the signals that end a process by default remove the
// pending temporary file first, and exceeding the file size limit is an
// error of the write instead of the end of the process. Signals that the
// program handles or ignores are left alone.
class TemporaryFileSignals {
public:
    TemporaryFileSignals()
    {
        for (std::size_t i = 0; i < count; ++i) {
            m_replaced[i] = false;
            if (::sigaction(ending_signals[i], nullptr, &m_previous[i]) != 0) continue;
            if (m_previous[i].sa_handler != SIG_DFL || (m_previous[i].sa_flags & SA_SIGINFO) != 0) continue;
            struct sigaction action {};
            action.sa_handler = ending_signals[i] == SIGXFSZ ? SIG_IGN : remove_temporary_and_end;
            sigemptyset(&action.sa_mask);
            m_replaced[i] = ::sigaction(ending_signals[i], &action, nullptr) == 0;
        }
    }
    ~TemporaryFileSignals()
    {
        for (std::size_t i = 0; i < count; ++i) {
            if (m_replaced[i]) ::sigaction(ending_signals[i], &m_previous[i], nullptr);
        }
    }
    TemporaryFileSignals(const TemporaryFileSignals&) = delete;
    TemporaryFileSignals& operator=(const TemporaryFileSignals&) = delete;

private:
    static constexpr int ending_signals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGALRM, SIGUSR1, SIGUSR2, SIGXFSZ};
    static constexpr std::size_t count = sizeof ending_signals / sizeof ending_signals[0];
    struct sigaction m_previous[count];
    bool m_replaced[count];
};

// A new, empty file with a name of its own in a given folder, removed again
// unless it is kept. created() tells whether it could be made; error()
// says why not.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& folder)
    {
        // One per thread: interpreters on several threads write files too.
        static thread_local std::mt19937_64 generator{std::random_device{}()};
        static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
        m_error = EEXIST;
        for (int attempt = 0; attempt < 100 && m_error == EEXIST; ++attempt) {
            m_name = folder + "/.zirn-";
            std::uint64_t bits = generator();
            for (int i = 0; i < 12; ++i, bits /= 36) m_name += digits[bits % 36];
            m_name += ".tmp";
            // Known to the signal handler before it exists: a signal that
            // comes right after the file is made still finds it.
            pending_temporary.store(m_name.c_str());
            m_fd = open_retrying(m_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY, S_IRUSR | S_IWUSR);
            if (m_fd >= 0) return;
            m_error = errno;
            pending_temporary.store(nullptr);
        }
        m_kept = true;  // nothing to remove
    }
    ~TemporaryFile()
    {
        if (m_fd >= 0) ::close(m_fd);
        if (!m_kept) ::unlink(m_name.c_str());
        pending_temporary.store(nullptr);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool created() const { return m_fd >= 0; }
    int error() const { return m_error; }
    int fd() const { return m_fd; }
    const std::string& name() const { return m_name; }
    int close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }
    // The file has been renamed into place: nothing left to remove.
    void keep()
    {
        pending_temporary.store(nullptr);
        m_kept = true;
    }

private:
    std::string m_name;
    int m_fd = -1;
    int m_error = 0;
    bool m_kept = false;
};

mode_t mode_for_new_files()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

// Devices, fifos and sockets cannot be replaced: they get the bytes as they
// are.
void write_in_place(const std::string& path, std::string_view content, std::string_view user)
{
    FileDescriptor file(open_retrying(path.c_str(), O_WRONLY | O_NOCTTY));
    if (file.get() < 0) raise_file_error(user, "open", path, errno);
    if (!write_all(file.get(), content)) raise_file_error(user, "write", path, errno);
    if (file.close() != 0) raise_file_error(user, "write", path, errno);
}

// Makes the file at `path` hold room for `size` bytes without changing what
// it holds, so that a full disk fails the write before the old content is
// touched. posix_fallocate reserves the blocks where the file system can;
// where it cannot, the bytes beyond the old end are written first (and taken
// back when they do not fit): overwriting blocks that already exist needs no
// new room. On failure errno says why.
bool reserve_room(int fd, std::string_view content, off_t old_size)
{
    if (content.empty()) return true;
    const int reserved = ::posix_fallocate(fd, 0, static_cast<off_t>(content.size()));
    if (reserved == 0) return true;
    if (reserved != EOPNOTSUPP && reserved != EINVAL && reserved != ENOSYS) {
        [[maybe_unused]] const int ignored = ::ftruncate(fd, old_size);
        errno = reserved;
        return false;
    }
    const auto kept = static_cast<std::size_t>(old_size);
    if (content.size() <= kept) return true;
    std::string_view growth = content.substr(kept);
    for (off_t at = old_size; !growth.empty();) {
        const ssize_t written = ::pwrite(fd, growth.data(), growth.size(), at);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            const int error = written < 0 ? errno : ENOSPC;
            [[maybe_unused]] const int ignored = ::ftruncate(fd, old_size);
            errno = error;
            return false;
        }
        growth.remove_prefix(static_cast<std::size_t>(written));
        at += written;
    }
    return true;
}

// A regular file that cannot be replaced (its folder takes no new file, or
// a sticky folder keeps it from being renamed over) is overwritten where it
// is, after its new size has been reserved: a full disk leaves the old
// content as it was. A failure later on (an I/O error, the process killed
// midway) can still leave a mix of old and new content.
void overwrite_in_place(const std::string& path, std::string_view content, std::string_view user)
{
    FileDescriptor file(open_retrying(path.c_str(), O_WRONLY | O_NOCTTY));
    if (file.get() < 0) raise_file_error(user, "open", path, errno);
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) raise_file_error(user, "open", path, errno);
    if (!reserve_room(file.get(), content, info.st_size)) raise_file_error(user, "write", path, errno);
    if (!write_all(file.get(), content)) raise_file_error(user, "write", path, errno);
    if (::ftruncate(file.get(), static_cast<off_t>(content.size())) != 0) raise_file_error(user, "write", path, errno);
    if (::fsync(file.get()) != 0 && errno != EINVAL) raise_file_error(user, "write", path, errno);
    if (file.close() != 0) raise_file_error(user, "write", path, errno);
}

// Makes the rename itself last; a folder that cannot be synced loses
// nothing that is not already safe in the file.
void sync_folder(const std::string& folder)
{
    const FileDescriptor dir(open_retrying(folder.c_str(), O_RDONLY | O_DIRECTORY));
    if (dir.get() >= 0) ::fsync(dir.get());
}

}  // namespace

void check_path(std::string_view path, std::string_view user)
{
    const std::size_t nul = path.find('\0');
    if (nul == std::string_view::npos) return;
    throw Error(ErrorKind::FileSystem, std::string(user) + ": the path " + quote_text(path) +
                                           " holds a NUL byte (at byte " + std::to_string(nul) + ")");
}

std::string file_content_label(std::string_view user, const std::string& path)
{
    return std::string(user) + ": the content of " + quote_text(path);
}

std::optional<std::string> read_whole_file(const std::string& path, std::size_t limit, std::string_view user)
{
    const FileDescriptor file(open_retrying(path.c_str(), O_RDONLY | O_NOCTTY));
    if (file.get() < 0) return std::nullopt;
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || S_ISDIR(info.st_mode)) return std::nullopt;
    const std::string label = file_content_label(user, path);  // the text keeps a view of it
    value::GrowingText content(label, limit);
    // A regular file's size is known before reading; devices and pipes may
    // never end, and stop at the limit.
    if (S_ISREG(info.st_mode) && info.st_size > 0) {
        const auto size = static_cast<std::uintmax_t>(info.st_size);
        content.reserve(size > limit ? limit + 1 : static_cast<std::size_t>(size));
    }
    char chunk[1 << 16];
    for (;;) {
        const ssize_t got = ::read(file.get(), chunk, sizeof chunk);
        if (got == 0) return content.take();
        if (got < 0) {
            if (errno == EINTR) continue;
            raise_file_error(user, "read", path, errno);
        }
        content.append(std::string_view(chunk, static_cast<std::size_t>(got)));
    }
}

void write_whole_file(const std::string& path, std::string_view content, std::string_view user)
{
    const std::string target = follow_links(path, user);
    struct stat info {};
    const bool exists = ::stat(target.c_str(), &info) == 0;
    if (!exists && errno != ENOENT) raise_file_error(user, "open", path, errno);
    if (exists && S_ISDIR(info.st_mode)) raise_file_error(user, "open", path, EISDIR);
    if (exists && !S_ISREG(info.st_mode)) return write_in_place(target, content, user);
    // Replacing a file this process could not write to would get round its
    // permissions.
    if (exists && ::access(target.c_str(), W_OK) != 0) raise_file_error(user, "open", path, errno);

    const std::string folder = folder_of(target);
    const TemporaryFileSignals signals;
    TemporaryFile temporary(folder);
    if (!temporary.created()) {
        // A folder that takes no new file may still hold a file its owner
        // may write: that one is written where it is, as nothing else can.
        const int error = temporary.error();
        if (exists && (error == EACCES || error == EPERM)) return overwrite_in_place(target, content, user);
        raise_file_error(user, "open", path, error);
    }
    if (exists && (info.st_uid != ::geteuid() || info.st_gid != ::getegid())) {
        // Only a privileged process may give the file away; otherwise the
        // new file is the writer's, as any rewrite by rename makes it.
        [[maybe_unused]] const int ignored = ::fchown(temporary.fd(), info.st_uid, info.st_gid);
    }
    const mode_t mode = exists ? static_cast<mode_t>(info.st_mode & 07777) : mode_for_new_files();
    if (::fchmod(temporary.fd(), mode) != 0) raise_file_error(user, "write", path, errno);
    if (!write_all(temporary.fd(), content)) raise_file_error(user, "write", path, errno);
    if (::fsync(temporary.fd()) != 0) raise_file_error(user, "write", path, errno);
    if (temporary.close() != 0) raise_file_error(user, "write", path, errno);
    if (::rename(temporary.name().c_str(), target.c_str()) != 0) {
        // In a sticky folder (such as /tmp) only the owner of a file may
        // replace it; another user allowed to write it gets it overwritten.
        const int error = errno;
        if (exists && (error == EPERM || error == EACCES)) return overwrite_in_place(target, content, user);
        raise_file_error(user, "write", path, error);
    }
    temporary.keep();
    sync_folder(folder);
}

}  // namespace zirn::host
