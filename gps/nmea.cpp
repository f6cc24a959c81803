// NMEA 0183 sentence parsing: fields, numbers, coordinates, times, and the
// four sentences this program reads.
#include "gps/nmea.h"

#include "gps/geodesy.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

double MaxSpeed = 0.0;
double MaxAltitude = 0.0;
std::atomic<bool> SatellitesChanged{true};

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

size_t SkipBlanks(std::string_view text, size_t pos)
{
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    return pos;
}

// Up to maxDigits digits at *pos, like one "%2hu" of a scanf format (leading
// blanks skipped); false when there is none.
bool ScanDigits(std::string_view text, size_t* pos, int maxDigits, WORD* value)
{
    size_t p = SkipBlanks(text, *pos);
    unsigned v = 0;
    int n = 0;
    while (n < maxDigits && p < text.size() && IsDigit(text[p])) {
        v = v * 10 + static_cast<unsigned>(text[p] - '0');
        ++p;
        ++n;
    }
    if (n == 0)
        return false;
    *pos = p;
    *value = static_cast<WORD>(v);
    return true;
}

// "hhmmss.sss": "%2hu%2hu%2hu.%3hu". The digits after the point are read as
// a whole number, so ".50" is 50 ms; without them the milliseconds are 0,
// not whatever an earlier sentence left. False when nothing is to be stored:
// a time of 00:00:00 (what receivers send before they know the time), or a
// field without hour, minute and second, or one that is no time of day.
bool ScanTimeOfDay(std::string_view text, SYSTEMTIME* t)
{
    WORD hour = 0, minute = 0, second = 0, ms = 0;
    size_t pos = 0;
    if (!ScanDigits(text, &pos, 2, &hour) || !ScanDigits(text, &pos, 2, &minute)
        || !ScanDigits(text, &pos, 2, &second))
        return false;   // "12x519" is no time, not 12:00:00
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        ScanDigits(text, &pos, 3, &ms);
    }
    if (hour == 0 && minute == 0 && second == 0)
        return false;
    if (hour > 23 || minute > 59 || second > 60)
        return false;
    t->wHour = hour;
    t->wMinute = minute;
    t->wSecond = second;
    t->wMilliseconds = ms;
    return true;
}

// "ddmmyy": "%2hu%2hu%2hu", year 2000 + yy. False for day 0 (receivers send
// zeros before they know the date) and for what is no date.
bool ScanDate(std::string_view text, SYSTEMTIME* t)
{
    WORD day = 0, month = 0, year = 0;
    size_t pos = 0;
    if (ScanDigits(text, &pos, 2, &day) && ScanDigits(text, &pos, 2, &month))
        ScanDigits(text, &pos, 2, &year);
    if (day == 0 || day > 31 || month == 0 || month > 12)
        return false;
    t->wDay = day;
    t->wMonth = month;
    t->wYear = static_cast<WORD>(year + 2000);
    return true;
}

// Degrees of a coordinate field, or false when there is no coordinate: an
// empty field or one without a '.'.
bool ReadCoordinate(std::string_view text, double* degrees)
{
    if (text.empty() || text.find('.') == std::string_view::npos)
        return false;
    *degrees = ParseNmeaCoordinate(text, nullptr);
    return std::isfinite(*degrees);
}

// Latitude from (value, "N"/"S"): false when absent or beyond the poles.
bool ReadLatitude(std::string_view value, std::string_view hemisphere, double* y)
{
    double v;
    if (!ReadCoordinate(value, &v) || std::fabs(v) > 90.0)
        return false;
    *y = hemisphere == "S" ? -v : v;
    return true;
}

bool ReadLongitude(std::string_view value, std::string_view hemisphere, double* x)
{
    double v;
    if (!ReadCoordinate(value, &v) || std::fabs(v) > 180.0)
        return false;
    *x = hemisphere == "W" ? -v : v;
    return true;
}

bool ReadFloat(std::string_view text, float* value)
{
    double d;
    if (!NmeaToDouble(text, &d))
        return false;
    const float f = static_cast<float>(d);
    if (!std::isfinite(f))
        return false;
    *value = f;
    return true;
}

// The C library's atol with explicit saturation: a 20-digit degrees field
// must come out huge (and be refused by the range check), not wrap or read
// as 0 and pass for a coordinate.
int64_t WholeNumberSaturated(std::string_view text)
{
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
    size_t p = SkipBlanks(text, 0);
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-'))
        negative = text[p++] == '-';
    int64_t v = 0;
    for (; p < text.size() && IsDigit(text[p]); ++p) {
        v = v * 10 + (text[p] - '0');
        if (v > kMax + 1)
            return negative ? kMin : kMax;
    }
    v = negative ? -v : v;
    return v > kMax ? kMax : v;
}

