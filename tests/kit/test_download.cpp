// The HTTP download against a real server on 127.0.0.1: what reaches the
// target file, and that every failure leaves it (and its folder) as it was.
#include <doctest.h>

#include "support/http_server.h"
#include "support/test_support.h"

#include "kit/download.h"

#include <string>
#include <vector>

using testsupport::FileText;
using testsupport::FolderNames;
using testsupport::HttpReply;
using testsupport::HttpServer;
using testsupport::ReplyShape;
using testsupport::TempDir;

namespace {

using Names = std::vector<std::string>;

using testsupport::Wide;

// More than one read long, and every line tells where it belongs.
std::string LongBody()
{
    std::string body;
    for (int i = 0; body.size() < 25000; ++i)
        body += "line " + std::to_string(i) + "\n";
    return body;
}

struct Fixture {
    HttpServer server;
    TempDir dir;
    std::string target = dir.File("map.png");
    const std::string body = LongBody();
    Fixture()
    {
        REQUIRE(server.Port() != 0);
        REQUIRE(testsupport::WriteWholeFile(target, "old"));
        DownloadLimits = kDefaultDownloadLimits;
    }
    ~Fixture() { DownloadLimits = kDefaultDownloadLimits; }
    bool Fetch(const std::string& path, const HttpReply& reply)
    {
        server.Answer(path, reply);
        return DownloadUrlToFile(nullptr, Wide(target).c_str(), Wide(server.Url(path)).c_str());
    }
};

}  // namespace

TEST_CASE_FIXTURE(Fixture, "a whole 2xx body replaces the target, in any transfer form")
{
    SUBCASE("plain") { CHECK(Fetch("/plain", {200, body})); }
    SUBCASE("chunked") { CHECK(Fetch("/chunked", {200, body, ReplyShape::Chunked})); }
    SUBCASE("gzip-coded: the resource is kept, not its transfer form") {
        CHECK(Fetch("/gzip", {200, body, ReplyShape::Gzip}));
    }
    SUBCASE("slow, within the time-outs") { CHECK(Fetch("/slow", {200, body, ReplyShape::Whole, 1500})); }
    SUBCASE("after a redirect") {
        server.Answer("/plain", {200, body});
        CHECK(Fetch("/moved", {302, "", ReplyShape::Whole, 0, server.Url("/plain")}));
        CHECK(server.Requests().back().line == "GET /plain HTTP/1.1");
    }
    CHECK(FileText(target) == body);
    CHECK(FolderNames(dir.Path()) == Names{"map.png"});
}

TEST_CASE_FIXTURE(Fixture, "a failed download leaves the target and its folder as they were")
{
    SUBCASE("404 and 500 error pages") {
        CHECK_FALSE(Fetch("/missing", {404, "<html>Not here</html>"}));
        CHECK_FALSE(Fetch("/broken", {500, "<html>Server error</html>"}));
    }
    SUBCASE("a body cut off midway") { CHECK_FALSE(Fetch("/cut", {200, body, ReplyShape::CutOff})); }
    SUBCASE("an answer slower than the receive time-out is given up in time") {
        // Waiting for the answer would have taken the whole 8 s and then
        // succeeded: the failure shows the time-out ended it.
        DownloadLimits.receiveMs = 1000;
        const ULONGLONG start = GetTickCount64();
        CHECK_FALSE(Fetch("/late", {200, body, ReplyShape::Whole, 8000}));
        CHECK(GetTickCount64() - start < 8000);
    }
    SUBCASE("an endless body stops at the size limit") {
        DownloadLimits.maxBytes = 1u << 20;
        CHECK_FALSE(Fetch("/endless", {200, "", ReplyShape::Endless}));
    }
    SUBCASE("a redirect loop") {
        CHECK_FALSE(Fetch("/loop", {302, "", ReplyShape::Whole, 0, server.Url("/loop")}));
        CHECK(server.RequestCount() == 11);
    }
    SUBCASE("no server: a closed port on 127.0.0.1") {
        std::string closed;
        {
            HttpServer gone;
            closed = gone.Url("/x");
        }
        CHECK_FALSE(DownloadUrlToFile(nullptr, Wide(target).c_str(), Wide(closed).c_str()));
    }
    SUBCASE("addresses that are not http or https") {
        CHECK_FALSE(DownloadUrlToFile(nullptr, Wide(target).c_str(), L"file:///C:/windows/win.ini"));
        CHECK_FALSE(DownloadUrlToFile(nullptr, Wide(target).c_str(), L""));
        CHECK_FALSE(DownloadUrlToFile(nullptr, Wide(target).c_str(), nullptr));
    }
    SUBCASE("a target that cannot be written: a folder in the way, a missing folder") {
        server.Answer("/plain", {200, body});
        REQUIRE(CreateDirectoryA(dir.File("taken").c_str(), nullptr));
        CHECK_FALSE(DownloadUrlToFile(nullptr, Wide(dir.File("taken")).c_str(), Wide(server.Url("/plain")).c_str()));
        CHECK_FALSE(
            DownloadUrlToFile(nullptr, Wide(dir.File("no\\map.png")).c_str(), Wide(server.Url("/plain")).c_str()));
        CHECK(FolderNames(dir.Path()) == Names{"map.png", "taken"});
        return;
    }
    CHECK(FileText(target) == "old");
    CHECK(FolderNames(dir.Path()) == Names{"map.png"});
}

TEST_CASE_FIXTURE(Fixture, "without a target the body is dropped; an empty body removes the target")
{
    server.Answer("/body", {200, "ok"});
    CHECK(DownloadUrlToFile(nullptr, nullptr, Wide(server.Url("/body")).c_str()));
    CHECK_FALSE(DownloadUrlToFile(nullptr, nullptr, Wide(server.Url("/nothing")).c_str()));
    CHECK(server.RequestCount() == 2);
    CHECK(FileText(target) == "old");
    CHECK(Fetch("/empty", {200, ""}));
    CHECK(FolderNames(dir.Path()).empty());
}
