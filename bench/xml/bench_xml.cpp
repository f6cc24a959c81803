// bench_xml - parse and write speed of a large track document.
//
// Builds a track document of 100,000 points in memory (the attributes and
// formats the track document writes), parses it from memory, writes it back
// to memory, checks that the two texts are equal, and prints MB/s for each
// and the peak memory against the text's size. It also prints what the tree
// itself costs: the heap blocks per point and the time the element
// constructor alone takes for the same start tags.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/alloc_count.h"
#include "xml/xml.h"

namespace {

constexpr double kMB = 1024.0 * 1024.0;

constexpr int kPoints = 100000;
constexpr int kRuns = 5;

std::string MakeTrack()
{
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<root>\r\n\t<tracks>\r\n"
        "\t\t<t n=\"Track 1\">\r\n";
    text.reserve(size_t(kPoints) * 100 + 256);
    char line[256];
    for (int i = 0; i < kPoints; ++i) {
        const double x = 8.540230 + i * 0.0000137;
        const double y = 47.378177 - i * 0.0000091;
        const double z = 408.0 + (i % 500) * 0.25;
        const unsigned s = (i % 7 == 0) ? 50u : 30u;
        const double spd = 12.0 + (i % 100) * 0.37;
        const unsigned t = 9 * 3600 + unsigned(i);
        std::snprintf(line, sizeof line,
                      "\t\t\t<p x=\"%f\" y=\"%f\" z=\"%f\" s=\"%u\" spd=\"%.2f\" time=\"%02u:%02u:%02u\"/>\r\n", x, y,
                      z, s, spd, (t / 3600) % 24, (t / 60) % 60, t % 60);
        text += line;
    }
    text += "\t\t</t>\r\n\t</tracks>\r\n</root>\r\n";
    return text;
}

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b)
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}

PROCESS_MEMORY_COUNTERS Memory()
{
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc;
}

}  // namespace

int main()
{
    const PROCESS_MEMORY_COUNTERS start = Memory();
    const std::string text = MakeTrack();
    const double mb = double(text.size()) / kMB;
    std::printf("track document: %d points, %llu bytes (%.2f MB)\n", kPoints,
                static_cast<unsigned long long>(text.size()), mb);

    const long long heapBefore = testsupport::LiveBytes();
    const long long blocksBefore = testsupport::LiveBlocks();
    testsupport::ResetPeakBytes();
    double parseBest = 1e9;
    double writeBest = 1e9;
    long long treeBytes = 0;
    long long treeBlocks = 0;
    long long parsePeak = 0;
    bool equal = false;
    std::vector<char> out(text.size() + 65536, 0);
    for (int run = 0; run < kRuns; ++run) {
        XMLDocument doc;
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        doc.LoadFromText(text.c_str());
        QueryPerformanceCounter(&b);
        parseBest = std::min(parseBest, Seconds(a, b));
        if (doc.GetParseStatus(nullptr) != XML_STATUS_OK) {
            std::printf("parse status %d\n", doc.GetParseStatus(nullptr));
            return 1;
        }
        if (run == 0) {
            treeBytes = testsupport::LiveBytes() - heapBefore;
            treeBlocks = testsupport::LiveBlocks() - blocksBefore;
            parsePeak = testsupport::PeakBytes();
        }

        out[0] = 0;
        QueryPerformanceCounter(&a);
        const int saved = doc.Save(out.data(), 1, XML_SAVE_MEMORY);
        QueryPerformanceCounter(&b);
        writeBest = std::min(writeBest, Seconds(a, b));
        equal = saved == 1 && std::strlen(out.data()) == text.size() && text == out.data();
    }
    const PROCESS_MEMORY_COUNTERS end = Memory();

    // The floor the tree's own records set: the element constructor alone,
    // fed one point's start tag 100,000 times.
    std::vector<XMLElement*> elements(kPoints);
    const char* tag = "p x=\"8.540230\" y=\"47.378177\" z=\"408.000000\" s=\"50\" spd=\"12.34\" time=\"09:15:02\"/";
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    for (XMLElement*& e : elements)
        e = new XMLElement(nullptr, tag);
    QueryPerformanceCounter(&b);
    const double constructMs = Seconds(a, b) * 1000;
    for (XMLElement* e : elements)
        delete e;

    std::printf("parse: %8.1f MB/s (best of %d: %.1f ms)\n", mb / parseBest, kRuns, parseBest * 1000);
    std::printf("write: %8.1f MB/s (best of %d: %.1f ms)\n", mb / writeBest, kRuns, writeBest * 1000);
    std::printf("written text equals the parsed one: %s\n", equal ? "yes" : "NO");
    std::printf("element constructor alone for %d point tags: %.1f ms\n", kPoints, constructMs);
    std::printf("tree on the heap: %.1f MB in %lld blocks (%.1f x the text; %.0f bytes, %.1f blocks per point)\n",
                double(treeBytes) / kMB, treeBlocks, double(treeBytes) / double(text.size()),
                double(treeBytes) / kPoints, double(treeBlocks) / kPoints);
    std::printf("heap peak while parsing: %.1f MB (%.1f x the text; the text itself included)\n",
                double(parsePeak) / kMB, double(parsePeak) / double(text.size()));
    std::printf("peak working set: %.1f MB (%.1f x the text; %.1f MB at start)\n",
                double(end.PeakWorkingSetSize) / kMB, double(end.PeakWorkingSetSize) / double(text.size()),
                double(start.WorkingSetSize) / kMB);
    return equal ? 0 : 1;
}
