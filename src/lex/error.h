// Errors raised anywhere in the interpreter.
//
// Every failure a ZIRN program can run into is one `Error` carrying a kind
// from the list below and a message. The REPL reports them in one place; the
// kinds exist so that callers (and tests) can tell failures apart without
// comparing message texts.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace zirn {

// X(kind, prefix): the prefix starts every message of that kind, so the
// wording users see stays in one place.
#define ZIRN_ERROR_KINDS(X)                                   \
    X(Unbalanced, "unbalanced text: ")                        \
    X(IntegerText, "stoi: ")                                  \
    X(FloatText, "stof: ")                                    \
    X(Base64, "")                                             \
    X(FileSystem, "")                                         \
    X(UndefinedFunction, "undefined function ")               \
    X(UndefinedName, "undefined name ")                       \
    X(IndexOutOfRange, "index out of range: ")                \
    X(MissingOperand, "missing operand: ")                    \
    X(MissingArgument, "missing argument: ")                  \
    X(MissingMember, "missing member: ")                      \
    X(NotCallable, "cannot call: ")                           \
    X(TooLarge, "too large: ")                                \
    X(Recursion, "recursion too deep: ")                      \
    X(DecodeList, "decodelist: ")                             \
    X(EncodeList, "encodelist: ")                             \
    X(Interrupted, "interrupted")                             \
    X(StepBudget, "step budget exhausted: ")

enum class ErrorKind {
#define ZIRN_ERROR_ENUM(kind, prefix) kind,
    ZIRN_ERROR_KINDS(ZIRN_ERROR_ENUM)
#undef ZIRN_ERROR_ENUM
};

// The fixed text that starts every message of `kind`.
std::string_view error_prefix(ErrorKind kind);

class Error : public std::runtime_error {
public:
    // The message is the kind's prefix followed by `detail`.
    Error(ErrorKind kind, std::string_view detail);

    ErrorKind kind() const { return m_kind; }

private:
    ErrorKind m_kind;
};

// Shows a piece of program text inside a message: quoted, and cut short
// when it is long, so that one bad line cannot flood the terminal.
std::string quote_text(std::string_view text);

}  // namespace zirn
