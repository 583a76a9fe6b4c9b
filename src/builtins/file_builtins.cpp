// File-system builtins: readfile, writefile, mkdir, rm, listdir, exists, cd
// and isdir. Paths are used byte for byte, relative to the current directory
// of the session's file system (host/file_system.h); on the real one,
// writefile replaces a file atomically (host/file_io.h).
#include "base/error.h"
#include "builtins/registry.h"
#include "host/file_io.h"
#include "host/file_system.h"
#include "value/convert.h"

namespace zirn::builtins {

using value::Value;

namespace {

// The path argument; raises when this session may not touch files, and for
// a path the system would read differently (one holding a NUL byte).
std::string fetch_path(exec::Interpreter& interp, const exec::BuiltinCall& call, std::size_t index,
                       std::string_view builtin)
{
    std::string path = fetch_text(interp, call, index, builtin);
    host::check_path(path, builtin);
    interp.files().admit(builtin);
    return path;
}

Value truth(bool condition) { return Value::integer(condition ? 1 : 0); }

}  // namespace

Value builtin_readfile(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    const std::string path = fetch_path(interp, call, 0, "readfile");
    // A file that cannot be opened reads as "".
    return Value::string(interp.files().read(path, "readfile").value_or(""));
}

Value builtin_writefile(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    // The content is evaluated before the file is opened, so a content that
    // reads the same file sees it whole, and an error leaves it untouched.
    const std::string path = fetch_path(interp, call, 0, "writefile");
    const Value argument = fetch_argument(interp, call, 1, "writefile");
    std::string storage;
    interp.files().write(path, text_of(argument, storage), "writefile");
    return Value();
}

Value builtin_mkdir(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    const std::string path = fetch_path(interp, call, 0, "mkdir");
    interp.files().make_directory(path, "mkdir");
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

}  // namespace

Value builtin_rm(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    const std::string path = fetch_path(interp, call, 0, "rm");
    refuse_sweeping_removal(path);
    interp.files().remove(path, "rm");
    return Value();
}

Value builtin_listdir(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    const std::string path = fetch_path(interp, call, 0, "listdir");
    value::ElementList names;
    for (std::string& name : interp.files().list(path, "listdir")) {
        names.push_back(value::make_ref(Value::string(std::move(name))));
    }
    return Value::list(std::move(names));
}

Value builtin_exists(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    const std::string path = fetch_path(interp, call, 0, "exists");
    return truth(interp.files().exists(path, "exists"));
}

Value builtin_isdir(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    const std::string path = fetch_path(interp, call, 0, "isdir");
    return truth(interp.files().is_directory(path, "isdir"));
}

Value builtin_cd(exec::Interpreter& interp, const exec::BuiltinCall& call)
{
    const std::string path = fetch_path(interp, call, 0, "cd");
    interp.note_directory_change();
    interp.files().change_directory(path, "cd");
    return Value();
}

}  // namespace zirn::builtins
