// The builtin registry and the argument convention every builtin follows.
//
// A builtin never receives values: it receives the raw text of each argument
// token, bound as the string arg0, arg1, ... over the caller's names, and
// evaluates an argument itself with `fetch_argument`, when and as often as
// it needs it.
#pragma once

#include <cstddef>
#include <string_view>

#include "exec/interpreter.h"
#include "value/value.h"

namespace zirn::builtins {

// X(name, handler): the 23 builtins in registration order.
#define ZIRN_BUILTINS(X)                        \
    X("print", builtin_print)                   \
    X("input", builtin_input)                   \
    X("size", builtin_size)                     \
    X("turn", builtin_turn)                     \
    X("str", builtin_str)                       \
    X("int", builtin_int)                       \
    X("float", builtin_float)                   \
    X("func", builtin_func)                     \
    X("list", builtin_list)                     \
    X("werhatdasgemacht", builtin_werhatdasgemacht) \
    X("encodelist", builtin_encodelist)         \
    X("decodelist", builtin_decodelist)         \
    X("typeof", builtin_typeof)                 \
    X("readfile", builtin_readfile)             \
    X("writefile", builtin_writefile)           \
    X("mkdir", builtin_mkdir)                   \
    X("rm", builtin_rm)                         \
    X("listdir", builtin_listdir)               \
    X("exists", builtin_exists)                 \
    X("cd", builtin_cd)                         \
    X("isdir", builtin_isdir)                   \
    X("base64encode", builtin_base64encode)     \
    X("base64decode", builtin_base64decode)

#define ZIRN_BUILTIN_DECLARE(name, handler) \
    value::Value handler(exec::Interpreter& interp, const exec::BuiltinCall& call);
ZIRN_BUILTINS(ZIRN_BUILTIN_DECLARE)
#undef ZIRN_BUILTIN_DECLARE

// Fills `table` with the 23 builtins.
void register_builtins(exec::BuiltinTable& table);

// The process-wide builtin table, filled on first use.
const exec::BuiltinTable& builtin_table();

// Evaluates argument `index` of a builtin call: the text bound to
// arg<index>, evaluated with blocks run. `builtin` names the caller for the
// error raised when no such name is bound.
value::Value fetch_argument(exec::Interpreter& interp, const exec::BuiltinCall& call, std::size_t index,
                            std::string_view builtin);

// For an argument that is a name or a literal, evaluated straight from its
// token: the bound Value itself (valid until a name is bound or the Value
// changes); null for any other argument.
const value::Value* plain_argument(exec::Interpreter& interp, const exec::BuiltinCall& call, std::size_t index);

// The same for a builtin that only reads the argument: an argument that is a
// name or a literal, evaluated straight from its token, is the bound Value
// itself, not a copy; any other argument is fetched into `storage`. The
// reference is valid until the builtin binds a name or changes a Value.
const value::Value& read_argument(exec::Interpreter& interp, const exec::BuiltinCall& call, std::size_t index,
                                  std::string_view builtin, value::Value& storage);

// True when arg<index> is bound while the builtin runs.
bool has_argument(exec::Interpreter& interp, const exec::BuiltinCall& call, std::size_t index);

// The text form of argument `index` (fetched as above).
std::string fetch_text(exec::Interpreter& interp, const exec::BuiltinCall& call, std::size_t index,
                       std::string_view builtin);

// The text form of a fetched argument without copying a text it already
// holds: a view of `v`'s own text, or of `storage` holding its text form.
std::string_view text_of(const value::Value& v, std::string& storage);

}  // namespace zirn::builtins
