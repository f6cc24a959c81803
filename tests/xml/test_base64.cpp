// Tests of the Base64 coder.
#include <doctest.h>

#include <string>
#include <vector>

#include "xml/base64.h"

namespace {

std::string Encode(const std::string& bytes, size_t chunk)
{
    std::vector<char> out(bytes.size() * 2 + 16);
    Base64Encoder<const char*, char*> encoder;
    char* p = out.data();
    for (size_t at = 0; at < bytes.size(); at += chunk)
        p = encoder.process(p, bytes.data() + at, bytes.data() + std::min(at + chunk, bytes.size()));
    return std::string(out.data(), encoder.flush(p));
}

std::string Encode(const std::string& bytes) { return Encode(bytes, bytes.size() + 1); }

std::string Decode(const std::string& text, int* errors = nullptr)
{
    std::vector<char> out(text.size() + 4);
    Base64Decoder<const char*, char*> decoder;
    char* p = decoder.process(out.data(), text.data(), text.data() + text.size());
    if (errors)
        *errors = decoder.errors();
    return std::string(out.data(), decoder.flush(p));
}

}  // namespace

TEST_CASE("Base64 encoding")
{
    // Vectors of RFC 4648, section 10.
    CHECK(Encode("abc") == "YWJj");
    CHECK(Encode("ab") == "YWI=");
    CHECK(Encode("a") == "YQ==");
    CHECK(Encode("foobar") == "Zm9vYmFy");

    // The break follows the 72nd character even at the end.
    const std::string e54 = Encode(std::string(54, 'x'));
    CHECK((e54.size() == 74 && e54.substr(72) == "\r\n"));
    const std::string e57 = Encode(std::string(57, 'x'));
    CHECK((e57.size() == 78 && e57.find("\r\n") == 72));

    std::string bytes;
    for (int i = 0; i < 200; ++i)
        bytes += char(i * 7);
    CHECK(Encode(bytes, 1) == Encode(bytes));
    CHECK(Encode(bytes, 5) == Encode(bytes));
}

TEST_CASE("Base64 decoding")
{
    int errors = -1;
    CHECK(Decode("YW\r\nJj", &errors) == "abc");
    CHECK(errors == 0);
    CHECK(Decode("YW Jj", &errors) == "abc");
    CHECK(errors == 1);
    CHECK(Decode("YWJ") == "");   // a partial group is dropped at flush
    CHECK(Decode("YQ==YQ==", &errors) == "aa");
    CHECK(errors == 1);           // data after padding
    CHECK(Decode("=QAA", &errors) == "");
    CHECK(errors == 1);
    for (size_t n = 0; n < 160; ++n) {
        std::string bytes;
        for (size_t i = 0; i < n; ++i)
            bytes += char(i * 31 + n);
        CHECK(Decode(Encode(bytes)) == bytes);
    }
}
