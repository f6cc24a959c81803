// xml/base64.h - streaming Base64 coder (RFC 4648 alphabet, "=" padding).
//
// Byte blocks kept in XML attributes (the display font's LOGFONT among them)
// are stored as Base64 text. A coder is made for one conversion, fed one or
// more input ranges with process(), flushed once and dropped. Output is
// written without bound: the caller provides the room, at least 4/3 of the
// input plus 2 characters per 72 when encoding, 3/4 of the input when
// decoding. The only instantiation is <const char*, char*>.
#pragma once

template <class InputIterator, class OutputIterator>
class MimeCoder {
public:
    virtual ~MimeCoder() = default;
    // Converts [begin, end) to out; returns the new output position. A group
    // that the input leaves unfinished is kept for the next call.
    virtual OutputIterator process(OutputIterator out, InputIterator begin, InputIterator end) = 0;
    // Ends the conversion; returns the new output position.
    virtual OutputIterator flush(OutputIterator out) = 0;
};

// Writes CR LF after every 72 output characters, as soon as a line is full:
// an output whose length is a multiple of 72 ends with CR LF.
template <class InputIterator, class OutputIterator>
class Base64Encoder : public MimeCoder<InputIterator, OutputIterator> {
public:
    OutputIterator process(OutputIterator out, InputIterator begin, InputIterator end) override;
    // Pads a group of one or two bytes to four characters ("==" or "=");
    // writes no line break; starts a fresh line.
    OutputIterator flush(OutputIterator out) override;

private:
    int lineLength_ = 0;     // characters on the current output line, 0 to 72
    int byteCount_ = 0;      // bytes in the current group, 0 to 3
    unsigned char group_[3] = {};
};

// Skips CR and LF; skips and counts every other character outside the
// alphabet and "=". A group after one that ended in "=" is still decoded but
// counted as an error.
template <class InputIterator, class OutputIterator>
class Base64Decoder : public MimeCoder<InputIterator, OutputIterator> {
public:
    OutputIterator process(OutputIterator out, InputIterator begin, InputIterator end) override;
    // Drops a partial group (fewer than four characters) and writes nothing.
    OutputIterator flush(OutputIterator out) override;
    // Errors counted by the last process() call (it starts again at 0).
    int errors() const { return errors_; }

private:
    void DecodeGroup(OutputIterator& out);

    int paddingSeen_ = 0;    // an earlier group ended with "="
    int charCount_ = 0;      // characters in the current group, 0 to 4
    char group_[4] = {};
    int errors_ = 0;
};

extern template class Base64Encoder<const char*, char*>;
extern template class Base64Decoder<const char*, char*>;
