// bench_xml_cost - how the cost of growing and freeing a tree scales.
//
//   bench_xml_cost [appends|free|all] [n]
//
// appends: n and then 10n child elements appended one at a time to one
// element, as a recording or an import adds track points. free: a track
// document of n and then 10n points (a "t" element of "p" elements with the
// seven attributes a recorded point can carry) freed three ways: as read
// from its text, as read and then looked at point by point (as reading a
// track for the map or a route does: every attribute record is made), and
// as built point by point through the element interface. Each line prints
// both times (the best of three runs) and their ratio: about 10 is linear.
// n defaults to 100,000.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "xml/xml.h"

namespace {

double Now()
{
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return double(f.QuadPart);
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / frequency;
}

// Seconds to append n elements, each made as a recorded point's is.
double TimeAppends(int n)
{
    XMLElement track(nullptr, "t", XML_KIND_NAME);
    const double start = Now();
    for (int i = 0; i < n; ++i)
        track.AppendChild(new XMLElement(nullptr, "p", XML_KIND_NAME));
    const double seconds = Now() - start;
    if (track.GetChildCount() != uint32_t(n))
        std::printf("appends: %u children instead of %d\n", track.GetChildCount(), n);
    return seconds;
}

struct Point {
    char x[32], y[32], z[32], s[16], c[16], spd[16], time[16];
};

Point MakePoint(int i)
{
    Point p;
    std::snprintf(p.x, sizeof p.x, "%f", 8.540230 + i * 0.0000137);
    std::snprintf(p.y, sizeof p.y, "%f", 47.378177 - i * 0.0000091);
    std::snprintf(p.z, sizeof p.z, "%f", 408.0 + (i % 500) * 0.25);
    std::snprintf(p.s, sizeof p.s, "%u", (i % 7 == 0) ? 50u : 30u);
    std::snprintf(p.c, sizeof p.c, "%u", 20000u + unsigned(i / 1000));
    std::snprintf(p.spd, sizeof p.spd, "%.2f", 12.0 + (i % 100) * 0.37);
    const unsigned t = 9 * 3600 + unsigned(i);
    std::snprintf(p.time, sizeof p.time, "%02u:%02u:%02u", (t / 3600) % 24, (t / 60) % 60, t % 60);
    return p;
}

std::string TrackText(int n)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\r\n<root>\r\n\t<tracks>\r\n"
                       "\t\t<t n=\"Track 1\">\r\n";
    text.reserve(size_t(n) * 120 + 256);
    char line[256];
    for (int i = 0; i < n; ++i) {
        const Point p = MakePoint(i);
        std::snprintf(line, sizeof line,
                      "\t\t\t<p x=\"%s\" y=\"%s\" z=\"%s\" s=\"%s\" c=\"%s\" spd=\"%s\" time=\"%s\"/>\r\n", p.x, p.y,
                      p.z, p.s, p.c, p.spd, p.time);
        text += line;
    }
    text += "\t\t</t>\r\n\t</tracks>\r\n</root>\r\n";
    return text;
}

// Seconds to free a track document of n points read from its text; with
// lookedAt, after every point's attributes were asked for once.
double TimeFreeLoaded(int n, bool lookedAt)
{
    const std::string text = TrackText(n);
    auto doc = std::make_unique<XMLDocument>();
    doc->LoadFromText(text.c_str());
    if (doc->GetParseStatus(nullptr) != XML_STATUS_OK)
        std::printf("free: parse status %d\n", doc->GetParseStatus(nullptr));
    if (lookedAt) {
        XMLElement* track = doc->GetRoot()->GetChild(0)->GetChild(0);
        for (uint32_t i = 0; i < track->GetChildCount(); ++i)
            track->GetChild(i)->GetAttribute(0);
    }
    const double start = Now();
    doc.reset();
    return Now() - start;
}

// Seconds to free the same tree built point by point.
double TimeFreeBuilt(int n)
{
    auto doc = std::make_unique<XMLDocument>();
    doc->LoadFromText(nullptr);
    XMLElement* tracks = doc->GetRoot()->FindElement("tracks", 1, nullptr);
    auto* track = new XMLElement(tracks, "t", XML_KIND_NAME);
    track->AddAttribute("n", "Track 1");
    tracks->AppendChild(track);
    for (int i = 0; i < n; ++i) {
        const Point p = MakePoint(i);
        auto* e = new XMLElement(track, "p", XML_KIND_NAME);
        e->AddAttribute("x", p.x);
        e->AddAttribute("y", p.y);
        e->AddAttribute("z", p.z);
        e->AddAttribute("s", p.s);
        e->AddAttribute("c", p.c);
        e->AddAttribute("spd", p.spd);
        e->AddAttribute("time", p.time);
        track->AppendChild(e);
    }
    const double start = Now();
    doc.reset();
    return Now() - start;
}

// The best of three runs of one measurement: a busy machine adds, never
// takes away.
template <class Measure>
double Best(Measure measure, int n)
{
    double best = measure(n);
    for (int run = 1; run < 3; ++run)
        best = std::min(best, measure(n));
    return best;
}

template <class Measure>
void Report(const char* what, Measure measure, int n)
{
    const double small = Best(measure, n);
    const double large = Best(measure, n * 10);
    std::printf("%-40s n=%8d: %9.3f s   10n=%9d: %9.3f s   ratio %.1f\n", what, n, small, n * 10, large,
                small > 0 ? large / small : 0.0);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string which = argc > 1 ? argv[1] : "all";
    const int n = argc > 2 ? std::atoi(argv[2]) : 100000;
    if (n <= 0 || (which != "all" && which != "appends" && which != "free")) {
        std::printf("usage: bench_xml_cost [appends|free|all] [n]\n");
        return 2;
    }
    if (which != "free")
        Report("element appends", TimeAppends, n);
    if (which != "appends") {
        Report("free a track document (read)", [](int size) { return TimeFreeLoaded(size, false); }, n);
        Report("free a track document (read, looked at)", [](int size) { return TimeFreeLoaded(size, true); }, n);
        Report("free a track document (built)", TimeFreeBuilt, n);
    }
    return 0;
}
