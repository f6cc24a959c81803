// Real receiver recordings, replayed through assembly and parsing, against
// the reading of an independent decoder (the .chk files beside them: each
// input sentence followed by that decoder's JSON reports).
//
// That decoder has rules of its own (dates, sentences this program does not
// read, reports withheld without a fix), so only what both read after the
// same sentence is compared: position, speed, course, whole-metre altitude
// and time of day.
#include "gps_test_util.h"

#include "support/test_support.h"

#include <doctest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace gpstest;
using testsupport::JsonNumber;
using testsupport::JsonString;

namespace {

struct Report {   // the last TPV report after one sentence
    bool has = false;
    double lat = NAN, lon = NAN, altMSL = NAN, speed = NAN, track = NAN;
    std::string time;   // "2014-12-31T03:07:19.000Z"
};

struct Expected {
    std::string sentence;
    Report tpv;
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t lf = text.find('\n', pos);
        if (lf == std::string::npos)
            lf = text.size();
        std::string line = text.substr(pos, lf - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out.push_back(line);
        pos = lf + 1;
    }
    return out;
}

std::vector<Expected> ReadCheck(const std::string& text)
{
    std::vector<Expected> out;
    for (const std::string& line : Lines(text)) {
        if (line.empty())
            continue;
        if (line[0] != '{') {
            out.push_back({line, {}});
            continue;
        }
        if (out.empty() || line.find("\"class\":\"TPV\"") == std::string::npos)
            continue;
        Report& r = out.back().tpv;
        r = Report{};
        r.has = true;
        r.lat = JsonNumber(line, "lat");
        r.lon = JsonNumber(line, "lon");
        r.altMSL = JsonNumber(line, "altMSL");
        r.speed = JsonNumber(line, "speed");
        r.track = JsonNumber(line, "track");
        r.time = JsonString(line, "time");
    }
    return out;
}

// What one hand-over saw: the line and the record right after it.
struct Seen1 {
    std::string line;
    GPS_CURRENT record;
};
std::vector<Seen1> Replay;

void KeepHandOver(GpsPort* port, WPARAM data)
{
    const wchar_t* w = reinterpret_cast<const wchar_t*>(data);
    std::string line;
    for (; *w; ++w)
        line += static_cast<char>(*w < 0x80 ? *w : '?');
    Replay.push_back({line, *port->LiveRecord()});
}

struct Tally {
    int positions = 0, speeds = 0, courses = 0, altitudes = 0, times = 0;
    int Total() const { return positions + speeds + courses + altitudes + times; }
};

void Compare(const std::string& name, const std::vector<Expected>& expected, Tally* tally)
{
    size_t next = 0;
    for (const Seen1& s : Replay) {
        // A line the recording garbled ("r$GPRMC") has no counterpart.
        size_t at = next;
        while (at < expected.size() && expected[at].sentence != s.line)
            ++at;
        if (at == expected.size())
            continue;
        next = at + 1;
        const Report& r = expected[at].tpv;
        if (!r.has)
            continue;
        NmeaMessage msg;
        ParseNmeaSentence(s.line, &msg);
        const GPS_CURRENT& g = s.record;
        CAPTURE(name);
        CAPTURE(s.line);
        if ((msg.present & kNmeaLatitude) && (msg.present & kNmeaLongitude) && !std::isnan(r.lat)) {
            // Single precision: a few metres at most.
            CHECK(std::fabs(g.pos.y - r.lat) < 5e-5);
            CHECK(std::fabs(g.pos.x - r.lon) < 5e-5);
            ++tally->positions;
        }
        if ((msg.present & kNmeaSpeed) && !std::isnan(r.speed)) {
            CHECK(std::fabs(g.ms - r.speed) < 0.01);
            ++tally->speeds;
        }
        if ((msg.present & kNmeaCourse) && !std::isnan(r.track)) {
            CHECK(std::fabs(g.course - r.track) < 1e-3);
            ++tally->courses;
        }
        if ((msg.present & kNmeaAltitude) && !std::isnan(r.altMSL)) {
            // Whole metres, the decimals dropped toward zero.
            CHECK(g.pos.z == std::trunc(r.altMSL + (r.altMSL < 0 ? -1e-9 : 1e-9)));
            ++tally->altitudes;
        }
        if ((msg.present & kNmeaTime) && r.time.size() >= 19) {
            char hms[16];
            std::snprintf(hms, sizeof hms, "%02u:%02u:%02u", g.utc.wHour, g.utc.wMinute, g.utc.wSecond);
            CHECK(r.time.substr(11, 8) == hms);
            ++tally->times;
        }
    }
}

// The recording as the receiver sent it: header lines dropped, every line
// ended by CR LF (some recordings were stored with LF alone).
std::string ReceiverBytes(const std::string& log)
{
    std::string out;
    for (const std::string& line : Lines(log)) {
        if (line.empty() || line[0] == '#')
            continue;
        out += line + "\r\n";
    }
    return out;
}

std::vector<std::string> NmeaRecordings(const std::string& dir)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*.log").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string text;
        if (!testsupport::ReadFile(dir + "\\" + fd.cFileName, &text))
            continue;
        const std::string bytes = ReceiverBytes(text);
        if (!bytes.empty() && bytes[0] == '$')   // NMEA, not a binary protocol
            names.push_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}

}  // namespace

TEST_CASE("Real receiver recordings read as an independent decoder reads them")
{
    const std::string data = testsupport::TestDataDir();
    if (data.empty()) {
        MESSAGE("shared test data absent: receiver recordings not replayed");
        return;
    }
    const std::string dir = data + "\\receiver-logs";
    const std::vector<std::string> names = NmeaRecordings(dir);
    if (names.empty()) {
        MESSAGE("no NMEA receiver recordings in " << dir << ": skipped");
        return;
    }
    Tally tally;
    std::mt19937 rng(5);
    for (const std::string& name : names) {
        std::string log, check;
        if (!testsupport::ReadFile(dir + "\\" + name, &log) || !testsupport::ReadFile(dir + "\\" + name + ".chk", &check)) {
            MESSAGE(name << ": no reading to compare with, skipped");
            continue;
        }
        const std::vector<Expected> expected = ReadCheck(check);
        const std::string bytes = ReceiverBytes(log);
        // Once in whole lines, once cut where a serial driver might cut.
        for (int pass = 0; pass < 2; ++pass) {
            auto port = std::make_unique<GpsPort>();
            PortWindow window(false, [](UINT msg, WPARAM data, LPARAM sender) {
                if (msg == WM_GPSDATA)
                    KeepHandOver(reinterpret_cast<GpsPort*>(sender), data);
            });
            port->SetWindow(window.Handle());
            Replay.clear();
            size_t pos = 0;
            while (pos < bytes.size()) {
                size_t n;
                if (pass == 0)
                    n = bytes.find('\n', pos) + 1 - pos;
                else
                    n = std::min<size_t>(1 + rng() % 300, bytes.size() - pos);
                port->AssembleInput(bytes.data() + pos, n);
                pos += n;
            }
            Compare(name, expected, &tally);
        }
    }
    MESSAGE("compared " << tally.positions << " positions, " << tally.speeds << " speeds, " << tally.courses
                        << " courses, " << tally.altitudes << " altitudes, " << tally.times << " times");
    CHECK(tally.positions > 50);
    CHECK(tally.speeds > 20);
    CHECK(tally.courses > 20);
}
