// The dynamic value record of ZIRN.
//
// A Value carries a type and the payloads side by side: a number, a text and a
// list of element references. The type says which payload is meaningful, but
// the others survive conversions: a list converted to a string keeps its
// elements. List elements (and variables, see var_table.h) are shared
// references to separately allocated Values, so an update made through one
// reference is seen through every other one.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zirn::value {

#define ZIRN_TYPES(X)             \
    X(Unspecified, "unspecified") \
    X(Integer, "integer")         \
    X(Float, "float")             \
    X(String, "string")           \
    X(Func, "func")               \
    X(List, "list")

enum class Type : std::uint8_t {
#define ZIRN_TYPE_ENUM(type, name) type,
    ZIRN_TYPES(ZIRN_TYPE_ENUM)
#undef ZIRN_TYPE_ENUM
};

// The name a program sees for `type` ("integer", "list", ...).
std::string_view type_name(Type type);
// The type with that exact name, if there is one.
std::optional<Type> type_from_name(std::string_view name);

class Value;
using ValueRef = std::shared_ptr<Value>;
using ElementList = std::vector<ValueRef>;

class Value {
public:
    Value() = default;

    static Value integer(std::int64_t number);
    static Value floating(long double number);
    static Value string(std::string text);
    static Value func(std::string text);
    static Value list(ElementList elements = {});

    Type type() const { return m_type; }
    bool is(Type type) const { return m_type == type; }
    // Changing the type keeps every payload but the number: a float keeps its
    // number in the same place as the others keep their integer, so moving
    // into or out of "float" starts that number from zero.
    void set_type(Type type)
    {
        if ((type == Type::Float) != (m_type == Type::Float)) {
            if (type == Type::Float) m_number.floating = 0.0L;
            else m_number.integer = 0;
        }
        m_type = type;
    }

    // The integer payload. A float Value keeps no separate integer payload;
    // nothing a program does can read one, so it reads as 0.
    std::int64_t int_value() const { return m_type == Type::Float ? 0 : m_number.integer; }
    // Only meaningful for a Value that is not a float (see set_type).
    void set_int(std::int64_t number)
    {
        if (m_type != Type::Float) m_number.integer = number;
    }

    // The float payload; only a float Value carries one, every other reads 0.
    long double float_value() const { return m_type == Type::Float ? m_number.floating : 0.0L; }
    // Stores a float payload and makes the Value a float.
    void set_float(long double number)
    {
        m_number.floating = number;
        m_type = Type::Float;
    }

    const std::string& text() const { return m_text; }
    void set_text(std::string text) { m_text = std::move(text); }

    const ElementList& elements() const { return m_elements; }
    ElementList& elements_for_update() { return m_elements; }
    void set_elements(ElementList elements) { m_elements = std::move(elements); }

private:
    union Number {
        std::int64_t integer;
        long double floating;
    };
    Type m_type = Type::Unspecified;
    Number m_number{0};
    std::string m_text;
    ElementList m_elements;
};

// A new separately allocated Value holding a copy of `value`.
ValueRef make_ref(Value value);

// True for "integer" and "float" Values.
bool is_number(const Value& value);

}  // namespace zirn::value
