// Small helpers shared by the tests: where the shared test data lives, and
// temporary folders that clean up after themselves.
#pragma once
#include <string>
#include <vector>

namespace testsupport {

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
// How often part occurs in text (overlaps counted).
inline size_t CountOf(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// The text widened character by character (for ASCII paths and names).
inline std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// A Linux path as Wine opens it (Wine maps the root of the Linux file
// system to drive Z:); any other path stays as it is.
std::string WinePath(std::string path);
// WinePath of the folder named by the environment variable ("" when unset).
std::string EnvPath(const char* variable);

// The receiver recordings and other data made by others, beside the project.
// Empty when the folder is absent (tests then skip, saying so).
std::string TestDataDir();

// In one JSON record of the reference decoder's readings beside the
// receiver logs: the number after "key": (NaN when absent), and the text of
// "key":"..." ("" when absent).
double JsonNumber(const std::string& record, const char* key);
std::string JsonString(const std::string& record, const char* key);

// The project's source folder (for golden files kept under tests/).
std::string SourceDir();

// Reads a whole file; false when it cannot be opened.
bool ReadFile(const std::string& path, std::string* out);
// The whole file, or "<missing>" when it cannot be read.
std::string FileText(const std::string& path);
// The whole file, or "" when it cannot be read.
std::string FileBytes(const std::string& path);
// Writes bytes as the whole file; false when it cannot be written.
bool WriteWholeFile(const std::string& path, const std::string& bytes);
// The names in a folder ("." and ".." left out), sorted.
std::vector<std::string> FolderNames(const std::string& dir);

// A key pressed and let go on the keyboard: it reaches the focused window
// of the foreground window, as a user's typing does.
void TypeKey(unsigned char key);

// A fresh empty folder under the system's temporary folder, removed with
// everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::wstring WPath() const;
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Makes a folder the current one for as long as the object lives.
class CurrentDir {
public:
    explicit CurrentDir(const std::string& dir);
    ~CurrentDir();
    CurrentDir(const CurrentDir&) = delete;
    CurrentDir& operator=(const CurrentDir&) = delete;
    // The folder that was current before.
    const std::string& Before() const { return old_; }

private:
    std::string old_;
};

}  // namespace testsupport
