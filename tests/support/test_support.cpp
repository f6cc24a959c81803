#include "support/test_support.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace testsupport {
namespace {

bool DirExists(const std::string& p)
{
    DWORD a = GetFileAttributesA(p.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveTree(const std::string& dir)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string n = fd.cFileName;
            if (n == "." || n == "..")
                continue;
            std::string p = dir + "\\" + n;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(p);
            else {
                SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(p.c_str());
            }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

}  // namespace

std::string WinePath(std::string path)
{
    if (path.empty() || path[0] != '/')
        return path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return "Z:" + path;
}

std::string EnvPath(const char* variable)
{
    const char* v = std::getenv(variable);
    return WinePath(v ? v : "");
}

std::string TestDataDir()
{
    std::string p = EnvPath("PATHVEX_TESTDATA");
    return DirExists(p) ? p : std::string{};
}

double JsonNumber(const std::string& record, const char* key)
{
    const std::string k = std::string("\"") + key + "\":";
    const size_t at = record.find(k);
    if (at == std::string::npos)
        return NAN;
    return std::strtod(record.c_str() + at + k.size(), nullptr);
}

std::string JsonString(const std::string& record, const char* key)
{
    const std::string k = std::string("\"") + key + "\":\"";
    const size_t at = record.find(k);
    if (at == std::string::npos)
        return {};
    const size_t end = record.find('"', at + k.size());
    return end == std::string::npos ? std::string() : record.substr(at + k.size(), end - at - k.size());
}

std::string SourceDir()
{
    return EnvPath("PATHVEX_SOURCE_DIR");
}

bool ReadFile(const std::string& path, std::string* out)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    out->clear();
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out->append(buf, n);
    std::fclose(f);
    return true;
}

void TypeKey(unsigned char key)
{
    keybd_event(key, 0, 0, 0);
    keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
}

TempDir::TempDir()
{
    char base[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, base);
    std::string root = (n > 0 && n < MAX_PATH) ? std::string(base, n) : std::string(".\\");
    static LONG counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char name[96];
        std::snprintf(name, sizeof name, "pvtest-%lu-%ld-%d", GetCurrentProcessId(),
                      InterlockedIncrement(&counter), attempt);
        std::string p = root + name;
        if (CreateDirectoryA(p.c_str(), nullptr)) {
            path_ = p;
            return;
        }
    }
}

TempDir::~TempDir()
{
    if (!path_.empty())
        RemoveTree(path_);
}

std::string FileText(const std::string& path)
{
    std::string text;
    return ReadFile(path, &text) ? text : "<missing>";
}

std::string FileBytes(const std::string& path)
{
    std::string bytes;
    ReadFile(path, &bytes);
    return bytes;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

std::vector<std::string> FolderNames(const std::string& dir)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string n = fd.cFileName;
        if (n != "." && n != "..")
            names.push_back(n);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

CurrentDir::CurrentDir(const std::string& dir)
{
    char old[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, old);
    old_ = old;
    SetCurrentDirectoryA(dir.c_str());
}

CurrentDir::~CurrentDir()
{
    SetCurrentDirectoryA(old_.c_str());
}

std::wstring TempDir::WPath() const
{
    int n = MultiByteToWideChar(CP_ACP, 0, path_.c_str(), -1, nullptr, 0);
    std::wstring w(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1)
        MultiByteToWideChar(CP_ACP, 0, path_.c_str(), -1, w.data(), n);
    return w;
}

}  // namespace testsupport
