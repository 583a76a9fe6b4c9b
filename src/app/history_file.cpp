#include "app/history_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace zirn::app {

namespace {

std::vector<std::string> read_lines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream file(path, std::ios::binary);
    std::string line;
    while (std::getline(file, line)) lines.push_back(line);
    return lines;
}

// Writes the whole text and reports whether it all got there.
bool write_all(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
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
    std::vector<std::string> lines = read_lines(m_path);
    m_entries = lines.size();
    if (lines.size() > m_limit) {
        cut_to_limit();
        lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(m_limit));
    }
    std::vector<std::string> entries;
    entries.reserve(lines.size());
    for (const std::string& line : lines) entries.push_back(decode_history_entry(line));
    return entries;
}

void HistoryFile::append(std::string_view entry)
{
    make_parent_folder(m_path);
    const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return;
    // One write, so that a line from another session cannot land inside it.
    const bool written = write_all(fd, encode_history_entry(entry) + "\n");
    ::close(fd);
    if (!written) return;
    if (++m_entries > m_limit) cut_to_limit();
}

void HistoryFile::cut_to_limit()
{
    // The file as it is now, with what other sessions appended meanwhile.
    std::vector<std::string> lines = read_lines(m_path);
    if (lines.size() > m_limit) lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(m_limit));
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    // Written beside it and renamed over it, so no reader sees half a file.
    const std::string temporary = m_path + ".new." + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return;
    const bool written = write_all(fd, text);
    ::close(fd);
    if (!written || std::rename(temporary.c_str(), m_path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return;
    }
    m_entries = lines.size();
}

}  // namespace zirn::app
