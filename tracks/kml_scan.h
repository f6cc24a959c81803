// tracks/kml_scan.h - the placemarks of a KML text, found without building
// its tree.
//
// A file of millions of placemarks makes a tree ten times its size, of
// which the import reads one placemark. The scan walks the text's markup
// once with the XML library's tokenizer (XmlNextTag) and keeps only where
// each element sought stands; the chosen one is then parsed alone. What it
// finds is what the whole tree gives: the same root (the last top-level
// element with content, else the first empty one), the same failures (a
// start tag without a proper name, an element left open, nesting deeper
// than kXmlMaxDepth) and the same elements in the same order.
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class XMLElement;

namespace exchangeimpl {

// Where an element stands in a text: from its '<' to just past its end.
struct TEXT_SPAN {
    size_t begin;
    size_t end;
};

struct ELEMENT_SCAN {
    bool parsed = false;             // false: XmlParse sets XML_STATUS_NO_ELEMENT_END
    std::string root;                // the root's unescaped name up to any NUL; "" without one
    std::vector<TEXT_SPAN> matches;  // see ScanElements
};

// The NUL-terminated text as XMLDocument::Load reads it (a declaration is
// markup like any other here), and the descendants of its root whose
// unescaped name matches name as DescendantsNamed matches it, in the
// order it gives them: each after its own descendants. Nothing found
// when the text does not parse.
ELEMENT_SCAN ScanElements(const char* text, const char* name);

// The element that stands at span in text, parsed alone: the same tree as
// in the whole document. text must be writable; it is as it was on return.
std::unique_ptr<XMLElement> ParseSpan(char* text, const TEXT_SPAN& span);

}  // namespace exchangeimpl
