// xml/xml_io.h - byte output shared by the writer, documents and swap
// files; not part of the library's interface.
#pragma once
#include <cstddef>
#include <cstdio>
#include <memory>

class XmlTransformHook;

namespace xmlimpl {

enum class FileText {
    Read,         // the text is there
    Missing,      // no such file, or an empty one
    Unreadable,   // the file exists but could not be read whole
};

// Reads a whole file (by narrow name, or by wide name when narrow is null)
// as NUL-terminated UTF-8 text with 32 zero bytes after it: through the
// hook's Decode when one is given, and converted from UTF-16LE when it
// starts with the bytes FF FE (that mark becoming EF BB BF; a trailing odd
// byte and anything after a zero unit are dropped).
FileText ReadFileText(const char* narrow, const wchar_t* wide, XmlTransformHook* hook,
                      std::unique_ptr<char[]>* text);

// Writes size bytes to an open file; false when not all of them were
// written. Every byte the library writes to a file goes through here.
bool WriteBytes(FILE* file, const void* data, size_t size);

// Fault injection for tests: after `bytes` more bytes every file write
// fails; a negative count (the default) turns it off.
void FailFileWritesAfter(long long bytes);

}  // namespace xmlimpl
