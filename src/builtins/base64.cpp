#include "builtins/base64.h"

#include <array>
#include <cstdint>

#include "base/error.h"

namespace zirn::builtins {

namespace {

constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// A decode table entry for a character outside the alphabet. OR-ing four
// entries stays at most 0x01FFFFFE exactly when all four are valid.
constexpr std::uint32_t invalid_entry = 0x01FFFFFF;

// For each position in a group of four, each character's contribution to the
// group's three bytes, already shifted into place: the first byte is the low
// byte of the OR of the four entries, the third byte the high one.
struct DecodeTables {
    std::array<std::array<std::uint32_t, 256>, 4> position{};

    constexpr DecodeTables()
    {
        for (auto& table : position) table.fill(invalid_entry);
        for (std::uint32_t v = 0; v < 64; ++v) {
            const auto ch = static_cast<unsigned char>(alphabet[v]);
            position[0][ch] = v << 2;
            position[1][ch] = (v >> 4) | ((v & 0x0F) << 12);
            position[2][ch] = ((v >> 2) << 8) | ((v & 0x03) << 22);
            position[3][ch] = v << 16;
        }
    }
};

// The alphabet character for a byte's upper six bits, and for a value's
// lower six bits.
struct EncodeTables {
    std::array<char, 256> upper{};
    std::array<char, 256> lower{};

    constexpr EncodeTables()
    {
        for (std::size_t i = 0; i < 256; ++i) {
            upper[i] = alphabet[i >> 2];
            lower[i] = alphabet[i & 0x3F];
        }
    }
};

constexpr DecodeTables decode_tables;
constexpr EncodeTables encode_tables;

unsigned char byte_at(std::string_view text, std::size_t i) { return static_cast<unsigned char>(text[i]); }

// The OR of the decode entries of the first `count` characters of the group
// starting at `start`; raises the invalid-character error.
std::uint32_t decode_group(std::string_view text, std::size_t start, std::size_t count)
{
    std::uint32_t word = 0;
    for (std::size_t k = 0; k < count; ++k) word |= decode_tables.position[k][byte_at(text, start + k)];
    if (word > 0x01FFFFFE) throw Error(ErrorKind::Base64, base64_character_message);
    return word;
}

}  // namespace

std::string base64_encode(std::string_view bytes)
{
    const std::size_t n = bytes.size();
    // The output is allocated once at its final size, all padding.
    std::string out(4 * ((n + 2) / 3), '=');
    std::size_t o = 0;
    std::size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        const unsigned b0 = byte_at(bytes, i), b1 = byte_at(bytes, i + 1), b2 = byte_at(bytes, i + 2);
        out[o++] = encode_tables.upper[b0];
        out[o++] = encode_tables.lower[((b0 << 4) | (b1 >> 4)) & 0xFF];
        out[o++] = encode_tables.lower[((b1 << 2) | (b2 >> 6)) & 0xFF];
        out[o++] = encode_tables.lower[b2];
    }
    if (n - i == 1) {
        const unsigned b0 = byte_at(bytes, i);
        out[o++] = encode_tables.upper[b0];
        out[o] = encode_tables.lower[(b0 << 4) & 0xFF];
    } else if (n - i == 2) {
        const unsigned b0 = byte_at(bytes, i), b1 = byte_at(bytes, i + 1);
        out[o++] = encode_tables.upper[b0];
        out[o++] = encode_tables.lower[((b0 << 4) | (b1 >> 4)) & 0xFF];
        out[o] = encode_tables.lower[(b1 << 2) & 0xFF];
    }
    return out;
}

std::string base64_decode(std::string_view text)
{
    const std::size_t length = text.size();
    // 1. Nothing in, nothing out.
    if (length == 0) return "";
    // 2. Only whole groups of four.
    if (length % 4 != 0) throw Error(ErrorKind::Base64, base64_size_message);
    // 3. At most two padding signs among the last four characters.
    std::size_t padding = 0;
    for (std::size_t i = length - 4; i < length; ++i) padding += text[i] == '=' ? 1 : 0;
    if (padding > 2) throw Error(ErrorKind::Base64, base64_padding_message);
    // 4. The output is allocated once at its final size.
    std::string out(3 * (length / 4) - padding, '\0');
    // 5. Every group but a padded last one gives three bytes.
    const std::size_t full_groups = length / 4 - (padding > 0 ? 1 : 0);
    std::size_t o = 0;
    for (std::size_t g = 0; g < full_groups; ++g) {
        const std::uint32_t word = decode_group(text, 4 * g, 4);
        out[o++] = static_cast<char>(word & 0xFF);
        out[o++] = static_cast<char>((word >> 8) & 0xFF);
        out[o++] = static_cast<char>((word >> 16) & 0xFF);
    }
    // 6. A padded last group gives one or two bytes; its leftover bits are
    //    dropped unexamined.
    if (padding > 0) {
        const std::uint32_t word = decode_group(text, length - 4, 4 - padding);
        out[o++] = static_cast<char>(word & 0xFF);
        if (padding == 1) out[o] = static_cast<char>((word >> 8) & 0xFF);
    }
    return out;
}

}  // namespace zirn::builtins
