// Normalisation and route following: the thinning examples, the route
// step's advance, arrival and speed marks, and the turn search, on routes
// laid out near the equator where a degree is about 111 km either way.
#include "tracks/tracks.h"

#include "gps/geodesy.h"
#include "gps/gps.h"
#include "kit/display.h"
#include "kit/outside.h"
#include "kit/screen_state.h"
#include "resources/resource.h"
#include "tracks/tracks_internal.h"

#include <doctest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr double kMetre = 1.0 / 111195.0;   // degrees of latitude (6371 km sphere)
constexpr double kKnots = 10.0;              // 18.52 km/h, 5.144 m/s

GPS_CURRENT At(double eastMetres, double northMetres, uint32_t cell = 0)
{
    GPS_CURRENT p{};
    p.pos.x = 10.0 + eastMetres * kMetre;
    p.pos.y = northMetres * kMetre;
    p.cellId = cell;
    p.course = 123.0;
    return p;
}

std::vector<GPS_CURRENT> Line(std::vector<std::pair<double, double>> metres)
{
    std::vector<GPS_CURRENT> points;
    for (const auto& [e, n] : metres)
        points.push_back(At(e, n));
    return points;
}

std::vector<std::wstring> Sounds;
std::vector<UINT> Posted;

// A message-only window standing for the main window: what the route code
// posts to it is collected.
struct Route {
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    const OUTSIDE_SEAMS outside = OutsideSeams;
    explicit Route(std::vector<GPS_CURRENT> points)
    {
        Sounds.clear();
        Posted.clear();
        MainWindow = window;
        GpsDevice.SetWindow(window);
        OutsideSeams.playSound = [](const wchar_t* name) { Sounds.push_back(name); };
        ActiveTrack = TRACK{};
        Follow(std::move(points));
        RouteProgress = ROUTE_PROGRESS{};
        RouteOptions = ROUTE_OPTIONS{15, 10, 3, 45, 300, 10};
        HighSpeedLimit = 0;
        SpeedLimitWarning = true;
        TurnArmed = false;
        DistanceUnit = 0;
        RecorderState = kRecorderFollowing;
    }
    Route(const Route&) = delete;
    Route& operator=(const Route&) = delete;
    ~Route()
    {
        RecorderState = kRecorderIdle;
        OutsideSeams = outside;
        MainWindow = nullptr;
        GpsDevice.SetWindow(nullptr);
        DestroyWindow(window);
    }
    // The route to follow, from its first point, as the route commands
    // install it.
    void Follow(std::vector<GPS_CURRENT> points)
    {
        tracksimpl::BeginRoute(nullptr, std::move(points), 0, {}, 0);
    }
    // The live record at a place, heading north.
    void Place(double east, double north, double knots)
    {
        LiveRecordGuard live(&GpsDevice);
        *live = At(east, north);
        live->fix = 1;
        live->knots = knots;
        live->ms = knots * 0.5144444;
        live->kmh = knots * 1.852;
        live->course = 0.0;
    }
    // One fix through the step the reader thread runs after each batch.
    void Fix(double east, double north, double knots)
    {
        Place(east, north, knots);
        FollowRoute(&GpsDevice);
        MSG msg;
        while (PeekMessageW(&msg, window, 0, 0, PM_REMOVE))
            Posted.push_back(msg.message);
    }
    bool Turn(double* angle = nullptr, double* distance = nullptr)
    {
        const GPS_CURRENT live = GpsDevice.Snapshot();
        double a = 0.0, d = 0.0;
        const bool found = FindNextTurn(&live, angle ? angle : &a, distance ? distance : &d);
        MSG msg;
        while (PeekMessageW(&msg, window, 0, 0, PM_REMOVE))
            Posted.push_back(msg.message);
        return found;
    }
};

}  // namespace

