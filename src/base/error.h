// Errors raised anywhere in the interpreter.
//
// Every failure a ZIRN program can run into is one `Error` carrying a kind
// from the list below and a message. The REPL reports them in one place; the
// kinds exist so that callers (and tests) can tell failures apart without
// comparing message texts.
#pragma once

#include <cstdint>
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
    X(StepBudget, "step budget exhausted: ")                  \
    X(Warning, "")                                            \
    X(Host, "")

enum class ErrorKind {
#define ZIRN_ERROR_ENUM(kind, prefix) kind,
    ZIRN_ERROR_KINDS(ZIRN_ERROR_ENUM)
#undef ZIRN_ERROR_ENUM
};

// The fixed text that starts every message of `kind`.
std::string_view error_prefix(ErrorKind kind);

// Where in a program's files an error happened, noted while it unwinds
// (the executor fills it in, see exec/executor.cpp).
struct ErrorPlace {
    std::string file;  // empty: no file line known
    std::uint32_t line = 0;
    // The user function whose body holds that line, once the error has left
    // its call, and the file and line of the call that led there.
    std::string function;
    std::string call_file;
    std::uint32_t call_line = 0;
};

// What a name that nothing is bound to was used as.
enum class MissingKind : std::uint8_t { None, Function, Name };

class Error : public std::runtime_error {
public:
    // The message is the kind's prefix followed by `detail`.
    Error(ErrorKind kind, std::string_view detail);

    ErrorKind kind() const { return m_kind; }

    // The error is about `name`, which is bound to nothing: a nearby name
    // may be suggested.
    Error& about_missing(MissingKind kind, std::string_view name);
    MissingKind missing_kind() const { return m_missing_kind; }
    const std::string& missing_name() const { return m_missing_name; }
    // The suggestion is looked for once, where the error was raised and the
    // names around it are still bound; `name` empty: none was close.
    bool suggestion_sought() const { return m_suggestion_sought; }
    void set_suggestion(std::string name);
    const std::string& suggestion() const { return m_suggestion; }
    // What to write instead, found where the error was raised; shown after
    // the message (and instead of a suggestion).
    Error& set_advice(std::string advice)
    {
        m_advice = std::move(advice);
        return *this;
    }
    const std::string& advice() const { return m_advice; }

    ErrorPlace& place() { return m_place; }
    const ErrorPlace& place() const { return m_place; }

private:
    ErrorKind m_kind;
    MissingKind m_missing_kind = MissingKind::None;
    bool m_suggestion_sought = false;
    std::string m_missing_name;
    std::string m_suggestion;
    std::string m_advice;
    ErrorPlace m_place;
};

// The one line that reports `error` (without the "error: " in front): the
// file and line when known, the function and the line of its call, then the
// message and a suggestion. For example
//   prog.ZIRN:3: in $greet$ (called at line 7): undefined function 'prnt'; did you mean 'print'?
std::string describe(const Error& error);

// Shows a piece of program text inside a message: quoted, and cut short
// when it is long, so that one bad line cannot flood the terminal.
std::string quote_text(std::string_view text);
// `text` as quote_text shows it, without the quotes: its first 60 bytes on
// one line (control bytes as spaces), "..." when there is more.
std::string one_line_text(std::string_view text);

}  // namespace zirn
