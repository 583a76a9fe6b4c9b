// The public Value: a plain copy of a ZIRN value, with checked access.
#include "zirn/zirn.h"

namespace zirn {
inline namespace v3 {

namespace {

[[noreturn]] void wrong_type(const Value& v, std::string_view wanted)
{
    throw Error("the value is " + std::string(v.type_name()) + ", not " + std::string(wanted));
}

}  // namespace

std::string_view Value::type_name() const
{
    switch (m_type) {
    case Type::Integer: return "integer";
    case Type::Float: return "float";
    case Type::String: return "string";
    case Type::Func: return "func";
    case Type::List: return "list";
    case Type::Unspecified: break;
    }
    return "unspecified";
}

std::int64_t Value::as_integer() const
{
    if (m_type != Type::Integer) wrong_type(*this, "integer");
    return m_integer;
}

double Value::as_float() const
{
    if (m_type != Type::Float) wrong_type(*this, "float");
    return m_float;
}

const std::string& Value::as_string() const
{
    if (m_type != Type::String && m_type != Type::Func) wrong_type(*this, "string");
    return m_text;
}

const std::vector<Value>& Value::as_list() const
{
    if (m_type != Type::List) wrong_type(*this, "list");
    return m_list;
}

}  // namespace v3
}  // namespace zirn