TEST_CASE("normalisation thins clusters and straight runs, and leaves short tracks alone")
{
    NormalizationMetres = 15;
    RecordAngleFilter = 10;
    TRACK track{};
    SUBCASE("three points 2 m apart in one cell: the middle goes (2 + 2 + 4 m is within 15 m)") {
        track.points = Line({{0, 0}, {0, 2}, {0, 4}});
        NormalizeTrack(&track);
        CHECK(track.points.size() == 2);
        CHECK(track.points[1].pos.y == At(0, 4).pos.y);
        CHECK(track.points[0].course == 0.0);
    }
    SUBCASE("another cell in the middle survives the cluster pass, not the straight one") {
        track.points = Line({{0, 0}, {0, 2}, {0, 4}});
        track.points[1].cellId = 7;
        RecordAngleFilter = 0;   // only identical bearings count as straight
        NormalizeTrack(&track);
        CHECK(track.points.size() == 2);
    }
    SUBCASE("ten points due east 100 m apart: only the ends remain") {
        for (int i = 0; i < 10; ++i)
            track.points.push_back(At(100.0 * i, 0));
        NormalizeTrack(&track);
        REQUIRE(track.points.size() == 2);
        CHECK(track.points[1].pos.x == At(900, 0).pos.x);
    }
    SUBCASE("a right-angle corner stays") {
        track.points = Line({{0, 0}, {0, 100}, {0, 200}, {100, 200}, {200, 200}});
        NormalizeTrack(&track);
        CHECK(track.points.size() == 3);
        CHECK(track.points[1].pos.y == At(0, 200).pos.y);
    }
    SUBCASE("a corner of 4.1 m legs goes (14 m within 15 m), one of 4.7 m legs stays (16 m)") {
        track.points = Line({{0, 0}, {0, 4.1}, {4.1, 4.1}});
        NormalizeTrack(&track);
        CHECK(track.points.size() == 2);
        track.points = Line({{0, 0}, {0, 4.7}, {4.7, 4.7}});
        NormalizeTrack(&track);
        CHECK(track.points.size() == 3);
    }
    SUBCASE("no, one or two points are left as they are, courses too") {
        for (size_t n = 0; n <= 2; ++n) {
            track.points = Line({{0, 0}, {0, 1}}) ;
            track.points.resize(n);
            NormalizeTrack(&track);
            CHECK(track.points.size() == n);
            for (const GPS_CURRENT& p : track.points)
                CHECK(p.course == 123.0);
        }
        NormalizeTrack(nullptr);
    }
}

namespace {

// Normalisation as it was first written, erasing each removed point: the
// reference the single walk must match on any track.
template <class Removable>
void ThinByErasing(std::vector<GPS_CURRENT>& p, Removable removable)
{
    for (size_t k = 1; k + 1 < p.size();) {
        p[k - 1].course = p[k].course = p[k + 1].course = 0.0;
        if (removable(p[k - 1], p[k], p[k + 1]))
            p.erase(p.begin() + std::ptrdiff_t(k));
        else
            ++k;
    }
}

void NormalizeByErasing(std::vector<GPS_CURRENT>& p)
{
    if (p.size() < 3)
        return;
    const float km = float(NormalizationMetres) / 1000.0f;
    auto d = [](const GPS_CURRENT& a, const GPS_CURRENT& b) {
        return CalcDistanceKm(float(a.pos.x), float(a.pos.y), float(b.pos.x), float(b.pos.y));
    };
    ThinByErasing(p, [&](const GPS_CURRENT& a, const GPS_CURRENT& b, const GPS_CURRENT& c) {
        return a.cellId == b.cellId && b.cellId == c.cellId && double(km) >= d(a, b) + d(b, c) + d(a, c);
    });
    const float t = float(RecordAngleFilter) * kDegToRad;
    ThinByErasing(p, [&](const GPS_CURRENT& a, const GPS_CURRENT& b, const GPS_CURRENT& c) {
        const float b1 = a.BearingTo(&b), b2 = b.BearingTo(&c), b3 = a.BearingTo(&c);
        return !(std::fabs(b2 - b1) > t) && !(std::fabs(b3 - b2) > t) && !(std::fabs(b3 - b1) > t);
    });
}

// A walk of legs from 0 to 30 m in headings that wander, turn sharply now
// and then, or run due north across the 0/360 seam; points repeat, and the
// cell changes at random.
std::vector<GPS_CURRENT> RandomWalk(unsigned seed, size_t n)
{
    std::srand(seed);
    auto random = [] { return double(std::rand()) / RAND_MAX; };
    std::vector<GPS_CURRENT> points;
    double east = 0, north = 0, heading = random() * 6.283;
    uint32_t cell = 0;
    for (size_t i = 0; i < n; ++i) {
        const double r = random();
        if (r < 0.1)
            heading += (random() - 0.5) * 3.0;
        else if (r < 0.15)
            heading = (random() - 0.5) * 0.01;
        else
            heading += (random() - 0.5) * 0.3;
        const double leg = random() < 0.1 ? 0.0 : random() * 30.0;
        east += leg * std::sin(heading);
        north += leg * std::cos(heading);
        if (random() < 0.05)
            cell = unsigned(random() * 3);
        points.push_back(At(east, north, cell));
        points.back().course = random() * 360.0;
    }
    return points;
}

// The fastest of a few runs of work on a fresh copy of track, in seconds.
double FastestNormalisation(const std::vector<GPS_CURRENT>& track)
{
    double fastest = 1e9;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    for (int run = 0; run < 5; ++run) {
        TRACK copy{};
        copy.points = track;
        QueryPerformanceCounter(&start);
        NormalizeTrack(&copy);
        QueryPerformanceCounter(&end);
        fastest = std::min(fastest, double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart));
    }
    return fastest;
}

}  // namespace

