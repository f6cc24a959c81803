// GPSBabel, the Linux program, started from a test under Wine: it reads the
// KML and LOC files the program writes and writes the ones it imports.
#pragma once
#include <doctest.h>

#include "support/test_support.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace gpsbabel {

inline std::wstring Wide(const std::string& s)
{
    return std::wstring(s.begin(), s.end());
}

inline std::string FileText(const std::string& path)
{
    std::string text;
    testsupport::ReadFile(path, &text);
    return text;
}

inline bool WriteFile(const std::string& path, const std::string& text)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

inline bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// ---------------------------------------------------------------------------
// GPSBabel

// The Linux path of a file of ours, as GPSBabel needs it.
inline std::string UnixPath(const std::string& path)
{
    using ToUnix = char*(CDECL*)(const wchar_t*);
    // Through void(*)(): a cast from FARPROC straight to another type warns.
    auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unix = toUnix ? toUnix(Wide(path).c_str()) : nullptr;
    const std::string result = unix ? unix : "";
    if (unix)
        HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Runs GPSBabel with options ("-i kml", more before it) on in, then its
// filters ("-x ..."), writing outFormat to out; the text it wrote, or ""
// when it wrote nothing. Wine
// starts a Linux program but cannot wait for it: a script of the test's
// own runs it and then leaves a mark that it is done.
inline std::string GpsBabel(const std::string& options, const std::string& in, const std::string& outFormat,
                            const std::string& out, const std::string& filters = "")
{
    const char* program = std::getenv("PATHVEX_GPSBABEL");
    REQUIRE_MESSAGE((program && *program == '/'), "GPSBabel is missing: run scripts/setup.sh");
    const std::string done = out + ".done";
    const std::string script = out + ".sh";
    DeleteFileA(out.c_str());
    DeleteFileA(done.c_str());
    REQUIRE(WriteFile(script, "\"" + std::string(program) + "\" " + options + " -f \"" + UnixPath(in) + "\" " + filters + " -o " +
                                  outFormat + " -F \"" + UnixPath(out) + "\"\ntouch \"" + UnixPath(done) + "\"\n"));
    std::wstring line = L"sh \"" + Wide(UnixPath(script)) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    REQUIRE(CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    if (pi.hThread)
        CloseHandle(pi.hThread);
    if (pi.hProcess)
        CloseHandle(pi.hProcess);
    const ULONGLONG until = GetTickCount64() + 60000;
    while (!Exists(done) && GetTickCount64() < until)
        Sleep(20);
    CHECK(Exists(done));
    return FileText(out);
}

// One row of GPSBabel's "unicsv" output.
struct CSV_POINT {
    double lat = 0.0;
    double lon = 0.0;
    double alt = 0.0;
    std::string name;
};

// "unicsv" text: a header naming the columns, then one row per point;
// quoted fields may hold commas, doubled quotes and line breaks.
inline std::vector<CSV_POINT> ReadCsv(const std::string& text)
{
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(field);
            field.clear();
        } else if (c == '\n') {
            rows.back().push_back(field);
            field.clear();
            rows.emplace_back();
        } else if (c != '\r') {
            field += c;
        }
    }
    std::vector<CSV_POINT> points;
    const std::vector<std::string>& header = rows.front();
    for (size_t r = 1; r < rows.size(); ++r) {
        if (rows[r].size() < header.size())
            continue;
        CSV_POINT p;
        for (size_t c = 0; c < header.size(); ++c) {
            if (header[c] == "Latitude")
                p.lat = std::atof(rows[r][c].c_str());
            else if (header[c] == "Longitude")
                p.lon = std::atof(rows[r][c].c_str());
            else if (header[c] == "Altitude")
                p.alt = std::atof(rows[r][c].c_str());
            else if (header[c] == "Name")
                p.name = rows[r][c];
        }
        points.push_back(p);
    }
    return points;
}

// GPSBabel keeps the line breaks and indentation that stand around a text
// of the program's layout ("<name>", CR LF, tabs, the text, ...).
inline std::string Trimmed(const std::string& s)
{
    const size_t a = s.find_first_not_of(" \t\r\n,");
    const size_t b = s.find_last_not_of(" \t\r\n,");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// GPSBabel prints six decimals: a value written with more agrees to half
// its last digit.
inline bool SamePrinted(double read, double written)
{
    return std::fabs(read - written) <= 0.5e-6 + 1e-9;
}

}  // namespace gpsbabel
