// Tests of descendant queries and the wildcard match behind them.
#include <windows.h>

#include <doctest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "xml/xml.h"
#include "xml_test_util.h"

using namespace xmltest;

namespace {

// The names of the elements a query returns, joined by blanks; the results
// array is sized the way callers are told to size it.
std::string Run(XMLElement* e, const char* expression, int depth = -1)
{
    std::vector<XMLElement*> results(size_t(e->CountDescendants(depth)) + 1, nullptr);
    const int n = e->Query(expression, results.data(), depth);
    CHECK(n == e->Query(expression, nullptr, depth));   // counting alone agrees
    std::string names;
    for (int i = 0; i < n; ++i)
        names += (i ? " " : "") + Name(results[size_t(i)]);
    return names;
}

using InFolder = testsupport::CurrentDir;

}  // namespace

TEST_CASE("wildcard match: 1 match, 0 mismatch, -1 text ended first")
{
    CHECK(XmlWildcardMatch("abc", "a*c", 1) == 1);
    CHECK(XmlWildcardMatch("ab", "abc", 1) == -1);
    CHECK(XmlWildcardMatch("abd", "abc", 1) == 0);
    CHECK(XmlWildcardMatch("ABC", "abc", 1) == 0);
    CHECK(XmlWildcardMatch("ABC", "abc", 0) == 1);
    CHECK(XmlWildcardMatch("abc", "ab", 1) == 0);      // pattern ended, text did not
    CHECK(XmlWildcardMatch("abc", "a?c", 1) == 1);
    CHECK(XmlWildcardMatch("ac", "a?c", 1) == -1);     // '?' takes the c; the text ends before the pattern's c
    CHECK(XmlWildcardMatch("", "", 1) == 1);
    CHECK(XmlWildcardMatch("", "*", 1) == 1);
    CHECK(XmlWildcardMatch("anything", "*", 1) == 1);

    SUBCASE("after an asterisk case never matters") {
        CHECK(XmlWildcardMatch("ABxYZ", "AB*yz", 1) == 1);
        CHECK(XmlWildcardMatch("abXyz", "AB*yz", 1) == 0);   // before it, exact rules
    }
    SUBCASE("the first try that is not a mismatch decides") {
        CHECK(XmlWildcardMatch("xaby", "*ab", 1) == -1);      // "ab" at 1 leaves "y": 0; the end: -1
        CHECK(XmlWildcardMatch("xab", "*ab", 1) == 1);
        CHECK(XmlWildcardMatch("ab", "*abc", 1) == -1);
        CHECK(XmlWildcardMatch("a1b2c3", "*b*c?", 1) == 1);
        CHECK(XmlWildcardMatch("abc", "**c", 1) == 1);
    }
    SUBCASE("long texts against many asterisks stay quick") {
        const std::string text(200000, 'a');
        const std::string pattern = "*a*a*a*a*a*a*a*a*a*b";
        CHECK(XmlWildcardMatch(text.c_str(), pattern.c_str(), 0) == -1);
    }
    SUBCASE("null texts read as empty") {
        CHECK(XmlWildcardMatch(nullptr, nullptr, 1) == 1);
        CHECK(XmlWildcardMatch(nullptr, "a", 1) == -1);
    }
    SUBCASE("the mask form") {
        CHECK(XmlMatchMask("", "*", 1));
        CHECK(XmlMatchMask("abc", "A*", 0));
        CHECK_FALSE(XmlMatchMask("ab", "abc", 0));   // -1 is no match
    }
}

