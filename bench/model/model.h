// What the measuring models of bench/model share: an interpreter to run
// against, and the tree of nodes of
//
//     fibl = { compare (arg0 < 2) { end arg0 } end ($fibl$((arg0 - 1)) + $fibl$((arg0 - 2))) }
//
// that the call models walk.
#pragma once

#include <cstdint>
#include <sstream>

#include "builtins/registry.h"
#include "exec/interpreter.h"
#include "exec/warnings.h"
#include "host/console.h"

namespace model {

// An interpreter on a silent console, warning as a program file does.
struct ModelInterpreter {
    ModelInterpreter() { interp.set_warning_mode(zirn::exec::WarningMode::Report); }
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    zirn::host::StreamConsole console{in, out, err};
    zirn::exec::Interpreter interp{zirn::builtins::builtin_table(), console};
};

[[noreturn, gnu::noinline]] inline void outside_the_model() { std::abort(); }

struct Node;
struct Body {
    const Node* statements[2];
    int count;
};
enum class Kind : std::uint8_t { Name, Integer, Parenthesised, Call, Compare, End };
struct Node {
    Kind kind;
    zirn::exec::OperatorKind op = zirn::exec::OperatorKind::None;
    std::uint32_t name = 0;                  // a name, or the function a call calls
    std::int64_t number = 0;                 // a literal
    const Node* left = nullptr;              // an operand, a condition or an end's value
    const Node* right = nullptr;
    const Node* argument = nullptr;          // a call's one argument
    const Body* block = nullptr;             // a compare's block
};

// The nodes of fibl's body, and the call `$fibl$(arg0)` that starts it.
class FibTree {
public:
    FibTree(std::uint32_t function, std::uint32_t argument)
        : m_name{Kind::Name, Op::None, argument},
          m_first{Kind::Call, Op::None, function, 0, nullptr, nullptr, &m_minus_one},
          m_second{Kind::Call, Op::None, function, 0, nullptr, nullptr, &m_minus_two},
          m_top{Kind::Call, Op::None, function, 0, nullptr, nullptr, &m_name}
    {
    }
    FibTree(const FibTree&) = delete;
    FibTree& operator=(const FibTree&) = delete;
    const Body& body() const { return m_body; }
    const Node& top_call() const { return m_top; }

private:
    using Op = zirn::exec::OperatorKind;
    const Node m_name;
    const Node m_one{Kind::Integer, Op::None, 0, 1};
    const Node m_two{Kind::Integer, Op::None, 0, 2};
    const Node m_below_two{Kind::Parenthesised, Op::Less, 0, 0, &m_name, &m_two};
    const Node m_end_argument{Kind::End, Op::None, 0, 0, &m_name};
    const Body m_block{{&m_end_argument}, 1};
    const Node m_compare{Kind::Compare, Op::None, 0, 0, &m_below_two, nullptr, nullptr, &m_block};
    const Node m_minus_one{Kind::Parenthesised, Op::Subtract, 0, 0, &m_name, &m_one};
    const Node m_minus_two{Kind::Parenthesised, Op::Subtract, 0, 0, &m_name, &m_two};
    const Node m_first;
    const Node m_second;
    const Node m_sum{Kind::Parenthesised, Op::Add, 0, 0, &m_first, &m_second};
    const Node m_end_sum{Kind::End, Op::None, 0, 0, &m_sum};
    const Body m_body{{&m_compare, &m_end_sum}, 2};
    const Node m_top;
};

}  // namespace model
