#include "builtins/registry.h"

#include <string>

#include "exec/code.h"
#include "exec/evaluate.h"
#include "base/error.h"
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

value::Value fetch_argument(exec::Interpreter& interp, const exec::BuiltinCall& call, std::size_t index,
                            std::string_view builtin)
{
    // A token that cannot see the raw texts is evaluated directly.
    if (call.direct && index < call.site.raw_arguments.size()) {
        return exec::evaluate_token(interp, call.site.argument_tokens().tokens[index], exec::Blocks::Run);
    }
    const value::ValueRef* entry = interp.bindings().find(value::argument_name(index));
    if (entry == nullptr) {
        throw Error(ErrorKind::MissingArgument, "$" + std::string(builtin) + " needs an argument " + argument_name(index));
    }
    // The entry holds the argument's raw text; it is evaluated anew each
    // time, from a copy, since the evaluation may rebind the name.
    const value::Value text = **entry;
    return exec::evaluate_text(interp, text, exec::Blocks::Run);
}

const value::Value* plain_argument(exec::Interpreter& interp, const exec::BuiltinCall& call, std::size_t index)
{
    if (!call.direct || index >= call.site.raw_arguments.size()) return nullptr;
    // A lone `not` is no operand: its evaluation raises an error.
    const exec::Token& token = call.site.argument_tokens().tokens[index];
    return token.is_not() ? nullptr : exec::plain_operand(interp, token);
}

const value::Value& read_argument(exec::Interpreter& interp, const exec::BuiltinCall& call, std::size_t index,
                                  std::string_view builtin, value::Value& storage)
{
    if (const value::Value* plain = plain_argument(interp, call, index)) return *plain;
    storage = fetch_argument(interp, call, index, builtin);
    return storage;
}

bool has_argument(exec::Interpreter& interp, const exec::BuiltinCall& call, std::size_t index)
{
    if (call.direct && index < call.site.raw_arguments.size()) return true;
    return interp.bindings().find(value::argument_name(index)) != nullptr;
}

std::string fetch_text(exec::Interpreter& interp, const exec::BuiltinCall& call, std::size_t index,
                       std::string_view builtin)
{
    return value::to_text(fetch_argument(interp, call, index, builtin));
}

}  // namespace zirn::builtins

namespace zirn::builtins {

std::string_view text_of(const value::Value& v, std::string& storage)
{
    if (v.is(value::Type::String) || v.is(value::Type::Func)) return v.text();
    storage = value::to_text(v);
    return storage;
}

}  // namespace zirn::builtins
