// Readers the XML tests share: a parsed tree the test owns, an element's
// name and an attribute's value as plain text.
#pragma once
#include "xml/xml.h"

#include <memory>
#include <string>

namespace xmltest {

inline std::unique_ptr<XMLElement> Parse(const char* text)
{
    return std::unique_ptr<XMLElement>(XmlParse(nullptr, text, nullptr));
}

inline std::string Name(const XMLElement* e)
{
    std::string s(size_t(e->GetName(nullptr, 1)) + 10, '\0');
    s.resize(size_t(e->GetName(s.data(), 0)));
    return s;
}
inline std::string Name(const XMLElement& e) { return Name(&e); }

// The attribute's value unescaped, or "<none>" when the element lacks it.
inline std::string Attr(XMLElement* e, const char* name)
{
    const XMLAttribute* a = e->FindAttribute(name, 0, nullptr);
    if (!a)
        return "<none>";
    std::string s(size_t(a->GetValue(nullptr, 1)) + 10, '\0');
    s.resize(size_t(a->GetValue(s.data(), 0)));
    return s;
}
inline std::string Attr(XMLElement& e, const char* name) { return Attr(&e, name); }

}  // namespace xmltest
