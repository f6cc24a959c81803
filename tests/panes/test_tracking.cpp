// Position reporting: the report address made from the template, and the
// tick against a server of the test's own on 127.0.0.1.
#include <doctest.h>

#include "support/http_server.h"

#include "gps/gps.h"
#include "panes/tracking.h"

#include <string>

using testsupport::HttpServer;

namespace {

void SetLive(int fix, double x, double y, double z)
{
    LiveRecordGuard live(&GpsDevice);
    live->fix = fix;
    live->pos.x = x;
    live->pos.y = y;
    live->pos.z = z;
}

}  // namespace

TEST_CASE("the report address takes the first of each placeholder")
{
    SUBCASE("all three, in any order; -0.5 is -0.500000") {
        CHECK(FormatTrackingUrl("http://h/t?z=%3&y=%2&x=%1", -0.5, 49.274167, 545.4) ==
              "http://h/t?z=545.400000&y=49.274167&x=-0.500000");
    }
    SUBCASE("a second %1 stays, a missing one is skipped, none leaves the text alone") {
        CHECK(FormatTrackingUrl("http://h/?a=%1&b=%1&c=%3", 1, 2, 3) == "http://h/?a=1.000000&b=%1&c=3.000000");
        CHECK(FormatTrackingUrl("http://h/fixed", 1, 2, 3) == "http://h/fixed");
        CHECK(FormatTrackingUrl(nullptr, 1, 2, 3).empty());
    }
    SUBCASE("huge values and long templates never overrun; a report too long is not made") {
        std::string repeated = "http://h/?";
        while (repeated.size() < 1000)
            repeated += "%1";
        const std::string url = FormatTrackingUrl(repeated.c_str(), 1e300, -1e300, 1e308);
        CHECK(url.size() == repeated.size() - 2 + 301 + 7);
        CHECK(url.rfind("http://h/?1000000000", 0) == 0);
        // With three numbers of 300 digits the address passes the limit.
        const std::string three = "http://h/?" + std::string(1400, 'a') + "%1%2%3";
        CHECK(FormatTrackingUrl(three.c_str(), 1e300, 1e300, 1e300).empty());
        CHECK(FormatTrackingUrl(std::string(kMaxTrackingUrlBytes + 1, 'a').c_str(), 0, 0, 0).empty());
        CHECK(FormatTrackingUrl(std::string(kMaxTrackingUrlBytes, 'a').c_str(), 0, 0, 0).size() ==
              kMaxTrackingUrlBytes);
    }
}

TEST_CASE("a tick reports the live position only with a fix")
{
    HttpServer server;
    REQUIRE(server.Port() != 0);
    const std::string url = server.Url("/t?lon=%1&lat=%2&alt=%3&again=%1");
    SUBCASE("with a fix: one request carrying the position") {
        SetLive(1, -0.5, 49.274167, 545.0);
        InternetTrackingTick(nullptr, url.c_str());
        InternetTrackingTick(nullptr, url.c_str());
        const auto seen = server.Requests();
        REQUIRE(seen.size() == 2);
        CHECK(seen[0].line == "GET /t?lon=-0.500000&lat=49.274167&alt=545.000000&again=%1 HTTP/1.1");
        CHECK(seen[1].line == seen[0].line);
    }
    SUBCASE("without a fix, or with an address that is no web address: nothing") {
        SetLive(0, -0.5, 49.274167, 545.0);
        InternetTrackingTick(nullptr, url.c_str());
        SetLive(1, -0.5, 49.274167, 545.0);
        InternetTrackingTick(nullptr, "");
        InternetTrackingTick(nullptr, "ftp://127.0.0.1/%1");
        CHECK(server.RequestCount() == 0);
    }
    SUBCASE("an error answer or no server at all is not retried") {
        SetLive(1, 1, 2, 3);
        InternetTrackingTick(nullptr, server.Url("/missing").c_str());
        CHECK(server.RequestCount() == 1);
        std::string closed;
        {
            HttpServer gone;
            closed = gone.Url("/t?%1");
        }
        InternetTrackingTick(nullptr, closed.c_str());
    }
    SetLive(0, 0, 0, 0);
}
