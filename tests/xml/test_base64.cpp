// Tests of the Base64 coder.
#include <doctest.h>

#include <string>
#include <vector>

#include "xml/base64.h"

namespace {

std::string Encode(const std::string& bytes, size_t chunk = 0)
{
    std::vector<char> out(bytes.size() * 2 + 16);
    Base64Encoder<const char*, char*> encoder;
    char* p = out.data();
    if (chunk == 0)
        chunk = bytes.size();
    for (size_t at = 0; at < bytes.size(); at += chunk) {
        const size_t n = std::min(chunk, bytes.size() - at);
        p = encoder.process(p, bytes.data() + at, bytes.data() + at + n);
    }
    p = encoder.flush(p);
    return std::string(out.data(), p);
}

std::string Decode(const std::string& text, int* errors = nullptr)
{
    std::vector<char> out(text.size() + 4);
    Base64Decoder<const char*, char*> decoder;
    char* p = decoder.process(out.data(), text.data(), text.data() + text.size());
    if (errors)
        *errors = decoder.errors();
    p = decoder.flush(p);
    return std::string(out.data(), p);
}

}  // namespace

TEST_CASE("Base64 encoding")
{
    // The vectors of RFC 4648, section 10.
    CHECK(Encode("abc") == "YWJj");
    CHECK(Encode("ab") == "YWI=");
    CHECK(Encode("a") == "YQ==");
    CHECK(Encode("") == "");
    CHECK(Encode("foobar") == "Zm9vYmFy");

    SUBCASE("lines break after 72 characters, even at the end") {
        const std::string e54 = Encode(std::string(54, 'x'));
        CHECK(e54.size() == 74);
        CHECK(e54.substr(72) == "\r\n");
        const std::string e57 = Encode(std::string(57, 'x'));
        CHECK(e57.size() == 78);
        CHECK(e57.substr(72, 2) == "\r\n");
        CHECK(e57.find('\r', 74) == std::string::npos);
    }
    SUBCASE("feeding in pieces gives the same text") {
        std::string bytes;
        for (int i = 0; i < 200; ++i)
            bytes += char(i * 7);
        CHECK(Encode(bytes, 1) == Encode(bytes));
        CHECK(Encode(bytes, 5) == Encode(bytes));
    }
}

TEST_CASE("Base64 decoding")
{
    int errors = -1;
    CHECK(Decode("YW\r\nJj", &errors) == "abc");
    CHECK(errors == 0);
    CHECK(Decode("YW Jj", &errors) == "abc");
    CHECK(errors == 1);
    CHECK(Decode("YWI=") == "ab");
    CHECK(Decode("YQ==") == "a");
    CHECK(Decode("YWJ") == "");   // a partial group is dropped at flush
    CHECK(Decode("YQ==YQ==", &errors) == "aa");
    CHECK(errors == 1);           // data after padding
    CHECK(Decode("=QAA", &errors) == "");
    CHECK(errors == 1);

    SUBCASE("round trips across line breaks and padding") {
        for (size_t n = 0; n < 160; ++n) {
            std::string bytes;
            for (size_t i = 0; i < n; ++i)
                bytes += char(i * 31 + n);
            CHECK(Decode(Encode(bytes)) == bytes);
        }
    }
}