TEST_CASE("normalisation keeps what erasing point by point kept, at a cost that grows with the track")
{
    SUBCASE("random walks with clusters, straight runs and cell changes, at several settings") {
        const unsigned settings[][2] = {{15, 10}, {5, 0}, {100, 45}, {15, 90}};
        for (unsigned seed = 1; seed <= 60; ++seed) {
            CAPTURE(seed);
            NormalizationMetres = settings[seed % 4][0];
            RecordAngleFilter = settings[seed % 4][1];
            std::vector<GPS_CURRENT> expected = RandomWalk(seed, 3 + seed * 7);
            TRACK track{};
            track.points = expected;
            NormalizeByErasing(expected);
            NormalizeTrack(&track);
            REQUIRE(track.points.size() == expected.size());
            for (size_t i = 0; i < expected.size(); ++i) {
                CHECK(track.points[i].pos.x == expected[i].pos.x);
                CHECK(track.points[i].pos.y == expected[i].pos.y);
                CHECK(track.points[i].cellId == expected[i].cellId);
                CHECK(track.points[i].course == expected[i].course);
            }
        }
    }
    SUBCASE("ten times the points on a straight line cost far less than a hundred times the time") {
        NormalizationMetres = 15;
        RecordAngleFilter = 10;
        std::vector<GPS_CURRENT> small, large;
        for (int i = 0; i < 1000; ++i)
            small.push_back(At(0, 20.0 * i));
        for (int i = 0; i < 10000; ++i)
            large.push_back(At(0, 2.0 * i));
        CHECK(FastestNormalisation(large) < 30.0 * FastestNormalisation(small));
    }
}

