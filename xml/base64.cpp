// xml/base64.cpp - the streaming Base64 coder.
#include "xml/base64.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kLineLength = 72;

// The alphabet value of c, or -1.
int ValueOf(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

}  // namespace

template <class InputIterator, class OutputIterator>
OutputIterator Base64Encoder<InputIterator, OutputIterator>::process(OutputIterator out,
                                                                     InputIterator begin,
                                                                     InputIterator end)
{
    for (;;) {
        while (lineLength_ < kLineLength) {
            while (byteCount_ < 3) {
                if (begin == end)
                    return out;
                group_[byteCount_++] = static_cast<unsigned char>(*begin++);
            }
            const unsigned b0 = group_[0], b1 = group_[1], b2 = group_[2];
            *out++ = kAlphabet[b0 >> 2];
            *out++ = kAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
            *out++ = kAlphabet[((b1 & 15) << 2) | (b2 >> 6)];
            *out++ = kAlphabet[b2 & 63];
            lineLength_ += 4;
            byteCount_ = 0;
        }
        // The break goes out as soon as the line is full, before more input
        // is looked at: 54 bytes end with CR LF.
        *out++ = '\r';
        *out++ = '\n';
        lineLength_ = 0;
    }
}

template <class InputIterator, class OutputIterator>
OutputIterator Base64Encoder<InputIterator, OutputIterator>::flush(OutputIterator out)
{
    if (byteCount_ > 0) {
        const unsigned b0 = group_[0];
        const unsigned b1 = byteCount_ > 1 ? group_[1] : 0;
        *out++ = kAlphabet[b0 >> 2];
        *out++ = kAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
        *out++ = byteCount_ > 1 ? kAlphabet[(b1 & 15) << 2] : '=';
        *out++ = '=';
    }
    byteCount_ = 0;
    lineLength_ = 0;
    group_[0] = group_[1] = group_[2] = 0;
    return out;
}

template <class InputIterator, class OutputIterator>
OutputIterator Base64Decoder<InputIterator, OutputIterator>::process(OutputIterator out,
                                                                     InputIterator begin,
                                                                     InputIterator end)
{
    errors_ = 0;
    for (; begin != end; ++begin) {
        const char c = static_cast<char>(*begin);
        if (c == '\r' || c == '\n')
            continue;
        if (c != '=' && ValueOf(c) < 0) {
            ++errors_;
            continue;
        }
        group_[charCount_++] = c;
        if (charCount_ == 4) {
            DecodeGroup(out);
            charCount_ = 0;
        }
    }
    return out;
}

template <class InputIterator, class OutputIterator>
void Base64Decoder<InputIterator, OutputIterator>::DecodeGroup(OutputIterator& out)
{
    const char c0 = group_[0], c1 = group_[1], c2 = group_[2], c3 = group_[3];
    if (paddingSeen_) {
        // Data after a padded group: decoded all the same, but noted.
        ++errors_;
        paddingSeen_ = 0;
    }
    if (c0 == '=' || c1 == '=') {
        ++errors_;
        return;
    }
    const int v0 = ValueOf(c0), v1 = ValueOf(c1);
    *out++ = static_cast<char>((v0 << 2) | (v1 >> 4));
    if (c2 == '=') {
        if (c3 == '=')
            paddingSeen_ = 1;
        else
            ++errors_;
        return;
    }
    const int v2 = ValueOf(c2);
    *out++ = static_cast<char>(((v1 & 15) << 4) | (v2 >> 2));
    if (c3 == '=') {
        paddingSeen_ = 1;
        return;
    }
    *out++ = static_cast<char>(((v2 & 3) << 6) | ValueOf(c3));
}

template <class InputIterator, class OutputIterator>
OutputIterator Base64Decoder<InputIterator, OutputIterator>::flush(OutputIterator out)
{
    charCount_ = 0;
    return out;
}

template class Base64Encoder<const char*, char*>;
template class Base64Decoder<const char*, char*>;
