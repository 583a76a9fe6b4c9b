// Fuzz target: the decodelist builtin, called through the interpreter the
// way a program calls it, with file access disabled.
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <sstream>
#include <string>

#include "builtins/registry.h"
#include "host/console.h"
#include "exec/executor.h"
#include "exec/interpreter.h"
#include "fuzz_check.h"
#include "base/error.h"
#include "lex/splitter.h"
#include "base/stack_guard.h"
#include "value/convert.h"

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    zirn::guard_current_thread_stack();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using zirn::value::Value;
    std::istringstream in;
    DroppedOutput out;
    zirn::host::StreamConsole console(in, out, out);
    zirn::exec::Interpreter interp(zirn::builtins::builtin_table(), console);
    interp.set_file_access(zirn::exec::FileAccess::Disabled);
    interp.set_step_budget(10000);

    // `decoded = $decodelist$(text)` with the input bound to the name text.
    zirn::value::VarTable table;
    table.bind("text", zirn::value::make_ref(Value::string(std::string(reinterpret_cast<const char*>(data), size))));
    try {
        zirn::exec::run_statements(interp, zirn::lex::split_statements("decoded = $decodelist$(text)"), nullptr, &table);
        const Value& list = **table.find("decoded");
        ZIRN_FUZZ_CHECK(list.is(zirn::value::Type::List));
        // The property, for every input: whatever decodes is encoded again
        // (or refused with a clear error), and that text reads back as a
        // list with the same text. The input itself need not come back:
        // the outer pair of characters is dropped unread, as list text is
        // defined, so "[1 2]" and "(1 2) " are lists too; what must hold is
        // that a list's own text is a fixed point. An element followed by
        // text after its closing bracket ("{})" from "(... {}) ") would
        // break it, since the text would stay in the element and be written
        // back as part of it: the decoder refuses such elements.
        const std::string encoded = zirn::value::render_list(list.elements());
        ZIRN_FUZZ_CHECK(encoded.size() >= 2 && encoded.front() == '(' && encoded.back() == ')');
        table.bind("text", zirn::value::make_ref(Value::string(encoded)));
        zirn::exec::run_statements(interp, zirn::lex::split_statements("again = $decodelist$(text)"), nullptr, &table);
        ZIRN_FUZZ_CHECK(zirn::value::render_list((**table.find("again")).elements()) == encoded);
    } catch (const zirn::Error&) {
        // A clear error is a fine answer to malformed data.
    }
    return 0;
}
