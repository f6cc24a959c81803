// updater/digest.h - file digests and the hash list of the update run.
//
// The update run decides whether a file is current by comparing hash texts:
// the SHA-1 text (40 upper-case hexadecimal digits) or the CRC-32 text (the
// unsigned decimal value) of a file, against an expected text read from the
// server's hash list. Files are opened by their UTF-16 path, so a folder
// with letters outside the code page or a long path hashes its real bytes.
// A file that cannot be opened hashes as empty input. Any thread may call
// these; nothing here throws.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

// Room for a SHA-1 text and its terminator.
inline constexpr size_t kSha1TextSize = 41;
// Report forms of Sha1Hasher.
inline constexpr int kSha1ReportHex = 0;       // "A9993E36..."
inline constexpr int kSha1ReportDecimal = 1;   // "169 153 62 ..."

// SHA-1 (FIPS 180-1) over bytes fed in any pieces.
class Sha1Hasher {
public:
    Sha1Hasher() { Reset(); }
    // The standard initial chaining values, nothing taken in.
    void Reset();
    void Update(const void* bytes, size_t count);
    // Feeds the whole file in blocks of 8000 bytes; false (nothing fed) when
    // it cannot be opened. A read error midway keeps what was fed.
    bool HashFile(const wchar_t* path);
    // Pads, appends the length, makes the digest and clears the working state.
    void Final();
    // The digest as text into out (size bytes with the terminator, cut to
    // fit): kSha1ReportHex, kSha1ReportDecimal, or for any other form
    // "Error: Unknown report type!".
    void Report(char* out, size_t size, int form) const;
    void GetDigest(uint8_t out[20]) const;

private:
    void Compress(const uint8_t block[64]);

    uint32_t state_[5];
    uint64_t bitCount_;
    uint8_t block_[64];
    uint8_t digest_[20];
};

// Appends the SHA-1 text of the file to the text already in out (size bytes
// in all); true. A file that cannot be opened gives the text of empty input.
bool Sha1FileHex(const wchar_t* path, char* out, size_t size);

// The CRC-32 of zip and PNG (reflected 0xEDB88320, initial and final
// complement); 0 for no bytes.
uint32_t Crc32(const void* bytes, size_t count);
// The CRC-32 of the whole file; 0 when it cannot be opened.
uint32_t Crc32OfFile(const wchar_t* path);

// One value of an INI file into out (size units with the terminator, longer
// values cut); the default when the file, section or key is missing.
void ReadProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText, wchar_t* out,
                       DWORD size, const wchar_t* file);
