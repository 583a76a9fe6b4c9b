#include "value/value.h"

namespace zirn::value {

std::string_view type_name(Type type)
{
    switch (type) {
#define ZIRN_TYPE_CASE(type, name) \
    case Type::type:               \
        return name;
        ZIRN_TYPES(ZIRN_TYPE_CASE)
#undef ZIRN_TYPE_CASE
    }
    return "unspecified";
}

std::optional<Type> type_from_name(std::string_view name)
{
#define ZIRN_TYPE_MATCH(type, type_text) \
    if (name == type_text) return Type::type;
    ZIRN_TYPES(ZIRN_TYPE_MATCH)
#undef ZIRN_TYPE_MATCH
    return std::nullopt;
}

Value Value::integer(std::int64_t number)
{
    Value v;
    v.m_type = Type::Integer;
    v.m_number.integer = number;
    return v;
}

Value Value::floating(long double number)
{
    Value v;
    v.set_float(number);
    return v;
}

Value Value::string(std::string text)
{
    Value v;
    v.m_type = Type::String;
    v.m_text = std::move(text);
    return v;
}

Value Value::func(std::string text)
{
    Value v;
    v.m_type = Type::Func;
    v.m_text = std::move(text);
    return v;
}

Value Value::list(ElementList elements)
{
    Value v;
    v.m_type = Type::List;
    v.m_elements = std::move(elements);
    return v;
}

ValueRef make_ref(Value value) { return std::make_shared<Value>(std::move(value)); }

bool is_number(const Value& value) { return value.is(Type::Integer) || value.is(Type::Float); }

}  // namespace zirn::value
