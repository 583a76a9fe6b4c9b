// File-system builtins: readfile, writefile, mkdir, rm, listdir, exists, cd
// and isdir. Paths are used byte for byte, relative to the current directory;
// writefile replaces a file atomically (host/file_io.h).
#include <filesystem>
#include <system_error>

#include "builtins/registry.h"
#include "host/file_io.h"
#include "base/error.h"
#include "base/limits.h"
#include "value/convert.h"

namespace zirn::builtins {

namespace fs = std::filesystem;
using value::Value;

namespace {

[[noreturn]] void raise_file_error(std::string_view builtin, std::string_view what, const std::string& path,
                                   const std::error_code& code)
{
    throw Error(ErrorKind::FileSystem,
                std::string(builtin) + ": cannot " + std::string(what) + " " + quote_text(path) + ": " + code.message());
}

// The path argument; raises when this session may not touch files, and for
// a path the system would read differently (one holding a NUL byte).
std::string fetch_path(exec::Interpreter& interp, const exec::BuiltinCall& call, std::size_t index,
                       std::string_view builtin)
{
    std::string path = fetch_text(interp, call, index, builtin);
    host::check_path(path, builtin);
    if (interp.file_access() == exec::FileAccess::Disabled) {
        throw Error(ErrorKind::FileSystem, std::string(builtin) + ": file access is disabled in this session");
    }
    return path;
}

// True when the calls act on the session's in-memory sandbox.
bool sandboxed(const exec::Interpreter& interp) { return interp.file_access() == exec::FileAccess::Sandboxed; }

Value truth(bool condition) { return Value::integer(condition ? 1 : 0); }

// The status of a path, following links: absent paths give a status of type
// not_found; any other failure raises.
fs::file_status status_of(const std::string& path, std::string_view builtin)
{
    std::error_code code;
    const fs::file_status status = fs::status(path, code);
    if (code && status.type() != fs::file_type::not_found) raise_file_error(builtin, "examine", path, code);
    return status;
}

}  // namespace

Value builtin_readfile(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    const std::string path = fetch_path(interp, call, 0, "readfile");
    if (sandboxed(interp)) return Value::string(interp.sandbox().read(path).value_or(""));
    // A file that cannot be opened reads as "".
    return Value::string(host::read_whole_file(path, limits::text_limit(), "readfile").value_or(""));
}

Value builtin_writefile(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    // The content is evaluated before the file is opened, so a content that
    // reads the same file sees it whole, and an error leaves it untouched.
    const std::string path = fetch_path(interp, call, 0, "writefile");
    const Value argument = fetch_argument(interp, call, 1, "writefile");
    std::string storage;
    const std::string_view content = text_of(argument, storage);
    if (sandboxed(interp)) {
        interp.sandbox().write(path, std::string(content));
        return Value();
    }
    host::write_whole_file(path, content, "writefile");
    return Value();
}

Value builtin_mkdir(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    const std::string path = fetch_path(interp, call, 0, "mkdir");
    if (sandboxed(interp)) {
        interp.sandbox().make_directory(path);
        return Value();
    }
    std::error_code code;
    // An existing directory is fine; parents are not created.
    if (!fs::create_directory(path, code) && code) raise_file_error("mkdir", "create directory", path, code);
    if (!code && !fs::is_directory(path, code)) {
        raise_file_error("mkdir", "create directory", path, std::make_error_code(std::errc::file_exists));
    }
    return Value();
}

namespace {

// `path` without the slashes at its end; a path of slashes only stays "/".
std::string_view without_trailing_slashes(std::string_view path)
{
    const std::size_t last = path.find_last_not_of('/');
    if (last == std::string_view::npos) return path.empty() ? path : path.substr(0, 1);
    return path.substr(0, last + 1);
}

// Removing the current folder, its parent or the root would take with it far
// more than the path names (the folder the session works in, its
// neighbours, everything): such a path is refused before anything goes.
void refuse_sweeping_removal(const std::string& path)
{
    const std::string_view named = without_trailing_slashes(path);
    const std::size_t slash = named.rfind('/');
    const std::string_view last = slash == std::string_view::npos ? named : named.substr(slash + 1);
    std::string_view reason;
    if (named == "/") reason = "it is the root folder";
    else if (last == "." || last == "..") reason = "a path ending in '.' or '..' is never removed";
    else return;
    throw Error(ErrorKind::FileSystem, "rm: cannot remove " + quote_text(path) + ": " + std::string(reason));
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

}  // namespace

Value builtin_rm(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    const std::string path = fetch_path(interp, call, 0, "rm");
    refuse_sweeping_removal(path);
    if (sandboxed(interp)) {
        interp.sandbox().remove(path);
        return Value();
    }
    std::error_code code;
    fs::remove_all(link_itself(path), code);
    if (code) raise_file_error("rm", "remove", path, code);
    return Value();
}

Value builtin_listdir(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    const std::string path = fetch_path(interp, call, 0, "listdir");
    if (sandboxed(interp)) {
        value::ElementList names;
        for (std::string& name : interp.sandbox().list(path)) names.push_back(value::make_ref(Value::string(std::move(name))));
        return Value::list(std::move(names));
    }
    std::error_code code;
    fs::directory_iterator it(path, code);
    if (code) raise_file_error("listdir", "list", path, code);
    value::ElementList names;
    for (const fs::directory_iterator end; it != end; it.increment(code)) {
        names.push_back(value::make_ref(Value::string(it->path().filename().string())));
    }
    if (code) raise_file_error("listdir", "list", path, code);
    return Value::list(std::move(names));
}

Value builtin_exists(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    const std::string path = fetch_path(interp, call, 0, "exists");
    if (sandboxed(interp)) return truth(interp.sandbox().exists(path));
    return truth(fs::exists(status_of(path, "exists")));
}

Value builtin_isdir(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    const std::string path = fetch_path(interp, call, 0, "isdir");
    if (sandboxed(interp)) return truth(interp.sandbox().is_directory(path));
    return truth(fs::is_directory(status_of(path, "isdir")));
}

Value builtin_cd(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    const std::string path = fetch_path(interp, call, 0, "cd");
    interp.note_directory_change();
    if (sandboxed(interp)) {
        interp.sandbox().change_directory(path);
        return Value();
    }
    std::error_code code;
    fs::current_path(path, code);
    if (code) raise_file_error("cd", "change to", path, code);
    return Value();
}

}  // namespace zirn::builtins
