#include "xmldoc_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "support/test_support.h"

namespace xmltest {

std::string Golden(const std::string& name)
{
    return testsupport::FileBytes(testsupport::SourceDir() + "\\tests\\xml\\data\\" + name);
}

namespace {
// Room for what the writer makes of a tree: every stored text, markup and
// the deepest indentation, generously.
size_t Room(XMLElement* e, int level)
{
    if (!e)
        return 0;
    size_t n = 256 + std::strlen(e->GetStoredName()) * 4 + size_t(level + 2) * 100;
    for (uint32_t i = 0; i < e->GetAttributeCount(); ++i)
        n += 16 + (std::strlen(e->GetAttribute(i)->GetStoredName()) +
                   std::strlen(e->GetAttribute(i)->GetStoredValue())) * 2;
    for (uint32_t i = 0; i < e->GetTextNodeCount(); ++i)
        n += size_t(level + 2) * 100 + std::strlen(e->GetTextNode(i)->GetStoredText()) * 2;
    for (uint32_t i = 0; i < e->GetCommentCount(); ++i)
        n += size_t(level + 2) * 100 + std::strlen(e->GetComment(i)->GetText());
    for (uint32_t i = 0; i < e->GetCDataCount(); ++i)
        n += size_t(level + 2) * 100 + std::strlen(e->GetCDataNode(i)->GetText());
    for (uint32_t i = 0; i < e->GetChildCount(); ++i)
        n += Room(e->GetChild(i), level + 1);
    return n;
}
}  // namespace

std::string SaveToText(XMLDocument& doc, int raw)
{
    size_t room = Room(doc.GetRoot(), 0) + 4096;
    if (XMLProlog* p = doc.GetProlog()) {
        room += std::strlen(p->GetDeclaration());
        for (uint32_t i = 0; i < p->GetCommentCount(); ++i)
            room += 16 + std::strlen(p->GetComment(i)->GetText());
    }
    std::vector<char> buffer(room, 0);
    if (!doc.Save(buffer.data(), raw, XML_SAVE_MEMORY))
        return "(not saved)";
    return buffer.data();
}

std::string WriteToText(XMLElement* e, int level, int includeChildren, int raw)
{
    std::vector<char> buffer(Room(e, level) + 4096, 0);
    XmlWriteElement(buffer.data(), e, level, includeChildren, raw, XML_SAVE_MEMORY);
    return buffer.data();
}

namespace {
template <class Node>
bool SameNodes(Node* const* a, uint32_t na, Node* const* b, uint32_t nb)
{
    if (na != nb)
        return false;
    for (uint32_t i = 0; i < na; ++i)
        if (std::strcmp(a[i]->GetStoredText(), b[i]->GetStoredText()) != 0 ||
            a[i]->GetPosition() != b[i]->GetPosition())
            return false;
    return true;
}
}  // namespace

bool SameTree(XMLElement* a, XMLElement* b, std::string* where)
{
    auto fail = [&](const char* what) {
        if (where)
            *where = std::string(what) + " at " + (a ? a->GetStoredName() : "(null)");
        return false;
    };
    if (!a || !b)
        return a == b ? true : fail("missing element");
    if (std::strcmp(a->GetStoredName(), b->GetStoredName()) != 0)
        return fail("name");
    if (a->GetAttributeCount() != b->GetAttributeCount())
        return fail("attribute count");
    for (uint32_t i = 0; i < a->GetAttributeCount(); ++i)
        if (std::strcmp(a->GetAttribute(i)->GetStoredName(), b->GetAttribute(i)->GetStoredName()) != 0 ||
            std::strcmp(a->GetAttribute(i)->GetStoredValue(), b->GetAttribute(i)->GetStoredValue()) != 0)
            return fail("attribute");
    if (!SameNodes(a->GetTextNodes(), a->GetTextNodeCount(), b->GetTextNodes(), b->GetTextNodeCount()))
        return fail("text");
    if (!SameNodes(a->GetComments(), a->GetCommentCount(), b->GetComments(), b->GetCommentCount()))
        return fail("comment");
    if (!SameNodes(a->GetCData(), a->GetCDataCount(), b->GetCData(), b->GetCDataCount()))
        return fail("CDATA");
    if (a->GetChildCount() != b->GetChildCount())
        return fail("child count");
    for (uint32_t i = 0; i < a->GetChildCount(); ++i)
        if (!SameTree(a->GetChild(i), b->GetChild(i), where))
            return false;
    return true;
}

double GrowthRatio(const std::function<void(int n)>& work, int n, int k)
{
    // The two sizes take turns, so that a busy spell of the machine slows
    // the runs of both; each keeps its fastest.
    double small = 1e30, large = 1e30;
    auto time = [&](int size, double* fastest) {
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        work(size);
        QueryPerformanceCounter(&b);
        *fastest = std::min(*fastest, double(b.QuadPart - a.QuadPart));
    };
    for (int run = 0; run < 5; ++run) {
        time(n, &small);
        time(n * k, &large);
    }
    return large / std::max(small, 1.0);
}

int TreeDepth(XMLElement* e)
{
    // Iterative: the trees under test may be deep.
    std::vector<std::pair<XMLElement*, int>> work{{e, 1}};
    int deepest = 0;
    while (!work.empty()) {
        auto [el, d] = work.back();
        work.pop_back();
        if (!el)
            continue;
        deepest = std::max(deepest, d);
        for (uint32_t i = 0; i < el->GetChildCount(); ++i)
            work.push_back({el->GetChild(i), d + 1});
    }
    return deepest;
}

std::string Texts(XMLElement* e)
{
    std::string out;
    for (uint32_t i = 0; i < e->GetTextNodeCount(); ++i)
        out += (i ? "|" : "") + std::string(e->GetTextNode(i)->GetStoredText());
    return out;
}

std::string ListFiles(const std::string& dir)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(fd.cFileName);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    std::sort(names.begin(), names.end());
    std::string out;
    for (const std::string& n : names)
        out += (out.empty() ? "" : "|") + n;
    return out;
}

}  // namespace xmltest
