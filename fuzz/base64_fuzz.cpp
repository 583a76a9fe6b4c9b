// Fuzz target: the Base64 decoder, and the encoder as its inverse.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "builtins/base64.h"
#include "fuzz_check.h"
#include "base/error.h"

namespace {

constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// True for the texts the encoder can produce: whole groups of four alphabet
// characters, up to two "=" only at the very end, and zero bits in the
// unused part of the last character before the padding.
bool is_canonical(std::string_view text)
{
    if (text.size() % 4 != 0) return false;
    std::size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=') ++padding;
    const std::string_view body = text.substr(0, text.size() - padding);
    if (body.find_first_not_of(alphabet) != std::string_view::npos) return false;
    if (padding == 0) return true;
    const std::size_t last = alphabet.find(body.back());
    return (last & (padding == 1 ? 0x03u : 0x0Fu)) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // Any bytes survive encoding and decoding.
    const std::string encoded = zirn::builtins::base64_encode(input);
    ZIRN_FUZZ_CHECK(encoded.size() == 4 * ((size + 2) / 3));
    ZIRN_FUZZ_CHECK(is_canonical(encoded));
    ZIRN_FUZZ_CHECK(zirn::builtins::base64_decode(encoded) == input);

    // The input read as Base64: canonical texts decode and encode back to
    // themselves; whatever decodes gives the size its length promises.
    const bool canonical = is_canonical(input);
    try {
        const std::string decoded = zirn::builtins::base64_decode(input);
        ZIRN_FUZZ_CHECK(size % 4 == 0);
        if (canonical) ZIRN_FUZZ_CHECK(zirn::builtins::base64_encode(decoded) == input);
        ZIRN_FUZZ_CHECK(zirn::builtins::base64_decode(zirn::builtins::base64_encode(decoded)) == decoded);
        ZIRN_FUZZ_CHECK(decoded.size() + 3 > 3 * (size / 4) && decoded.size() <= 3 * (size / 4));
    } catch (const zirn::Error& error) {
        ZIRN_FUZZ_CHECK(error.kind() == zirn::ErrorKind::Base64);
        ZIRN_FUZZ_CHECK(!canonical);
    }
    return 0;
}
