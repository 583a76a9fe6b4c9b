// Reading and writing whole files without surprises.
//
// Reads stop at a size limit instead of exhausting memory on an endless file
// (a device, a pipe). A write replaces a regular file atomically: the new
// content goes to a temporary file in the same folder, is flushed to disk,
// and is then renamed over the target, so the target holds its old content
// or the complete new one whatever happens, and no temporary file is left
// behind (a signal that ends the process removes it first). Targets that are
// not regular files (devices, fifos) are written directly.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zirn::host {

// Raises Error(FileSystem) naming `user` and the path when the path holds a
// NUL byte: the system would cut it there and act on another file.
void check_path(std::string_view path, std::string_view user);

// How a file's content is named when it is too large: "USER: the content
// of 'PATH'".
std::string file_content_label(std::string_view user, const std::string& path);

// The whole content of the file at `path`; nothing when it cannot be opened
// or is a folder. Raises Error(TooLarge) when it holds more than `limit`
// bytes (checked before reading when the size is known), and
// Error(FileSystem) when reading fails midway.
std::optional<std::string> read_whole_file(const std::string& path, std::size_t limit, std::string_view user);

// Makes the file at `path` hold exactly `content`, as described above. An
// existing file keeps its mode (and owner, where allowed); a new one gets the
// usual mode for new files. Symbolic links are followed. Raises
// Error(FileSystem) naming `user` and the path on any failure.
void write_whole_file(const std::string& path, std::string_view content, std::string_view user);

}  // namespace zirn::host
