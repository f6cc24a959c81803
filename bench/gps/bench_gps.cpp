// Throughput of the input path: a generated log of 25,000 mixed GGA, RMC,
// GSA and GSV sentences through stream assembly and parsing into the live
// record, with the NMEA log and the hand-over to the main window off.
// Prints sentences per second (best and median of several runs).
#include "gps/gps.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kSentences = 25000;
constexpr int kRuns = 15;
constexpr size_t kChunk = 1000;   // cut anywhere, as the serial driver does

// One receiver second: GGA, GSA, three GSV, RMC, with moving values.
std::string GenerateLog()
{
    std::string log;
    char line[160];
    int count = 0;
    for (int second = 0; count < kSentences; ++second) {
        const int h = (second / 3600) % 24, m = (second / 60) % 60, s = second % 60;
        const double latMin = 7.038 + (second % 1000) * 0.001;
        const double lonMin = 31.000 + (second % 700) * 0.0013;
        const double knots = (second % 300) * 0.1;
        const int prn0 = 1 + second % 20;
        const char* const forms[] = {
            "$GPGGA,%02d%02d%02d.000,48%06.3f,N,011%06.3f,E,1,08,0.9,%d.4,M,46.9,M,,*47\r\n",
            "$GPGSA,A,3,%02d,05,,09,12,,,24,,,,,2.5,1.3,2.1*39\r\n",
            "$GPGSV,3,1,12,%02d,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75\r\n",
            "$GPGSV,3,2,12,%02d,23,011,29,20,17,069,20,26,09,293,23,13,07,304,10*7C\r\n",
            "$GPGSV,3,3,12,%02d,12,132,04,08,38,008,,02,35,348,,03,14,091,*73\r\n",
            "$GPRMC,%02d%02d%02d.000,A,48%06.3f,N,011%06.3f,E,%.1f,084.4,230394,003.1,W*6A\r\n",
        };
        for (int i = 0; i < 6 && count < kSentences; ++i, ++count) {
            switch (i) {
            case 0: std::snprintf(line, sizeof line, forms[0], h, m, s, latMin, lonMin, 500 + second % 50); break;
            case 5: std::snprintf(line, sizeof line, forms[5], h, m, s, latMin, lonMin, knots); break;
            default: std::snprintf(line, sizeof line, forms[i], (prn0 + i) % 33 + 1); break;
            }
            log += line;
        }
    }
    return log;
}

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f)
{
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

}  // namespace

int main()
{
    const std::string log = GenerateLog();
    auto port = std::make_unique<GpsPort>();   // log off
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    std::vector<double> rates;
    for (int run = 0; run < kRuns; ++run) {
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        for (size_t pos = 0; pos < log.size(); pos += kChunk)
            port->AssembleInput(log.data() + pos, std::min(kChunk, log.size() - pos));
        QueryPerformanceCounter(&t1);
        rates.push_back(kSentences / Seconds(t0, t1, freq));
    }
    std::sort(rates.begin(), rates.end());
    const GPS_CURRENT* g = port->LiveRecord();
    std::printf("%d sentences, %u bytes, chunks of %u bytes, %d runs\n", kSentences,
                static_cast<unsigned>(log.size()), static_cast<unsigned>(kChunk), kRuns);
    std::printf("best   %.0f sentences/s\n", rates.back());
    std::printf("median %.0f sentences/s\n", rates[rates.size() / 2]);
    std::printf("last position %.6f %.6f, %d in view\n", g->pos.y, g->pos.x, g->satsInView);
    return 0;
}