TEST_CASE("query conditions")
{
    SUBCASE("quoted operands are patterns without regard to case") {
        CHECK(XmlQueryCompare("w", "==", "\"W\""));
        CHECK_FALSE(XmlQueryCompare("w", "!=", "\"W\""));
        CHECK(XmlQueryCompare("", "==", "\"*\""));
        CHECK(XmlQueryCompare("abc", "<", "\"x\""));   // other operators hold
    }
    SUBCASE("unquoted operands are numbers") {
        CHECK(XmlQueryCompare("10", ">=", "10"));
        CHECK_FALSE(XmlQueryCompare("9", ">=", "10"));
        CHECK(XmlQueryCompare("0", "==", "0"));
        CHECK(XmlQueryCompare("-5", "<", "0"));
        CHECK(XmlQueryCompare("12abc", "==", "12"));
        CHECK_FALSE(XmlQueryCompare("abc", "==", "0"));   // reads as 0 without being "0"
        CHECK_FALSE(XmlQueryCompare("", "<=", "5"));
        CHECK_FALSE(XmlQueryCompare("5", "==", "abc"));
        CHECK(XmlQueryCompare("99999999999", "==", "2147483647"));   // both saturate
        CHECK(XmlQueryCompare("5", "~", "7"));                         // unknown operator holds
    }
}

TEST_CASE("descendants are collected in post-order")
{
    auto root = Parse("<r><a><a1/><a2><x/></a2></a><b/></r>");

    SUBCASE("the empty expression returns every descendant, deepest first") {
        CHECK(Run(root.get(), "") == "a1 x a2 a b");
        CHECK(root->CountDescendants(-1) == 5);
    }
    SUBCASE("a depth limits the levels") {
        CHECK(Run(root.get(), "", 1) == "a b");
        CHECK(Run(root.get(), "", 2) == "a1 a2 a b");
        CHECK(Run(root.get(), "", 0) == "");
        CHECK(root->CountDescendants(0) == 2);
        CHECK(root->CountDescendants(1) == 4);   // one level more than collected
    }
    SUBCASE("an unloaded child is counted but not collected") {
        testsupport::TempDir dir;
        InFolder here(dir.Path());
        REQUIRE(root->GetChild(0)->UnloadChild(1) == 1);   // a2 with its x
        CHECK(root->CountDescendants(-1) == 4);
        CHECK(Run(root.get(), "") == "a1 a b");
        CHECK(root->GetChild(0)->ReloadChild(1) == 1);
    }
}

TEST_CASE("queries by name, attribute, text and full name")
{
    auto wpt = Parse("<waypoints><w n=\"Abby\" x=\"10\"/><c n=\"cat\"><w n=\"abc\" x=\"9\"/><w x=\"abc\"/></c>"
                     "<t n=\"Trip 1\"/><t n=\"trek\"/><w n=\"xab\"><note>ab cd</note></w></waypoints>");

    SUBCASE("a name condition finds elements at any depth, not their containers") {
        CHECK(Run(wpt.get(), "? == \"w\"") == "w w w w");
        CHECK(Run(wpt.get(), "? == \"W\"") == "w w w w");
        CHECK(Run(wpt.get(), "? != \"w\"") == "c t t note");
    }
    SUBCASE("a quoted asterisk matches everything, an empty name too") {
        XMLElement* blank = new XMLElement(nullptr, "", XML_KIND_NAME);
        wpt->AppendChild(blank);
        CHECK(Run(wpt.get(), "? == \"*\"") == "w w w c t t note w ");
    }
    SUBCASE("attribute patterns ignore case; a missing attribute is empty") {
        CHECK(Run(wpt.get(), "n == \"ab*\"") == "w w");   // n="Abby" and n="abc"
        CHECK(Run(wpt.get(), "? == \"w\" n == \"AB*\"") == "w w");
        CHECK(Run(wpt.get(), "n != \"ab*\"") == "w c t t note w");
    }
    SUBCASE("numeric conditions need numbers on both sides") {
        CHECK(Run(wpt.get(), "x >= 10") == "w");
        CHECK(Run(wpt.get(), "x < 10") == "w");
        CHECK(Run(wpt.get(), "x >= abc") == "");
    }
    SUBCASE("conditions are joined by AND") {
        CHECK(Run(wpt.get(), "? == \"t\" n == \"Trip*\"") == "t");
        CHECK(Run(wpt.get(), "? == \"w\" x >= 0") == "w w");
    }
    SUBCASE("a quoted operand may hold blanks") {
        CHECK(Run(wpt.get(), "n == \"trip 1\"") == "t");
        CHECK(Run(wpt.get(), "~0 == \"ab cd\"") == "note");
        CHECK(Run(wpt.get(), "~1 == \"*\"") == Run(wpt.get(), ""));   // a missing node gives ""
    }
    SUBCASE("the full name is the path from below the root") {
        CHECK(Run(wpt.get(), "! == \"c\\w\"") == "w w");
        CHECK(Run(wpt.get(), "! == \"w\\*\"") == "note");
    }
    SUBCASE("reading stops where an operator has no blank after it") {
        CHECK(Run(wpt.get(), "? ==") == Run(wpt.get(), ""));
        CHECK(Run(wpt.get(), "? == \"t\" n ==") == "t t");   // the second condition never starts
        CHECK(Run(wpt.get(), "?") == Run(wpt.get(), ""));
    }
    SUBCASE("FindAndQuery starts at a path below the root") {
        XMLDocument doc;
        doc.SetRoot(Parse("<root><data><a/><b/></data></root>").release());
        std::vector<XMLElement*> results(10, nullptr);
        CHECK(doc.FindAndQuery("data", "", results.data(), -1) == 2);
        CHECK(doc.FindAndQuery("nothing", "", results.data(), -1) == 0);
        XMLDocument empty;   // no root at all
        CHECK(empty.FindAndQuery("", "", results.data(), -1) == 0);
    }
}

