#include "lsp/serve.h"

#include <istream>
#include <ostream>

#include "lsp/message_stream.h"
#include "lsp/server.h"

namespace zirn::lsp {

int serve(std::istream& in, std::ostream& out, std::vector<BuiltInLibrary> built_in)
{
    Server server(Workspace(read_regular_file, std::move(built_in)));
    MessageReader reader(in);
    for (;;) {
        const Incoming incoming = reader.next();
        // The input ending counts as `exit`.
        if (incoming.kind == Incoming::Kind::End) return server.exit_status();
        if (incoming.kind == Incoming::Kind::Malformed) {
            if (!write_message(out, server.framing_error(incoming.problem))) return 1;
            continue;
        }
        for (const std::string& answer : server.handle(incoming.body)) {
            if (!write_message(out, answer)) return 1;
        }
        if (server.exit_requested()) return server.exit_status();
    }
}

}  // namespace zirn::lsp
