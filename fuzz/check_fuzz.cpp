// Fuzz target: the program checker on arbitrary text. It must never fail,
// whatever the text; its token places must agree with the interpreter's
// splitter; every finding must lie inside the text and fit on one line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "check/checker.h"
#include "check/placed_text.h"
#include "fuzz_check.h"
#include "base/error.h"
#include "lex/splitter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // Placed tokens are the splitter's tokens, at places that hold them.
    if (zirn::lex::is_balanced(text)) {
        try {
            const zirn::lex::StatementList expected = zirn::lex::split_statements(text);
            const auto placed = zirn::check::split_placed(text, 0, text.size());
            ZIRN_FUZZ_CHECK(placed.size() == expected.size());
            for (std::size_t s = 0; s < expected.size(); ++s) {
                ZIRN_FUZZ_CHECK(placed[s].tokens.size() == expected[s].size());
                for (std::size_t t = 0; t < expected[s].size(); ++t) {
                    ZIRN_FUZZ_CHECK(placed[s].tokens[t].text == expected[s][t]);
                    ZIRN_FUZZ_CHECK(text.substr(placed[s].tokens[t].offset, expected[s][t].size()) == expected[s][t]);
                }
            }
        } catch (const zirn::Error& error) {
            // Nesting deeper than the splitter allows.
            ZIRN_FUZZ_CHECK(error.kind() == zirn::ErrorKind::Recursion);
        }
    }

    std::size_t lines = 1;
    for (const char ch : text) lines += ch == '\n' ? 1 : 0;
    for (const zirn::check::Finding& finding : zirn::check::check_program(text)) {
        ZIRN_FUZZ_CHECK(finding.line >= 1 && finding.line <= lines);
        ZIRN_FUZZ_CHECK(finding.column >= 1 && finding.end_column > finding.column);
        ZIRN_FUZZ_CHECK(!finding.message.empty());
        const std::string line = zirn::check::format_finding("f", finding);
        ZIRN_FUZZ_CHECK(line.find('\n') == std::string::npos);
    }
    return 0;
}
