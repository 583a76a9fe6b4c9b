// The REPL's history across sessions: a file of entries, one a line, the
// oldest first, kept to a fixed number of entries.
//
// An entry typed over several lines stays one entry: a line feed in it is
// written as "\n", a carriage return as "\r" and a backslash as "\\".
// Appending writes one line at the end with a single write, so sessions
// running side by side do not lose each other's entries; when the file holds
// more entries than the limit, the oldest are dropped by writing it anew and
// renaming that over it. Appends take the file's lock shared and the rewrite
// takes it exclusively (flock), so no entry lands in the old file while the
// new one is being written.
//
// Only a regular file owned by the user is used: the history is never read
// or written through a symbolic link, and never blocks on a fifo. Anything
// else means no history for the session, said once. Loading reads the file
// from its end only as far as the kept entries need, whatever its size.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zirn::app {

// Where the history is kept, from the environment as `lookup` reads it
// (null: not set):
//   ZIRN_HISTORY set: that file, or none at all when it is the empty text;
//   else $XDG_STATE_HOME/zirn/history (an absolute XDG_STATE_HOME only);
//   else $HOME/.local/state/zirn/history; else none.
std::optional<std::string> history_path(const char* (*lookup)(const char* name));

// One entry as a line of the file, and back.
std::string encode_history_entry(std::string_view entry);
std::string decode_history_entry(std::string_view line);

class HistoryFile {
public:
    HistoryFile(std::string path, std::size_t limit);

    // The entries of the file, oldest first, at most `limit` of them; a
    // file that holds more is cut down to the newest. A missing file has
    // none. A file that may not be used (see above) has none either and
    // makes problem() say why; the history is then not kept.
    std::vector<std::string> load();
    // Adds `entry` at the end, creating the file (and its folders) when
    // needed. Failures are ignored: the history is a convenience.
    void append(std::string_view entry);
    // Why the history is not kept, or empty while it is.
    const std::string& problem() const { return m_problem; }

private:
    void cut_to_limit();

    std::string m_path;
    std::size_t m_limit;
    std::size_t m_entries = 0;  // in the file, as far as this session knows
    std::string m_problem;
};

}  // namespace zirn::app
