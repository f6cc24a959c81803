// xml/escape.cpp - entity escaping and unescaping of stored text.
#include <windows.h>

#include <climits>
#include <cstring>

#include "xml/utf8text.h"
#include "xml/xml.h"
#include "xml/xml_internal.h"

namespace {

// A numeric reference above this is no character; the accumulator stops
// growing there so that any number of digits is read without overflow.
constexpr uint32_t kSaturated = 0x110000;
constexpr uint32_t kReplacement = 0xFFFD;

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

int DecDigit(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : -1;
}

// UTF-8 of one code point into out (room for 4); returns the bytes written.
// Surrogates, noncharacters U+FFFE/U+FFFF and values past U+10FFFF become
// U+FFFD; 0 writes nothing.
int EncodeUtf8(uint32_t cp, char* out)
{
    if (cp == 0)
        return 0;
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF || cp > 0x10FFFF)
        cp = kReplacement;
    if (cp < 0x80) {
        out[0] = char(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = char(0xC0 | (cp >> 6));
        out[1] = char(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = char(0xE0 | (cp >> 12));
        out[1] = char(0x80 | ((cp >> 6) & 0x3F));
        out[2] = char(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (cp >> 18));
    out[1] = char(0x80 | ((cp >> 12) & 0x3F));
    out[2] = char(0x80 | ((cp >> 6) & 0x3F));
    out[3] = char(0x80 | (cp & 0x3F));
    return 4;
}

struct NamedEntity {
    const char* text;   // with its semicolon
    size_t length;
    char value;
};

constexpr NamedEntity kNamedEntities[] = {
    {"&amp;", 5, '&'},
    {"&quot;", 6, '"'},
    {"&apos;", 6, '\''},
    {"&lt;", 4, '<'},
    {"&gt;", 4, '>'},
};

// The entity text for a byte that must be escaped, or null.
const char* EntityFor(const char* p)
{
    switch (*p) {
    case '&': return p[1] == '#' ? nullptr : "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    case '\'': return "&apos;";
    default: return nullptr;
    }
}

}  // namespace

int XmlEscapeText(const char* text, char* buffer)
{
    if (!text)
        return 0;
    size_t length = 0;
    for (const char* p = text; *p; ++p) {
        const char* entity = EntityFor(p);
        const size_t n = entity ? std::strlen(entity) : 1;
        if (buffer) {
            if (entity)
                std::memcpy(buffer + length, entity, n);
            else
                buffer[length] = *p;
        }
        length += n;
    }
    if (buffer)
        buffer[length] = 0;
    return int(length);
}

int XmlEscapedLength(const char* text)
{
    return XmlEscapeText(text, nullptr);
}

int XmlUnescapeText(const char* stored, char* buffer)
{
    if (!stored) {
        if (buffer)
            *buffer = 0;
        return 0;
    }
    if (!buffer)
        return int(std::strlen(stored));

    // Every reference yields at most as many bytes as it occupies, so the
    // output never outruns the input and a buffer of the stored length + 1
    // always suffices.
    char* out = buffer;
    const char* p = stored;
    while (*p) {
        if (*p != '&') {
            *out++ = *p++;
            continue;
        }
        if (p[1] == '#') {
            const bool hex = p[2] == 'x' || p[2] == 'X';
            const char* d = p + (hex ? 3 : 2);
            const uint32_t base = hex ? 16 : 10;
            uint32_t value = 0;
            for (int digit; (digit = hex ? HexDigit(*d) : DecDigit(*d)) >= 0; ++d)
                value = value >= kSaturated ? kSaturated : value * base + uint32_t(digit);
            // The byte after the digits (normally ';') belongs to the
            // reference, unless it is the end of the text.
            p = *d ? d + 1 : d;
            out += EncodeUtf8(value, out);
            continue;
        }
        const NamedEntity* found = nullptr;
        for (const NamedEntity& e : kNamedEntities)
            if (std::strncmp(p, e.text, e.length) == 0) {
                found = &e;
                break;
            }
        if (found) {
            *out++ = found->value;
            p += found->length;
            continue;
        }
        *out++ = *p++;
    }
    *out = 0;
    return int(out - buffer);
}

int IntPower(int base, int exponent)
{
    if (base == 1)
        return 1;
    if (base == -1)
        return exponent % 2 ? -1 : 1;
    if (exponent < 0)
        return 0;
    if (base == 0)
        return exponent == 0 ? 1 : 0;
    // |base| >= 2: saturation is reached within 32 rounds.
    long long result = 1;
    for (int i = 0; i < exponent; ++i) {
        result *= base;
        if (result > INT_MAX)
            return INT_MAX;
        if (result < INT_MIN)
            return INT_MIN;
    }
    return int(result);
}

void WriteUtf8AsUtf16(FILE* file, const char* text)
{
    if (!file || !text || !*text)
        return;
    const std::wstring wide = Utf8ToWide(text);
    if (!wide.empty())
        std::fwrite(wide.data(), sizeof(wchar_t), wide.size(), file);
}

namespace xmlimpl {

PoolText EscapedCopy(const char* text)
{
    const int n = XmlEscapeText(text, nullptr);
    PoolText copy(static_cast<char*>(PoolAllocate(size_t(n) + 1)));
    copy[0] = 0;
    XmlEscapeText(text, copy.get());
    return copy;
}

std::string Unescaped(const char* stored)
{
    if (!stored || !*stored)
        return std::string();
    if (!std::strchr(stored, '&'))
        return std::string(stored);
    std::string out(std::strlen(stored) + 1, '\0');
    out.resize(size_t(XmlUnescapeText(stored, out.data())));
    return out;
}

bool UnescapedEquals(const char* stored, const char* text)
{
    if (!stored)
        stored = "";
    if (!text)
        text = "";
    if (!std::strchr(stored, '&'))
        return std::strcmp(stored, text) == 0;
    return Unescaped(stored) == text;
}

int CopyOut(const char* stored, char* buffer, int raw)
{
    if (!stored)
        stored = "";
    if (!buffer)
        return int(std::strlen(stored));
    if (!raw)
        return XmlUnescapeText(stored, buffer);
    const size_t n = std::strlen(stored);
    std::memcpy(buffer, stored, n + 1);
    return int(n);
}

}  // namespace xmlimpl
