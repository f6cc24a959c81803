// tracks/tracks_internal.h - helpers shared by the files of the tracks library.
#pragma once
#include <cmath>
#include <cstdio>
#include <string>

class XMLElement;

namespace tracksimpl {

// One double printed with format ("%f", "%.2f"), sized to fit: 1e300 keeps
// all of its digits. A value that is not finite is written as 0, so the
// file holds a number that every reader takes back.
inline std::string FormatNumber(const char* format, double value)
{
    if (!std::isfinite(value))
        value = 0.0;
    const int length = std::snprintf(nullptr, 0, format, value);
    if (length <= 0)
        return "0";
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, value);
    text.resize(static_cast<size_t>(length));
    return text;
}

// The unescaped value of attribute name, or "" when it is missing. The
// element's attributes are not changed.
std::string AttributeText(const XMLElement* element, const char* name);

// A new element tag with attribute "n" = name (null is ""), appended as the
// last child of parent; null without a parent. Track and category elements.
XMLElement* AppendNamedElement(XMLElement* parent, const char* tag, const char* name);

}  // namespace tracksimpl
