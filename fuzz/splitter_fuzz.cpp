// Fuzz target: the statement and token splitter on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "base/error.h"
#include "lex/splitter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // is_balanced() promises to agree with split_statements().
    bool accepted = true;
    std::size_t token_bytes = 0;
    try {
        const zirn::lex::StatementList statements = zirn::lex::split_statements(text);
        ZIRN_FUZZ_CHECK(!statements.empty());
        for (const auto& statement : statements) {
            for (const std::string& token : statement) token_bytes += token.size();
        }
    } catch (const zirn::Error& error) {
        ZIRN_FUZZ_CHECK(error.kind() == zirn::ErrorKind::Unbalanced);
        accepted = false;
    }
    ZIRN_FUZZ_CHECK(accepted == zirn::lex::is_balanced(text));
    // Tokens are cut out of the text, never made up.
    ZIRN_FUZZ_CHECK(token_bytes <= text.size());

    // The pieces of split_on_char joined again give the text back, less a
    // delimiter at its very end.
    for (const char delimiter : {'\n', ' ', '$'}) {
        const std::vector<std::string> pieces = zirn::lex::split_on_char(text, delimiter);
        std::string joined;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            if (i > 0) joined += delimiter;
            joined += pieces[i];
        }
        if (!text.empty() && text.back() == delimiter) joined += delimiter;
        ZIRN_FUZZ_CHECK(joined == text);
    }
    return 0;
}
