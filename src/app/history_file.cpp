#include "app/history_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>

namespace zirn::app {

namespace {

// Loading reads at most this much from the end of the file: far more than
// the kept entries of any real history, and a bound on what a damaged or
// hostile file can make a start cost. Entries beyond it are dropped.
constexpr std::size_t most_bytes_loaded = std::size_t{16} << 20;

// Closes a file descriptor (and with it the file's lock) when it goes.
class OpenFile {
public:
    OpenFile() = default;
    explicit OpenFile(int fd) : m_fd(fd) {}
    ~OpenFile() { reset(); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    OpenFile(OpenFile&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    OpenFile& operator=(OpenFile&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_fd = other.m_fd;
            other.m_fd = -1;
        }
        return *this;
    }

    int get() const { return m_fd; }
    bool is_open() const { return m_fd >= 0; }
    void reset()
    {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd = -1;
};

std::string shown_path(const std::string& path) { return "'" + path + "'"; }

// Opens the history file without following a symbolic link and without
// waiting on a fifo; errno says why not.
int open_history(const std::string& path, int flags)
{
    int fd;
    do fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// Why the open file may not hold the history, or empty when it may.
std::string refusal(int fd, const std::string& path)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0) return shown_path(path) + ": " + std::generic_category().message(errno);
    if (!S_ISREG(info.st_mode)) return shown_path(path) + " is not a regular file";
    if (info.st_uid != ::geteuid()) return shown_path(path) + " belongs to another user";
    return {};
}

// True while `path` still names the open file (a rewrite renames a new
// file over it).
bool still_named(int fd, const std::string& path)
{
    struct stat open_info {};
    struct stat named_info {};
    return ::fstat(fd, &open_info) == 0 && ::lstat(path.c_str(), &named_info) == 0 &&
           open_info.st_dev == named_info.st_dev && open_info.st_ino == named_info.st_ino;
}

// The history file at `path`, open with `flags` and locked with `lock`
// (LOCK_SH or LOCK_EX). When another session renamed a new file over it
// while this one waited for the lock, the new one is opened instead, as
// often as that happens: each time another session got its entry in, and
// giving up here would lose this session's entry (sessions that append
// and cut side by side made a hundred rounds in a row here).
// On failure the file is not open, and `problem` says why when the file is
// there but may not be used (errno tells the rest).
OpenFile open_locked(const std::string& path, int flags, int lock, std::string& problem)
{
    for (;;) {
        OpenFile file(open_history(path, flags));
        if (!file.is_open()) {
            if (errno == ELOOP) problem = shown_path(path) + " is a symbolic link";
            return file;
        }
        problem = refusal(file.get(), path);
        if (!problem.empty()) return OpenFile();
        int locked;
        do locked = ::flock(file.get(), lock);
        while (locked != 0 && errno == EINTR);
        if (locked != 0) return OpenFile();
        if (still_named(file.get(), path)) return file;
    }
}

// Writes the whole text and reports whether it all got there.
bool write_all(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool read_exactly(int fd, char* into, std::size_t size, off_t at)
{
    while (size > 0) {
        const ssize_t got = ::pread(fd, into, size, at);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        into += got;
        size -= static_cast<std::size_t>(got);
        at += got;
    }
    return true;
}

// The last lines of a file, and whether the file holds more than those.
struct Tail {
    std::vector<std::string> lines;
    bool more_before = false;
    bool read_failed = false;  // then it is no reason to cut the file
};

// Reads the file backwards, a block at a time, until `limit` whole lines
// are known (or the start of the file, or the byte bound, is reached).
Tail read_tail(int fd, std::size_t limit)
{
    Tail tail;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_size <= 0) return tail;
    constexpr std::size_t block = std::size_t{1} << 16;
    off_t start = info.st_size;
    std::vector<std::string> pieces;  // the file from `start` on, the last piece first
    std::size_t bytes = 0;
    std::size_t line_feeds = 0;
    bool ends_with_line_feed = true;
    const auto whole_lines = [&] {
        // The first piece may be the end of an earlier line; a last line
        // without its line feed counts.
        const std::size_t lines = line_feeds + (ends_with_line_feed ? 0 : 1);
        return start == 0 || lines == 0 ? lines : lines - 1;
    };
    while (start > 0 && bytes < most_bytes_loaded && whole_lines() < limit) {
        const std::size_t size = std::min(block, static_cast<std::size_t>(start));
        std::string piece(size, '\0');
        if (!read_exactly(fd, piece.data(), size, start - static_cast<off_t>(size))) {
            tail.read_failed = true;
            break;
        }
        if (pieces.empty()) ends_with_line_feed = piece.back() == '\n';
        start -= static_cast<off_t>(size);
        line_feeds += static_cast<std::size_t>(std::count(piece.begin(), piece.end(), '\n'));
        bytes += size;
        pieces.push_back(std::move(piece));
    }
    std::string text;
    text.reserve(bytes);
    for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece) text += *piece;
    std::size_t from = 0;
    if (start > 0) {
        // The partial line at the front, and with it the file before it.
        const std::size_t first_end = text.find('\n');
        from = first_end == std::string::npos ? text.size() : first_end + 1;
        tail.more_before = true;
    }
    while (from < text.size()) {
        const std::size_t end = text.find('\n', from);
        const std::size_t stop = end == std::string::npos ? text.size() : end;
        tail.lines.emplace_back(text, from, stop - from);
        from = stop + 1;
    }
    if (tail.lines.size() > limit) {
        tail.lines.erase(tail.lines.begin(), tail.lines.end() - static_cast<std::ptrdiff_t>(limit));
        tail.more_before = true;
    }
    return tail;
}

// The history may hold what people typed: only they may read it.
void make_parent_folder(const std::string& path)
{
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (parent.empty()) return;
    std::error_code ignored;
    if (std::filesystem::create_directories(parent, ignored)) {
        std::filesystem::permissions(parent, std::filesystem::perms::owner_all, ignored);
    }
}

}  // namespace

std::optional<std::string> history_path(const char* (*lookup)(const char* name))
{
    if (const char* chosen = lookup("ZIRN_HISTORY")) {
        if (*chosen == '\0') return std::nullopt;
        return std::string(chosen);
    }
    if (const char* state = lookup("XDG_STATE_HOME"); state != nullptr && state[0] == '/') {
        return std::string(state) + "/zirn/history";
    }
    if (const char* home = lookup("HOME"); home != nullptr && *home != '\0') {
        return std::string(home) + "/.local/state/zirn/history";
    }
    return std::nullopt;
}

std::string encode_history_entry(std::string_view entry)
{
    std::string line;
    line.reserve(entry.size());
    for (char ch : entry) {
        switch (ch) {
        case '\\': line += "\\\\"; break;
        case '\n': line += "\\n"; break;
        case '\r': line += "\\r"; break;
        default: line += ch;
        }
    }
    return line;
}

std::string decode_history_entry(std::string_view line)
{
    std::string entry;
    entry.reserve(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\' || i + 1 == line.size()) {
            entry += line[i];
            continue;
        }
        const char next = line[++i];
        if (next == 'n') entry += '\n';
        else if (next == 'r') entry += '\r';
        else if (next == '\\') entry += '\\';
        else {
            entry += '\\';  // not written by us: kept as it stands
            entry += next;
        }
    }
    return entry;
}

