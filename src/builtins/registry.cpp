#include "builtins/registry.h"

#include <string>

#include "exec/evaluate.h"
#include "lex/error.h"
#include "value/convert.h"

namespace zirn::builtins {

namespace {
std::string argument_name(std::size_t index) { return "arg" + std::to_string(index); }
}  // namespace

void register_builtins(exec::BuiltinTable& table)
{
#define ZIRN_BUILTIN_REGISTER(name, handler) table.emplace(name, &handler);
    ZIRN_BUILTINS(ZIRN_BUILTIN_REGISTER)
#undef ZIRN_BUILTIN_REGISTER
}

const exec::BuiltinTable& builtin_table()
{
    static const exec::BuiltinTable table = [] {
        exec::BuiltinTable filled;
        register_builtins(filled);
        return filled;
    }();
    return table;
}

value::Value fetch_argument(exec::Interpreter& interp, const value::VarTable& table, std::size_t index,
                            std::string_view builtin)
{
    const value::ValueRef* entry = table.find(value::argument_name(index));
    if (entry == nullptr) {
        throw Error(ErrorKind::MissingArgument, "$" + std::string(builtin) + " needs an argument " + argument_name(index));
    }
    // The entry holds the argument's raw text; it is evaluated anew each time.
    return exec::evaluate_text(interp, **entry, table, exec::Blocks::Run);
}

bool has_argument(const value::VarTable& table, std::size_t index)
{
    return table.contains(value::argument_name(index));
}

std::string fetch_text(exec::Interpreter& interp, const value::VarTable& table, std::size_t index,
                       std::string_view builtin)
{
    return value::to_text(fetch_argument(interp, table, index, builtin));
}

}  // namespace zirn::builtins
