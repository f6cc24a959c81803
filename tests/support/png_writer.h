// A tiny PNG writer for painting tests: 8-bit RGB, no compression (stored
// deflate blocks), so a test can save what it painted and a person can look.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace testsupport {

// CRC-32 as PNG chunks use it (ISO 3309, reflected 0xEDB88320); pass the
// previous result to continue over more data.
uint32_t Crc32(const void* data, size_t length, uint32_t previous = 0);
// Adler-32 as zlib streams end with (RFC 1950).
uint32_t Adler32(const void* data, size_t length);

// The PNG file of width x height pixels given as 0x00RRGGBB, rows top down
// (the layout of a 32-bit top-down DIB section). Empty for a bad size.
std::string EncodePng(int width, int height, const uint32_t* pixels);
// EncodePng written to path; false when it cannot be written.
bool WritePng(const std::string& path, int width, int height, const uint32_t* pixels);

}  // namespace testsupport