TEST_CASE("the route step: arrival, advance, standing still and speed marks")
{
    SUBCASE("a one-point route arrives within 15 m, standing: state 0, \"OK\", the window told") {
        Route r(std::vector<GPS_CURRENT>{At(0, 0)});
        r.Fix(0, 20, 0);
        CHECK(RecorderState == kRecorderFollowing);
        r.Fix(0, 10, 0);
        CHECK(RecorderState == kRecorderIdle);
        CHECK(Sounds == std::vector<std::wstring>{L"OK"});
        CHECK(Posted == std::vector<UINT>{WM_ROUTEARRIVED});
    }
    SUBCASE("standing still far out on the last leg never arrives; moving within 10 s of it does") {
        Route r(std::vector<GPS_CURRENT>{At(0, 0), At(0, 1000)});
        RoutePosition = 1;
        r.Fix(0, 500, 0);
        CHECK(RecorderState == kRecorderFollowing);
        CHECK(Sounds.empty());
        r.Fix(0, 960, kKnots);   // 40 m at 5.1 m/s: 7 s
        CHECK(RecorderState == kRecorderIdle);
    }
    SUBCASE("the next point no farther than the current one moves the position on") {
        Route r(Line({{0, 0}, {0, 200}, {0, 400}}));
        r.Fix(0, 120, kKnots);   // 80 m to point 1 (16 s), 120 m back to point 0
        CHECK(RoutePosition == 1);
        r.Fix(0, 130, kKnots);
        CHECK(RoutePosition == 1);
    }
    SUBCASE("standing still on an interior leg: the position stays") {
        Route r(Line({{0, 0}, {0, 200}, {0, 400}}));
        r.Fix(0, 190, 0);
        CHECK(RoutePosition == 0);
    }
    SUBCASE("after Recalculate one advance, then the nearest point when the next is nearer") {
        Route r(Line({{0, 0}, {0, 200}, {0, 400}, {0, 600}, {0, 800}}));
        RouteProgress.recalculate = true;
        r.Fix(300, 600, kKnots);
        CHECK(RoutePosition == 3);
        CHECK_FALSE(RouteProgress.recalculate);
    }
    SUBCASE("leaving a point passed aside: the counter sums km/h up to \"rws\"") {
        Route r(Line({{0, 0}, {0, 1000}, {0, 2000}}));
        RouteOptions.recalculateSeconds = 30;
        r.Fix(100, 100, kKnots);   // remembered
        r.Fix(100, 150, kKnots);   // away from 0, towards 1: 18
        CHECK(RoutePosition == 0);
        CHECK(RouteProgress.advanceCounter == 18);
        r.Fix(100, 200, kKnots);   // 36 > 30
        CHECK(RoutePosition == 1);
    }
    SUBCASE("marks 50, 50, 70 with \"slw\": \"SPD\" for the first 50 and for 70") {
        std::vector<GPS_CURRENT> points = Line({{0, 0}, {0, 200}, {0, 400}, {0, 600}, {0, 800}});
        points[1].mark = points[2].mark = 50;
        points[3].mark = 70;
        Route r(points);
        for (uint32_t i = 1; i <= 3; ++i) {
            RoutePosition = i;
            r.Fix(0, -500, 0);
        }
        CHECK(Sounds == std::vector<std::wstring>{L"SPD", L"SPD"});
        CHECK(HighSpeedLimit == 70);
    }
    SUBCASE("an empty route, a position past it, no fix or another state change nothing") {
        Route r(std::vector<GPS_CURRENT>{});
        r.Fix(0, 0, kKnots);
        r.Follow(Line({{0, 0}}));
        RoutePosition = 5;
        r.Fix(0, 0, kKnots);
        RoutePosition = 0;
        RecorderState = kRecorderRecording;
        r.Fix(0, 0, kKnots);
        CHECK(RecorderState == kRecorderRecording);
        CHECK(Sounds.empty());
    }
}

namespace {

// Seconds for fixes at every third point of the first 900 of a straight
// route of n points 10 m apart, each skipping two points: the fastest of a
// few runs.
double FastestSkippingFixes(size_t n)
{
    std::vector<GPS_CURRENT> points;
    for (size_t i = 0; i < n; ++i)
        points.push_back(At(0, 10.0 * double(i)));
    Route r(points);
    double fastest = 1e9;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    for (int run = 0; run < 3; ++run) {
        r.Follow(points);
        double seconds = 0;
        for (int k = 1; k <= 300; ++k) {
            r.Place(0, 30.0 * k, kKnots);
            QueryPerformanceCounter(&start);
            FollowRoute(&GpsDevice);
            QueryPerformanceCounter(&end);
            seconds += double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
            CHECK(RoutePosition == uint32_t(3 * k));
        }
        fastest = std::min(fastest, seconds);
    }
    return fastest;
}

}  // namespace

