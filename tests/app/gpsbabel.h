// GPSBabel, the Linux program, started from a test under Wine: it reads the
// KML and LOC files the program writes and writes the ones it imports.
#pragma once
#include <doctest.h>

#include "support/test_support.h"
#include "support/window_support.h"
#include "xml/xml.h"

#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace gpsbabel {

using testsupport::Wide;

using testsupport::FileText;
using testsupport::WriteWholeFile;
inline bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

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

// Runs "gpsbabel <options> -f in <filters> -o outFormat -F out" and gives
// what it wrote ("" for nothing). Wine starts a Linux program but cannot
// wait for it: a script of the test's own runs it and then leaves a mark.
inline std::string GpsBabel(const std::string& options, const std::string& in, const std::string& outFormat,
                            const std::string& out, const std::string& filters = "")
{
    const char* program = std::getenv("PATHVEX_GPSBABEL");
    REQUIRE_MESSAGE((program && *program == '/'), "GPSBabel is missing: run scripts/setup.sh");
    const std::string done = out + ".done";
    DeleteFileA(out.c_str());
    DeleteFileA(done.c_str());
    REQUIRE(WriteWholeFile(out + ".sh", "\"" + std::string(program) + "\" " + options + " -f \"" + UnixPath(in) + "\" " +
                                       filters + " -o " + outFormat + " -F \"" + UnixPath(out) + "\"\ntouch \"" +
                                       UnixPath(done) + "\"\n"));
    std::wstring line = L"sh \"" + Wide(UnixPath(out + ".sh")) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    REQUIRE(CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CHECK(testsupport::WaitFor([&] { return Exists(done); }, 60000));
    return Exists(out) ? FileText(out) : std::string();
}

// A waypoint or track point as GPSBabel read it.
struct BABEL_POINT {
    double lon, lat, ele;
    std::string name;    // of the waypoint, or of the point's track
};

// The text of element's child, without the blanks and line breaks GPSBabel
// keeps around a text of the program's layout.
inline std::string ChildText(XMLElement* element, const char* name)
{
    XMLElement* child = element ? element->FindElement(name, 0, nullptr) : nullptr;
    const XMLTextNode* node = child ? child->GetTextNode(0) : nullptr;
    if (!node)
        return std::string();
    std::string text(size_t(node->GetText(nullptr, 0)) + 10, '\0');
    text.resize(size_t(node->GetText(text.data(), 0)));
    const size_t a = text.find_first_not_of(" \t\r\n");
    return a == std::string::npos ? std::string() : text.substr(a, text.find_last_not_of(" \t\r\n") - a + 1);
}

// What GPSBabel reads of a file in format ("kml", "geo"): waypoints, then
// track points, as it writes them into GPX.
inline std::vector<BABEL_POINT> Read(const std::string& format, const std::string& file)
{
    const std::string gpx = file + ".gpx";
    GpsBabel("-i " + format, file, "gpx", gpx);
    XMLDocument doc;
    doc.Load(Wide(gpx).c_str(), XML_LOAD_WIDE_FILE);
    std::vector<BABEL_POINT> points;
    XMLElement* root = doc.GetRoot();
    std::vector<XMLElement*> all(root ? root->CountDescendants(-1) + 1 : 1, nullptr);
    all.resize(root ? size_t(root->Query("", all.data(), -1)) : 0);
    for (XMLElement* e : all) {
        const std::string tag = e->GetStoredName();
        if (tag != "wpt" && tag != "trkpt")
            continue;
        XMLElement* track = tag == "trkpt" && e->GetParent() ? e->GetParent()->GetParent() : nullptr;
        points.push_back({e->FindAttribute("lon", 1, "")->GetFloatValue(), e->FindAttribute("lat", 1, "")->GetFloatValue(),
                          std::atof(ChildText(e, "ele").c_str()), ChildText(track ? track : e, "name")});
    }
    return points;
}

// Agrees with a value the program printed with six decimals.
inline bool SamePrinted(double read, double written)
{
    return std::fabs(read - written) <= 0.5e-6 + 1e-9;
}

}  // namespace gpsbabel
