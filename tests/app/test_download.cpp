// The HTTP download against a real server on 127.0.0.1: what reaches the
// target file, and that every failure leaves it (and its folder) as it was.
#include <doctest.h>

#include "support/http_server.h"
#include "support/test_support.h"

#include "app/download.h"

#include <windows.h>

#include <string>
#include <vector>

using testsupport::HttpReply;
using testsupport::HttpServer;
using testsupport::ReplyShape;
using testsupport::TempDir;

namespace {

std::wstring Wide(const std::string& s)
{
    return std::wstring(s.begin(), s.end());
}

std::vector<std::string> Listing(const TempDir& dir)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(dir.File("*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string n = fd.cFileName;
        if (n != "." && n != "..")
            names.push_back(n);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}

std::string Contents(const std::string& path)
{
    std::string text;
    return testsupport::ReadFile(path, &text) ? text : "<missing>";
}

void Write(const std::string& path, const std::string& text)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    REQUIRE(f);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

// A body that is more than one read long and shows where a piece went.
std::string LongBody()
{
    std::string body;
    for (int i = 0; body.size() < 25000; ++i)
        body += "line " + std::to_string(i) + "\n";
    return body;
}

struct Limits {
    Limits() { DownloadLimits = kDefaultDownloadLimits; }
    ~Limits() { DownloadLimits = kDefaultDownloadLimits; }
};

}  // namespace

TEST_CASE("a whole 2xx body replaces the target, in any transfer form")
{
    HttpServer server;
    REQUIRE(server.Port() != 0);
    TempDir dir;
    const std::string target = dir.File("map.png");
    Write(target, "old map");
    const std::string body = LongBody();
    auto fetch = [&](const std::string& path, const HttpReply& reply) {
        server.Answer(path, reply);
        return DownloadUrlToFile(nullptr, Wide(target).c_str(), Wide(server.Url(path)).c_str());
    };

    SUBCASE("plain, with its length") {
        CHECK(fetch("/plain", {200, body}));
    }
    SUBCASE("chunked") {
        CHECK(fetch("/chunked", {200, body, ReplyShape::Chunked}));
    }
    SUBCASE("gzip-coded: the resource is kept, not its transfer form") {
        CHECK(fetch("/gzip", {200, body, ReplyShape::Gzip}));
    }
    SUBCASE("slow, but within the time-outs") {
        CHECK(fetch("/slow", {200, body, ReplyShape::Whole, 1500}));
    }
    SUBCASE("after one redirect") {
        server.Answer("/moved", {302, "", ReplyShape::Whole, 0, server.Url("/plain")});
        CHECK(fetch("/plain", {200, body}));
        CHECK(DownloadUrlToFile(nullptr, Wide(target).c_str(), Wide(server.Url("/moved")).c_str()));
    }
    CHECK(Contents(target) == body);
    CHECK(Listing(dir) == std::vector<std::string>{"map.png"});
    CHECK(server.Requests().back().line.rfind("GET /", 0) == 0);
}

TEST_CASE("a failed download leaves the target and its folder as they were")
{
    HttpServer server;
    REQUIRE(server.Port() != 0);
    Limits limits;
    TempDir dir;
    const std::string target = dir.File("r.xml");
    Write(target, "old answer");
    const std::string body = LongBody();
    auto fetch = [&](const std::string& path, const HttpReply& reply) {
        server.Answer(path, reply);
        return DownloadUrlToFile(nullptr, Wide(target).c_str(), Wide(server.Url(path)).c_str());
    };

    SUBCASE("404 and 500 error pages") {
        CHECK_FALSE(fetch("/missing", {404, "<html>Not here</html>"}));
        CHECK_FALSE(fetch("/broken", {500, "<html>Server error</html>"}));
    }
    SUBCASE("a body cut off midway") {
        CHECK_FALSE(fetch("/cut", {200, body, ReplyShape::CutOff}));
    }
    SUBCASE("an answer slower than the receive time-out, given up in time") {
        DownloadLimits.receiveMs = 1000;
        const ULONGLONG start = GetTickCount64();
        CHECK_FALSE(fetch("/late", {200, body, ReplyShape::Whole, 8000}));
        CHECK(GetTickCount64() - start < 6000);
    }
    SUBCASE("an endless body stops at the size limit") {
        DownloadLimits.maxBytes = 1u << 20;
        CHECK_FALSE(fetch("/endless", {200, "", ReplyShape::Endless}));
    }
    SUBCASE("a redirect loop") {
        CHECK_FALSE(fetch("/loop", {302, "", ReplyShape::Whole, 0, server.Url("/loop")}));
    }
    SUBCASE("no server: a closed port on 127.0.0.1") {
        std::string closed;
        {
            HttpServer gone;
            closed = gone.Url("/x");
        }
        CHECK_FALSE(DownloadUrlToFile(nullptr, Wide(target).c_str(), Wide(closed).c_str()));
    }
    SUBCASE("addresses that are not http or https are not fetched") {
        CHECK_FALSE(DownloadUrlToFile(nullptr, Wide(target).c_str(), L"file:///C:/windows/win.ini"));
        CHECK_FALSE(DownloadUrlToFile(nullptr, Wide(target).c_str(), L""));
        CHECK_FALSE(DownloadUrlToFile(nullptr, Wide(target).c_str(), nullptr));
    }
    CHECK(Contents(target) == "old answer");
    CHECK(Listing(dir) == std::vector<std::string>{"r.xml"});
}

TEST_CASE("no target, an empty body and a target that cannot be written")
{
    HttpServer server;
    REQUIRE(server.Port() != 0);
    TempDir dir;
    server.Answer("/body", {200, "ok"});
    server.Answer("/empty", {200, ""});

    SUBCASE("without a target the body is read and dropped; the result still tells") {
        CHECK(DownloadUrlToFile(nullptr, nullptr, Wide(server.Url("/body")).c_str()));
        CHECK_FALSE(DownloadUrlToFile(nullptr, nullptr, Wide(server.Url("/nothing")).c_str()));
        CHECK(server.RequestCount() == 2);
        CHECK(Listing(dir).empty());
    }
    SUBCASE("an empty body removes the target and succeeds") {
        Write(dir.File("map.png"), "old map");
        CHECK(DownloadUrlToFile(nullptr, Wide(dir.File("map.png")).c_str(), Wide(server.Url("/empty")).c_str()));
        CHECK(Listing(dir).empty());
    }
    SUBCASE("a folder in the way or a missing folder: false, nothing left behind") {
        REQUIRE(CreateDirectoryA(dir.File("taken").c_str(), nullptr));
        CHECK_FALSE(DownloadUrlToFile(nullptr, Wide(dir.File("taken")).c_str(), Wide(server.Url("/body")).c_str()));
        CHECK_FALSE(
            DownloadUrlToFile(nullptr, Wide(dir.File("no\\such.png")).c_str(), Wide(server.Url("/body")).c_str()));
        CHECK(Listing(dir) == std::vector<std::string>{"taken"});
    }
}
