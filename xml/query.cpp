// xml/query.cpp - queries over an element's descendants and the wildcard
// match behind their string conditions.
//
// Names, values and texts come from files of any origin (a KML file from
// anywhere runs through here), so every value is taken whole into a string
// of its own size; nothing is cut to a fixed buffer. The walks keep their
// own stacks, so the depth of a tree cannot exhaust the program's.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "xml/xml.h"
#include "xml/xml_internal.h"

namespace {

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool SameByte(char p, char t, bool exact)
{
    return exact ? p == t : Upper(p) == Upper(t);
}

// Reads a decimal integer the way atol does (leading white space, optional
// sign, digits up to the first other byte), saturated to 32 bits.
long ReadInt32(const char* text)
{
    return long(xmlimpl::ReadSaturated(text, INT_MIN, INT_MAX));
}

// A text that reads as 0 without starting with the digit 0 is no number.
bool IsNumber(const char* text)
{
    return ReadInt32(text) != 0 || text[0] == '0';
}

struct Condition {
    std::string selector;
    std::string op;
    std::string operand;
};

// Splits an expression into conditions of three blank-ended parts. An
// operand in double quotes runs to the closing quote and may hold blanks;
// reading ends where a selector or operator finds no blank after it.
std::vector<Condition> ParseExpression(const char* expression)
{
    std::vector<Condition> conditions;
    if (!expression)
        return conditions;
    const char* p = expression;
    while (*p) {
        const char* blank = std::strchr(p, ' ');
        if (!blank)
            break;
        Condition c;
        c.selector.assign(p, size_t(blank - p));
        p = blank + 1;
        blank = std::strchr(p, ' ');
        if (!blank)
            break;
        c.op.assign(p, size_t(blank - p));
        p = blank + 1;
        const char* end = nullptr;
        if (*p == '"') {
            end = std::strchr(p + 1, '"');
            end = end ? end + 1 : p + std::strlen(p);
        } else {
            end = std::strchr(p, ' ');
            if (!end)
                end = p + std::strlen(p);
        }
        c.operand.assign(p, size_t(end - p));
        conditions.push_back(std::move(c));
        p = end;
        if (*p == ' ')
            ++p;
    }
    return conditions;
}

// The value a selector takes from a candidate, unescaped.
std::string SelectValue(const XMLElement* e, const std::string& selector)
{
    if (selector == "?")
        return xmlimpl::Unescaped(e->GetStoredName());
    if (selector == "!") {
        std::string full(size_t(e->GetFullName(nullptr, 1)) + 10, '\0');
        full.resize(size_t(e->GetFullName(full.data(), 0)));
        return full;
    }
    if (!selector.empty() && selector[0] == '~') {
        const long n = ReadInt32(selector.c_str() + 1);
        const XMLTextNode* t = n >= 0 ? e->GetTextNode(uint32_t(n)) : nullptr;
        return t ? xmlimpl::Unescaped(t->GetStoredText()) : std::string();
    }
    const char* stored = xmlimpl::FindStoredValue(e, selector.c_str());
    return stored ? xmlimpl::Unescaped(stored) : std::string();
}

}  // namespace

// ---------------------------------------------------------------------------
// Wildcards and conditions

int XmlWildcardMatch(const char* text, const char* pattern, int exact)
{
    if (!text)
        text = "";
    if (!pattern)
        pattern = "";
    const char* t = text;
    const char* p = pattern;

    // Up to the first asterisk the exact flag rules.
    for (;;) {
        if (!*p)
            return *t ? 0 : 1;
        if (*p == '*')
            break;
        if (!*t)
            return -1;
        if (*p != '?' && !SameByte(*p, *t, exact != 0))
            return 0;
        ++p;
        ++t;
    }

    // At an asterisk the rest of the pattern is tried from every text
    // position on, without regard to case. A try that reaches the next
    // asterisk decides the result, so an earlier asterisk is never revisited
    // and the work stays linear in the text for each pattern byte.
    for (;;) {
        ++p;   // past the asterisk
        if (!*p)
            return 1;
        for (;;) {
            const char* pp = p;
            const char* tt = t;
            int result = 0;
            bool nextStar = false;
            for (;;) {
                if (!*pp) {
                    result = *tt ? 0 : 1;
                    break;
                }
                if (*pp == '*') {
                    nextStar = true;
                    break;
                }
                if (!*tt) {
                    result = -1;
                    break;
                }
                if (*pp != '?' && !SameByte(*pp, *tt, false))
                    break;
                ++pp;
                ++tt;
            }
            if (nextStar) {
                p = pp;
                t = tt;
                break;
            }
            if (result != 0)
                return result;
            if (!*t)
                return -1;
            ++t;
        }
    }
}

