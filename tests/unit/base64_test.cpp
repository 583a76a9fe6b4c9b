// The Base64 codec.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "builtins/base64.h"
#include "base/error.h"

namespace {

using zirn::builtins::base64_decode;
using zirn::builtins::base64_encode;

// The message of the error that decoding `text` raises, or "" when none.
std::string decode_error(const std::string& text)
{
    try {
        base64_decode(text);
    } catch (const zirn::Error& error) {
        EXPECT_EQ(error.kind(), zirn::ErrorKind::Base64);
        return error.what();
    }
    return "";
}

const std::string size_message(zirn::builtins::base64_size_message);
const std::string padding_message(zirn::builtins::base64_padding_message);
const std::string character_message(zirn::builtins::base64_character_message);

TEST(Base64, Rfc4648TestVectors)
{
    const std::pair<const char*, const char*> vectors[] = {
        {"", ""},          {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [plain, encoded] : vectors) {
        EXPECT_EQ(base64_encode(plain), encoded);
        EXPECT_EQ(base64_decode(encoded), plain);
    }
    EXPECT_EQ(base64_encode("ABC"), "QUJD");
    EXPECT_EQ(base64_encode("5"), "NQ==");
    EXPECT_EQ(base64_encode("\xff\xfe\xfd"), "//79");
}

TEST(Base64, TheThreeMessagesAreExact)
{
    EXPECT_EQ(size_message, "Invalid base64 encoded data - Size not divisible by 4");
    EXPECT_EQ(padding_message, "Invalid base64 encoded data - Found more than 2 padding signs");
    EXPECT_EQ(character_message, "Invalid base64 encoded data - Invalid character");
}

TEST(Base64, DecoderChecksLengthThenPaddingThenCharacters)
{
    EXPECT_EQ(decode_error("QUJ"), size_message);
    EXPECT_EQ(decode_error("QUJD\n"), size_message);
    EXPECT_EQ(decode_error("!!!!!"), size_message);  // length is reported before characters
    EXPECT_EQ(decode_error("Q==="), padding_message);
    EXPECT_EQ(decode_error("===="), padding_message);
    EXPECT_EQ(decode_error("QUJD=A=="), padding_message);  // counted anywhere in the last four
    EXPECT_EQ(decode_error("QU=D"), character_message);
    EXPECT_EQ(decode_error("QQ==QUJD"), character_message);
    EXPECT_EQ(decode_error("QU D"), character_message);
    EXPECT_EQ(decode_error("QU-_"), character_message);
    EXPECT_EQ(decode_error("QUJD"), "");
}

TEST(Base64, UnusedBitsOfTheLastCharacterAreIgnored)
{
    EXPECT_EQ(base64_decode("QQ=="), "A");
    EXPECT_EQ(base64_decode("QR=="), "A");
    EXPECT_EQ(base64_decode("QUI="), "AB");
    EXPECT_EQ(base64_decode("QUJ="), "AB");
}

TEST(Base64, LineBreaksAreRejected)
{
    const std::string encoded = base64_encode(std::string(100, 'x'));
    const std::string wrapped = encoded.substr(0, 76) + "\n" + encoded.substr(76);
    EXPECT_NE(decode_error(wrapped), "");
}

TEST(Base64, RandomBytesRoundTrip)
{
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::size_t length = 0; length < 200; ++length) {
        std::string bytes;
        for (std::size_t i = 0; i < length; ++i) bytes += static_cast<char>(byte(random));
        if (length > 2) {
            bytes[0] = '\0';  // always a zero byte and a byte above 127
            bytes[1] = static_cast<char>(0x80 | (length & 0x7f));
        }
        const std::string encoded = base64_encode(bytes);
        ASSERT_EQ(encoded.size(), 4 * ((length + 2) / 3));
        ASSERT_EQ(base64_decode(encoded), bytes) << "length " << length;
        ASSERT_EQ(base64_encode(base64_decode(encoded)), encoded);
    }
}

}  // namespace
