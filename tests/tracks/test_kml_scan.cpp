// The KML import's scan against the whole tree it replaces: for generated
// KML-ish texts (nested placemarks, comments and CDATA holding tags,
// processing instructions, unclosed and nameless tags, nesting at the depth
// cap, other roots, texts cut or damaged at random) and the program's own
// KML, the scan must find exactly what a parse of the whole document gives.
#include "tracks/kml_scan.h"

#include "support/test_support.h"
#include "tracks/tracks_internal.h"
#include "xml/xml.h"

#include <doctest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace exchangeimpl;
using namespace tracksimpl;

namespace {

constexpr char kPlacemark[] = "Placemark";

std::string Written(XMLElement* element)
{
    std::string text;
    const int done = XmlWriteElementToText(element, 0, 1, 1, &text);
    return std::to_string(done) + text;
}

// The import's reading before the scan, kept as the reference: the whole
// tree, its root, and every Placemark below the root.
void CheckSameAsWholeTree(const std::string& text, int* parsedWithPlacemarks, int* failed)
{
    CAPTURE(text.substr(0, 300));
    XMLDocument doc;
    doc.LoadFromText(text.c_str());
    const bool parsed = doc.GetParseStatus(nullptr) < XML_STATUS_NO_ELEMENT_END;

    std::vector<char> copy(text.begin(), text.end());
    copy.push_back(0);
    const ELEMENT_SCAN scan = ScanElements(copy.data(), kPlacemark);
    REQUIRE(scan.parsed == parsed);
    if (!parsed) {
        CHECK(scan.matches.empty());
        ++*failed;
        return;
    }
    XMLElement* root = doc.GetRoot();
    CHECK(IsElementNamed(root, "kml") == (scan.root == "kml"));
    CHECK(IsElementNamed(root, "loc") == (scan.root == "loc"));
    const std::vector<XMLElement*> whole = DescendantsNamed(root, kPlacemark);
    REQUIRE(scan.matches.size() == whole.size());
    for (size_t i = 0; i < whole.size(); ++i)
        CHECK(Written(ParseSpan(copy.data(), scan.matches[i]).get()) == Written(whole[i]));
    CHECK(std::string(copy.data()) == text);
    *parsedWithPlacemarks += whole.size() > 0;
}

// KML-ish text from a fixed pseudo-random sequence.
struct Generator {
    uint64_t state = 0x2545F4914F6CDD1Dull;

    size_t Next(size_t n)
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return size_t(state % n);
    }
    template <size_t N>
    const char* Pick(const char* const (&choices)[N])
    {
        return choices[Next(N)];
    }

    void Element(std::string& out, int depth)
    {
        static const char* const names[] = {"kml", "Placemark", "Placemark", "Placemark", "placemark",
                                            "PLACEMARK", "Placemarks", "Place&#109;ark", "Folder", "Document",
                                            "name", "Point", "coordinates", "LineString", "loc"};
        static const char* const attributes[] = {"", "", " id=\"1\"", " a=\"x>y\"", " c=\"/\"", " d='/'",
                                                 "\nid=\"2\"", "\tb=\"<\""};
        const char* name = depth == 0 && Next(4) ? Pick({"kml", "kml", "loc", "gpx", "k&#109;l"}) : Pick(names);
        out += std::string("<") + name + Pick(attributes);
        if (Next(depth == 0 ? 10 : 5) == 0) {
            out += "/>";
            return;
        }
        out += ">";
        for (size_t n = depth < 2 ? 1 + Next(3) : depth < 5 ? Next(3) : 0; n > 0; --n)
            Content(out, depth + 1);
        out += Next(8) ? std::string("</") + name + ">" : "</x>";
    }

    void Content(std::string& out, int depth)
    {
        static const char* const pieces[] = {
            " 1,2,3 4,5,6 ", "a &amp; b", "\r\n\t", "<!-- <Placemark> </kml> -->", "<!---->", "<!-->-->",
            "<?pi <Placemark> ?>", "<![CDATA[<Placemark></Placemark>]]>", "</stray>",
        };
        static const char* const rare[] = {"< />", "<!DOCTYPE kml>", "<<!--x>", "<>", "<Placemark"};
        const size_t what = Next(100);
        if (what < 70)
            Element(out, depth);
        else if (what < 99)
            out += Pick(pieces);
        else
            out += Pick(rare);
    }

    std::string Document()
    {
        static const char* const prefixes[] = {"", "<?xml version=\"1.0\"?>", "\xEF\xBB\xBF<?xml?>\n",
                                               "<?xml unclosed", " \r\n<?xml version='1.0'?><!-- c -->"};
        std::string out = Pick(prefixes);
        for (size_t n = 1 + Next(3); n > 0; --n)
            Next(3) ? Element(out, 0) : Content(out, 0);
        for (size_t n = Next(4) == 0 ? 1 + Next(3) : 0; n > 0 && !out.empty(); --n) {
            static const char* const inserts[] = {"<", ">", "/", "</a>", "<b>", "-->", "]]>"};
            const size_t at = Next(out.size());
            switch (Next(3)) {
            case 0:
                out.resize(at);
                break;
            case 1:
                out.insert(at, Pick(inserts));
                break;
            default:
                out.erase(at, 1);
                break;
            }
        }
        return out;
    }
};

std::string Nested(size_t levels)
{
    std::string text = "<?xml?><kml>";
    for (size_t i = 0; i < levels; ++i)
        text += "<Folder>";
    text += "<Placemark><name>deep</name><Point><coordinates>1,2</coordinates></Point></Placemark>";
    for (size_t i = 0; i < levels; ++i)
        text += "</Folder>";
    return text + "</kml>";
}

}  // namespace

TEST_CASE("the KML scan finds what the whole tree holds")
{
    int parsedWithPlacemarks = 0;
    int failed = 0;
    SUBCASE("generated texts") {
        Generator g;
        for (int i = 0; i < 400; ++i)
            CheckSameAsWholeTree(g.Document(), &parsedWithPlacemarks, &failed);
        // The generator reaches both sides of every rule.
        CHECK(parsedWithPlacemarks > 100);
        CHECK(failed > 40);
    }
    SUBCASE("nesting at the depth cap, empty text, other roots") {
        // The coordinates stand levels + 3 deep: 997 levels is the first too deep.
        for (size_t levels = kXmlMaxDepth - 5; levels <= size_t(kXmlMaxDepth - 2); ++levels)
            CheckSameAsWholeTree(Nested(levels), &parsedWithPlacemarks, &failed);
        CHECK(failed == 2);
        for (const char* text : {
                 "", "text only", "<kml/><kml><Placemark/></kml>", "<a><Placemark/></a><kml/>",
                 "<kml><Placemark/></kml><gpx/>", "<Placemark><Placemark/></Placemark>",
                 "<?xml?><kml><Document><Placemark>\n<name>\n  <![CDATA[GC1 <Cache>]]>\n</name><Point>"
                 "<coordinates><![CDATA[8.5,47.25,400]]></coordinates></Point></Placemark></Document></kml>",
                 "<?xml?><!DOCTYPE kml [<!ENTITY a \"aaaaaaaa\">]><kml><Placemark/></kml>"})
            CheckSameAsWholeTree(text, &parsedWithPlacemarks, &failed);
    }
    SUBCASE("the program's own KML template") {
        const std::string text = testsupport::FileBytes(testsupport::SourceDir() + "\\resources\\pathxml.kml");
        REQUIRE(text.find("<Placemark>") != std::string::npos);
        CheckSameAsWholeTree(text, &parsedWithPlacemarks, &failed);
        CHECK(parsedWithPlacemarks == 1);
    }
}