bool XmlMatchMask(const char* text, const char* pattern, int exact)
{
    if (pattern && std::strcmp(pattern, "*") == 0)
        return true;
    return XmlWildcardMatch(text, pattern, exact) == 1;
}

bool XmlQueryCompare(const char* value, const char* op, const char* operand)
{
    if (!value)
        value = "";
    if (!op)
        op = "";
    if (!operand)
        operand = "";

    if (operand[0] == '"') {
        const size_t n = std::strlen(operand);
        const std::string pattern = n >= 2 ? std::string(operand + 1, n - 2) : std::string();
        const bool match = pattern == "*" || XmlWildcardMatch(value, pattern.c_str(), 0) == 1;
        if (std::strcmp(op, "==") == 0)
            return match;
        if (std::strcmp(op, "!=") == 0)
            return !match;
        return true;
    }

    if (!IsNumber(value) || !IsNumber(operand))
        return false;
    const long a = ReadInt32(value);
    const long b = ReadInt32(operand);
    struct Relation {
        const char* op;
        bool (*holds)(long, long);
    };
    static constexpr Relation kRelations[] = {
        {"==", [](long x, long y) { return x == y; }}, {"!=", [](long x, long y) { return x != y; }},
        {">=", [](long x, long y) { return x >= y; }}, {"<=", [](long x, long y) { return x <= y; }},
        {"<", [](long x, long y) { return x < y; }},   {">", [](long x, long y) { return x > y; }},
    };
    for (const Relation& r : kRelations)
        if (std::strcmp(op, r.op) == 0)
            return r.holds(a, b);
    return true;
}

// ---------------------------------------------------------------------------
// Descendants

uint32_t XMLElement::CountDescendants(int depth) const
{
    struct Frame {
        const XMLElement* element;
        int depth;
    };
    uint64_t count = 0;
    std::vector<Frame> work{{this, depth}};
    while (!work.empty()) {
        const Frame f = work.back();
        work.pop_back();
        count += f.element->childCount_;
        if (f.depth == 0)
            continue;
        const int next = f.depth < 0 ? f.depth : f.depth - 1;
        for (uint32_t i = 0; i < f.element->childCount_; ++i)
            if (const XMLElement* child = f.element->children_[i])
                work.push_back({child, next});
    }
    return count > UINT32_MAX ? UINT32_MAX : uint32_t(count);
}

uint32_t XMLElement::CollectDescendants(XMLElement** array, int depth)
{
    // Post-order: a child goes out when its own descendants are done.
    struct Frame {
        XMLElement* element;
        int depth;        // levels still to collect below this element
        uint32_t next;    // next child to visit
    };
    uint32_t count = 0;
    if (depth == 0)
        return 0;
    std::vector<Frame> work{{this, depth, 0}};
    while (!work.empty()) {
        Frame& f = work.back();
        if (f.next < f.element->childCount_) {
            XMLElement* child = f.element->children_[f.next++];
            if (!child)
                continue;
            const int below = f.depth < 0 ? f.depth : f.depth - 1;
            if (below == 0) {   // the last level: no descendants of its own
                if (array)
                    array[count] = child;
                ++count;
                continue;
            }
            work.push_back({child, below, 0});   // f is not used after this
            continue;
        }
        XMLElement* done = f.element;
        work.pop_back();
        if (work.empty())
            break;   // this element itself is no descendant
        if (array)
            array[count] = done;
        ++count;
    }
    return count;
}

int XMLElement::Query(const char* expression, XMLElement** results, int depth)
{
    std::vector<XMLElement*> candidates(size_t(CountDescendants(depth)) + 1, nullptr);
    const uint32_t collected = CollectDescendants(candidates.data(), depth);
    const std::vector<Condition> conditions = ParseExpression(expression);

    int matches = 0;
    for (uint32_t i = 0; i < collected; ++i) {
        XMLElement* e = candidates[i];
        bool match = true;
        for (const Condition& c : conditions)
            if (!XmlQueryCompare(SelectValue(e, c.selector).c_str(), c.op.c_str(), c.operand.c_str())) {
                match = false;
                break;
            }
        if (!match)
            continue;
        if (results)
            results[matches] = e;
        ++matches;
    }
    return matches;
}

int XMLDocument::FindAndQuery(const char* path, const char* expression, XMLElement** results, int depth)
{
    if (!root_)
        return 0;
    XMLElement* e = root_->FindElementByPath(path);
    return e ? e->Query(expression, results, depth) : 0;
}