TEST_CASE("after a skip the route's nearest point is found without a pass over the whole route")
{
    SUBCASE("the same point as the whole route's nearest, from any start, on walks that cross and repeat") {
        for (unsigned seed = 1; seed <= 40; ++seed) {
            CAPTURE(seed);
            std::vector<GPS_CURRENT> route = RandomWalk(seed, 1 + seed * 25);
            if (seed % 5 == 0)   // a lap run twice: every point has a twin
                route.insert(route.end(), route.begin(), route.end());
            if (seed % 3 == 0)   // across 180 degrees of longitude
                for (GPS_CURRENT& p : route)
                    p.pos.x += p.pos.x + 170.0 > 180.0 ? 170.0 - 360.0 : 170.0;
            const ROUTE_INDEX index = IndexRoute(route);
            std::srand(seed);
            for (int q = 0; q < 50; ++q) {
                const GPS_CURRENT& onRoute = route[size_t(std::rand()) % route.size()];
                GPS_CURRENT at = onRoute;
                if (q % 2)   // beside the route, or (now and then) kilometres away
                    at.pos.x += (std::rand() % 200 - 100) * (q % 5 == 1 ? 50.0 : 1.0) * kMetre;
                const uint32_t start = uint32_t(size_t(std::rand()) % route.size());
                CHECK(NearestRoutePointFrom(route, index, at, start) == NearestRoutePoint(route, at));
            }
        }
    }
    SUBCASE("a route ten times as long costs each skipping fix far less than ten times as much") {
        CHECK(FastestSkippingFixes(90000) < 4.0 * FastestSkippingFixes(9000));
    }
}

TEST_CASE("the turn search: the bend's angle against \"swa\", the look-ahead by unit")
{
    // North 200 m, then a leg of length bent by the given angle to the right.
    auto bent = [](double degrees, double length = 200) {
        const double a = degrees * 3.14159265358979 / 180.0;
        return Line({{0, 0}, {0, 200}, {length * std::sin(a), 200 + length * std::cos(a)}});
    };
    SUBCASE("40 degrees is no turn and disarms; 50 is, armed once with one WM_TIMER 4") {
        Route r(bent(40));
        TurnArmed = true;
        r.Place(0, -50, kKnots);
        CHECK_FALSE(r.Turn());
        CHECK_FALSE(TurnArmed);
        r.Follow(bent(50));
        double angle = 0, distance = 0;
        CHECK(r.Turn(&angle, &distance));
        CHECK(angle == doctest::Approx(50 * 0.017453292).epsilon(0.01));
        CHECK(distance == doctest::Approx(0.25).epsilon(0.01));   // km to the bend
        CHECK(r.Turn());
        CHECK(TurnArmed);
        CHECK(Posted == std::vector<UINT>{WM_TIMER});
    }
    SUBCASE("in nautical miles the small units are feet: 3000 reach a bend 800 m ahead, 2400 do not") {
        Route r(Line({{0, 0}, {0, 750}, {200, 750}}));
        r.Place(0, -50, kKnots);   // the bend is 155 s ahead: the distance decides
        DistanceUnit = 2;
        TurnWarnDistance = 3000;   // 0.494 nmi: 914 m
        double angle = 0, distance = 0;
        CHECK(r.Turn(&angle, &distance));
        CHECK(distance == doctest::Approx(0.8 / 1.852).epsilon(0.01));
        TurnWarnDistance = 2400;   // 731 m
        CHECK_FALSE(r.Turn());
        TurnWarnDistance = 300;
        DistanceUnit = 0;
    }
    SUBCASE("in statute miles 300 small units are inches: the 10 s at speed decide") {
        Route r(bent(90, 20));
        r.Place(0, -50, kKnots);   // 250 m to the bend: within 300 m
        CHECK(r.Turn());
        DistanceUnit = 1;          // 300 in is 7.6 m; the bent leg ends 52 s ahead
        CHECK_FALSE(r.Turn());
        RoutePosition = 1;
        r.Place(0, 180, kKnots);   // the bent leg ends 40 m (7 s) ahead
        CHECK(r.Turn());
    }
}
