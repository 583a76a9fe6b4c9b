// `zirn --lsp`: the language server on two streams, until `exit` or the end
// of the input.
#pragma once

#include <iosfwd>
#include <vector>

#include "lsp/workspace.h"

namespace zirn::lsp {

// Reads framed messages from `in`, answers them on `out`, and gives the
// process status at `exit` or the end of the input: 0 after `shutdown`,
// else 1 (also when the output cannot be written).
int serve(std::istream& in, std::ostream& out, std::vector<BuiltInLibrary> built_in);

}  // namespace zirn::lsp