TEST_CASE("query values longer than any fixed buffer are taken whole")
{
    // Names, values and operands far past 100, 300, 1000 and 5000 bytes.
    const std::string longName(1500, 'n');
    const std::string longValue = std::string(3000, 'v') + "END";
    const std::string longAttr(700, 'k');

    XMLElement root(nullptr, "<kml>");
    XMLElement* at = &root;
    for (int i = 0; i < 6; ++i) {   // a full name of over 9000 bytes
        XMLElement* e = new XMLElement(nullptr, "", XML_KIND_TAG);
        e->SetName(longName.c_str());
        at->AppendChild(e);
        at = e;
    }
    at->AddAttribute(longAttr.c_str(), longValue.c_str());
    at->AddTextNode(longValue.c_str(), 0);

    CHECK(root.Query(("? == \"" + longName + "\"").c_str(), nullptr, -1) == 6);
    CHECK(root.Query((longAttr + " == \"*END\"").c_str(), nullptr, -1) == 1);
    CHECK(root.Query((longAttr + " == \"" + longValue + "\"").c_str(), nullptr, -1) == 1);
    CHECK(root.Query((longAttr + " == \"" + longValue + "X\"").c_str(), nullptr, -1) == 0);
    CHECK(root.Query("~0 == \"v*END\"", nullptr, -1) == 1);
    std::string full;
    for (int i = 0; i < 6; ++i)
        full += (i ? "\\" : "") + longName;
    CHECK(root.Query(("! == \"" + full + "\"").c_str(), nullptr, -1) == 1);
    CHECK(root.Query(("! == \"" + full.substr(0, full.size() - 1) + "\"").c_str(), nullptr, -1) == 0);
}

TEST_CASE("deep trees are walked without recursion")
{
    XMLElement root(nullptr, "<r>");
    XMLElement* at = &root;
    for (int i = 0; i < 100000; ++i) {
        XMLElement* e = new XMLElement(nullptr, "<d>");
        at->AppendChild(e);
        at = e;
    }
    CHECK(root.CountDescendants(-1) == 100000);
    CHECK(root.Query("? == \"d\"", nullptr, -1) == 100000);
    std::vector<XMLElement*> all(100001, nullptr);
    CHECK(root.CollectDescendants(all.data(), -1) == 100000);
    CHECK(all[0] == at);   // the deepest comes first
    CHECK(all[99999] == root.GetChild(0));

    // Taken apart from the top: deleting the chain whole would recurse.
    XMLElement* next = nullptr;
    root.DetachChild(0, &next);
    while (next) {
        XMLElement* e = next;
        e->DetachChild(0, &next);
        delete e;
    }
}