HistoryFile::HistoryFile(std::string path, std::size_t limit) : m_path(std::move(path)), m_limit(limit) {}

std::vector<std::string> HistoryFile::load()
{
    m_problem.clear();
    Tail tail;
    try {
        OpenFile file = open_locked(m_path, O_RDONLY, LOCK_SH, m_problem);
        if (!file.is_open()) {
            if (m_problem.empty() && errno != ENOENT) {
                m_problem = shown_path(m_path) + ": " + std::generic_category().message(errno);
            }
            return {};
        }
        tail = read_tail(file.get(), m_limit);
    } catch (const std::exception& error) {
        // Never a reason for a session not to start.
        m_problem = shown_path(m_path) + " cannot be loaded: " + error.what();
        return {};
    }
    m_entries = tail.lines.size();
    if (tail.more_before && !tail.read_failed) cut_to_limit();
    std::vector<std::string> entries;
    entries.reserve(tail.lines.size());
    for (const std::string& line : tail.lines) entries.push_back(decode_history_entry(line));
    return entries;
}

void HistoryFile::append(std::string_view entry)
{
    if (!m_problem.empty()) return;
    make_parent_folder(m_path);
    {
        std::string problem;
        const OpenFile file = open_locked(m_path, O_WRONLY | O_CREAT | O_APPEND, LOCK_SH, problem);
        if (!file.is_open()) return;
        // One write, so that a line from another session cannot land
        // inside it.
        if (!write_all(file.get(), encode_history_entry(entry) + "\n")) return;
    }
    if (++m_entries > m_limit) cut_to_limit();
}

void HistoryFile::cut_to_limit()
{
    // The file as it is now, with what other sessions appended meanwhile;
    // none appends while the lock is held.
    std::string problem;
    const OpenFile file = open_locked(m_path, O_RDONLY, LOCK_EX, problem);
    if (!file.is_open()) return;
    const Tail tail = read_tail(file.get(), m_limit);
    m_entries = tail.lines.size();
    if (!tail.more_before || tail.read_failed) return;
    std::string text;
    for (const std::string& line : tail.lines) text += line + "\n";
    // Written beside it and renamed over it, so no reader sees half a file.
    const std::string temporary = m_path + ".new." + std::to_string(::getpid());
    ::unlink(temporary.c_str());  // left by an earlier process of the same number
    const OpenFile out(open_history(temporary, O_WRONLY | O_CREAT | O_EXCL));
    if (!out.is_open()) return;
    if (!write_all(out.get(), text) || std::rename(temporary.c_str(), m_path.c_str()) != 0) {
        std::remove(temporary.c_str());
    }
}

}  // namespace zirn::app