// Numbers as the C library reads them: a field that holds no number (empty,
// as receivers send them without a fix) reads as 0.
float FloatOrZero(std::string_view text)
{
    float f = 0.0f;
    return ReadFloat(text, &f) ? f : 0.0f;
}

double DoubleOrZero(std::string_view text)
{
    double d;
    NmeaToDouble(text, &d);   // 0 when there is no number
    return d;
}

int32_t LongOrZero(std::string_view text)
{
    int32_t n;
    NmeaToLong(text, &n);     // 0 when there is no number
    return n;
}

// $GPGGA,hhmmss.ss,llll.ll,a,yyyyy.yy,a,q,nn,h.h,alt,M,...
void DecodeGga(const NmeaFields& f, NmeaMessage* m)
{
    GPS_CURRENT& v = m->values;
    if (f.count > 6) {
        v.fix = LongOrZero(f[6]);
        m->present |= kNmeaFix;
    }
    if (f.count > 5) {
        if (ReadLatitude(f[2], f[3], &v.pos.y))
            m->present |= kNmeaLatitude;
        if (ReadLongitude(f[4], f[5], &v.pos.x))
            m->present |= kNmeaLongitude;
    }
    if (f.count > 1 && ScanTimeOfDay(f[1], &v.utc))
        m->present |= kNmeaTime;
    if (f.count > 7) {
        v.satsUsed = LongOrZero(f[7]);
        m->present |= kNmeaSatsUsed;
    }
    // Whole metres: the decimals are dropped on purpose.
    int32_t altitude;
    if (f.count > 9 && NmeaToLong(f[9], &altitude)) {
        v.pos.z = altitude;
        m->present |= kNmeaAltitude;
    }
}

// $GPRMC,hhmmss.ss,A,llll.ll,a,yyyyy.yy,a,knots,course,ddmmyy,var,E/W*cs
void DecodeRmc(const NmeaFields& f, NmeaMessage* m)
{
    GPS_CURRENT& v = m->values;
    if (f.count > 2) {
        v.fix = f[2] == "A" ? 1 : 0;
        m->present |= kNmeaFix;
    }
    if (f.count > 6) {
        if (ReadLatitude(f[3], f[4], &v.pos.y))
            m->present |= kNmeaLatitude;
        if (ReadLongitude(f[5], f[6], &v.pos.x))
            m->present |= kNmeaLongitude;
    }
    if (f.count > 1 && ScanTimeOfDay(f[1], &v.utc))
        m->present |= kNmeaTime;
    if (f.count > 9 && ScanDate(f[9], &v.utc))
        m->present |= kNmeaDate;
    // A receiver that lost its fix sends empty speed and course fields: it
    // stands still as far as anyone can tell, so they read as 0.
    if (f.count > 7) {
        const float knots = FloatOrZero(f[7]);
        SetSpeedFromKnots(&v, std::isfinite(knots * kKnotsToKmh) ? knots : 0.0f);
        m->present |= kNmeaSpeed;
    }
    if (f.count > 8) {
        v.course = DoubleOrZero(f[8]);
        m->present |= kNmeaCourse;
    }
    if (f.count > 10) {
        v.magVar = DoubleOrZero(f[10]);
        if (f.count > 11 && !f[11].empty() && f[11][0] == 'W')
            v.magVar = -v.magVar;
        m->present |= kNmeaMagVar;
    }
}

// $GPGSA,A,3,prn x 12,pdop,hdop,vdop*cs
void DecodeGsa(const NmeaFields& f, NmeaMessage* m)
{
    GPS_CURRENT& v = m->values;
    for (size_t i = 3; i <= 14 && i < f.count; ++i) {
        int32_t prn;
        if (f[i].empty() || !NmeaToLong(f[i], &prn))
            continue;
        if (prn >= 0 && prn <= kNmeaMaxPrn)
            v.sats[prn].used = 1;
    }
    m->present |= kNmeaUsedFlags;
    // A GSA cut short keeps the dilutions it does not reach.
    if (f.count > 15) {
        v.pdop = FloatOrZero(f[15]);
        m->present |= kNmeaPdop;
    }
    if (f.count > 16) {
        v.hdop = FloatOrZero(f[16]);
        m->present |= kNmeaHdop;
    }
    if (f.count > 17) {
        v.vdop = FloatOrZero(f[17]);
        m->present |= kNmeaVdop;
    }
}

