// Helpers for the document, parser, writer and swap-file tests.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "support/alloc_count.h"
#include "support/test_support.h"
#include "xml/xml.h"

namespace xmltest {

// Live heap allocations of the whole test program (operator new minus
// delete): a leak shows as a count that does not return to where it was.
inline long long LiveAllocations() { return testsupport::LiveBlocks(); }

// The golden file tests/xml/data/<name>, read whole; empty when missing.
std::string Golden(const std::string& name);

// Writes bytes to a file; false when that failed.
inline bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    return testsupport::WriteWholeFile(path, bytes);
}

// The whole document as Save writes it to memory (raw form).
std::string SaveToText(XMLDocument& doc, int raw = 1);

// One element as XmlWriteElement writes it to memory.
std::string WriteToText(XMLElement* e, int level = 0, int includeChildren = 1, int raw = 1);

// Whether two trees hold the same names, attributes, nodes (text and
// position) and children, in the same order. On a difference, where says
// what differed.
bool SameTree(XMLElement* a, XMLElement* b, std::string* where = nullptr);

// How many times longer work(k * n) takes than work(n), each the best of
// five runs in this process, taken in turns: about k when the work is
// linear, k * k when it is quadratic. A busy machine slows both sides alike,
// so tests compare this with a generous bound instead of a time limit.
double GrowthRatio(const std::function<void(int n)>& work, int n, int k = 8);
// The bound tests hold GrowthRatio to with k = 8: five times what linear
// work gives, well under the 64 of quadratic work.
inline constexpr double kLinearBound = 40;

// Number of element levels of the tree (1 for a lone element).
int TreeDepth(XMLElement* e);

// The stored texts of an element's text nodes, joined by '|'.
std::string Texts(XMLElement* e);

using testsupport::CurrentDir;

// Names of the files in a folder (no subfolders), sorted, joined by '|'.
std::string ListFiles(const std::string& dir);

}  // namespace xmltest
