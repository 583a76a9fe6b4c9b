// Base64 with the standard alphabet and "=" padding, no line breaks.
//
// The decoder is strict and reports the first problem it finds, in this
// order: a length that is not a multiple of four, more than two padding
// signs, a character outside the alphabet.
#pragma once

#include <string>
#include <string_view>

namespace zirn::builtins {

std::string base64_encode(std::string_view bytes);

// Raises Error(Base64) with one of the three messages below.
std::string base64_decode(std::string_view text);

inline constexpr std::string_view base64_size_message = "Invalid base64 encoded data - Size not divisible by 4";
inline constexpr std::string_view base64_padding_message =
    "Invalid base64 encoded data - Found more than 2 padding signs";
inline constexpr std::string_view base64_character_message = "Invalid base64 encoded data - Invalid character";

}  // namespace zirn::builtins