// $GPGSV,total,number,inview,{prn,elev,azim,snr} x up to 4*cs
void DecodeGsv(const NmeaFields& f, NmeaMessage* m)
{
    GPS_CURRENT& v = m->values;
    int32_t number;
    // Only message 1 starts a new sky, so in-view flags are cleared there.
    if (NmeaToLong(f[2], &number) && number == 1)
        m->present |= kNmeaSkyStart;
    if (f.count > 6) {
        for (size_t i = 4; i + 3 < f.count; i += 4) {
            if (f[i].empty())
                continue;   // a padding group names no satellite
            int32_t prn;
            // Beyond the table's NMEA range (SBAS, other systems) the rest of
            // the sentence is not read.
            if (!NmeaToLong(f[i], &prn) || prn < 0 || prn > kNmeaMaxPrn)
                break;
            GPS_SATELLITE& s = v.sats[prn];
            s.inView = 1;
            s.used = 0;
            s.prn = prn;
            s.elevation = FloatOrZero(f[i + 1]);
            s.azimuth = FloatOrZero(f[i + 2]);
            s.snr = FloatOrZero(f[i + 3]);
            m->present |= kNmeaSkyEntries;
        }
    }
    if (f.count > 3) {
        v.satsInView = LongOrZero(f[3]);
        m->present |= kNmeaSatsInView;
    }
}

struct SentenceEntry {
    char tag[7];   // the first six characters, compared exactly
    int32_t kind;
    int32_t size;
    void (*decode)(const NmeaFields&, NmeaMessage*);
};

constexpr SentenceEntry kSentences[] = {
    {"$GPGGA", kNmeaGga, 1040, DecodeGga},
    {"$GPRMC", kNmeaRmc, 136, DecodeRmc},
    {"$GPGSA", kNmeaSatellites, 928, DecodeGsa},
    {"$GPGSV", kNmeaSatellites, 928, DecodeGsv},
};

}  // namespace

NmeaFields SplitNmeaFields(std::string_view sentence)
{
    NmeaFields f;
    size_t start = 0;
    while (f.count + 1 < NmeaFields::kMaxFields) {
        const size_t comma = sentence.find(',', start);
        if (comma == std::string_view::npos)
            break;
        f.field[f.count++] = sentence.substr(start, comma - start);
        start = comma + 1;
    }
    f.field[f.count++] = sentence.substr(start);
    return f;
}

bool NmeaToLong(std::string_view text, int32_t* value)
{
    *value = 0;
    size_t p = SkipBlanks(text, 0);
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-'))
        negative = text[p++] == '-';
    int64_t v = 0;
    size_t digits = 0;
    for (; p < text.size() && IsDigit(text[p]); ++p, ++digits) {
        v = v * 10 + (text[p] - '0');
        if (v > static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1)
            return false;
    }
    if (digits == 0)
        return false;
    if (negative)
        v = -v;
    if (v > std::numeric_limits<int32_t>::max() || v < std::numeric_limits<int32_t>::min())
        return false;
    *value = static_cast<int32_t>(v);
    return true;
}

bool NmeaToDouble(std::string_view text, double* value)
{
    *value = 0.0;
    size_t p = SkipBlanks(text, 0);
    // from_chars takes no '+' but the C library does.
    if (p < text.size() && text[p] == '+') {
        ++p;
        if (p < text.size() && text[p] == '-')
            return false;
    }
    double d = 0.0;
    const char* first = text.data() + p;
    const char* last = text.data() + text.size();
    const auto r = std::from_chars(first, last, d, std::chars_format::general);
    if (r.ec != std::errc() || !std::isfinite(d))
        return false;
    *value = d;
    return true;
}

double ParseNmeaCoordinate(std::string_view text, int32_t* milliArcSeconds)
{
    if (milliArcSeconds)
        *milliArcSeconds = 0;
    const size_t dot = text.find('.');
    if (dot == std::string_view::npos)
        return 0.0;
    // Minutes are the two digits before the point and what follows; with
    // fewer than two digits before it ("5.5", ".5") there are no degrees.
    const size_t cut = dot >= 2 ? dot - 2 : 0;
    double minutesD = 0.0;
    NmeaToDouble(text.substr(cut), &minutesD);
    const float minutes = static_cast<float>(minutesD);
    const float degrees = static_cast<float>(WholeNumberSaturated(text.substr(0, cut)));
    if (milliArcSeconds) {
        const float mas = degrees * 3600000.0f + minutes * 60000.0f;
        // A garbled field can exceed what 32 bits hold; converting such a
        // float to an integer would be undefined.
        if (!(mas > -2147483648.0f))
            *milliArcSeconds = std::numeric_limits<int32_t>::min();
        else if (!(mas < 2147483648.0f))
            *milliArcSeconds = std::numeric_limits<int32_t>::max();
        else
            *milliArcSeconds = static_cast<int32_t>(mas);
    }
    return static_cast<double>(minutes / 60.0f + degrees);
}

bool ParseNmeaSentence(std::string_view sentence, NmeaMessage* msg)
{
    std::memset(msg, 0, sizeof *msg);
    if (sentence.size() < 6)
        return false;
    for (const SentenceEntry& s : kSentences) {
        if (std::memcmp(sentence.data(), s.tag, 6) != 0)
            continue;
        msg->kind = s.kind;
        msg->size = s.size;
        s.decode(SplitNmeaFields(sentence), msg);
        return true;
    }
    return false;
}
