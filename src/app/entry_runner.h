// What the zirn command's REPL does around each entry typed at its prompt:
// an error is reported and the session goes on with everything bound
// before it, back in the folder the entry started in.
#pragma once

#include "exec/interpreter.h"

namespace zirn::app {

class ReportingEntryRunner : public exec::EntryRunner {
public:
    void run(exec::Interpreter& interp, exec::TypedEntry& entry) const override;
};

}  // namespace zirn::app
