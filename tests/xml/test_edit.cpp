// Tests of element navigation and editing.
#include <windows.h>

#include <doctest.h>

#include <cstdio>
#include <string>

#include "tests/support/test_support.h"
#include "xml/xml.h"

namespace {

std::string Names(const XMLElement& e)
{
    std::string s;
    for (uint32_t i = 0; i < e.GetChildCount(); ++i)
        s += e.GetChild(i) ? e.GetChild(i)->GetStoredName() : "~";
    return s;
}

std::string FullName(const XMLElement& e, int raw)
{
    std::string s(size_t(e.GetFullName(nullptr, raw)) + 10, '\0');
    s.resize(size_t(e.GetFullName(s.data(), raw)));
    return s;
}

std::string IndexPath(const XMLElement& e)
{
    std::string s(size_t(e.GetIndexPath(nullptr)), '\0');
    s.resize(size_t(e.GetIndexPath(s.data())));
    return s;
}

// Empties slot i as unloading to a swap file does.
void Unload(XMLElement& parent, uint32_t i)
{
    delete parent.GetChild(i);
    parent.GetChildren()[i] = nullptr;
}

// Makes a fresh temporary folder the current one, where swap files live.
class InTempDir {
public:
    InTempDir() { GetCurrentDirectoryA(MAX_PATH, saved_), SetCurrentDirectoryA(dir_.Path().c_str()); }
    ~InTempDir() { SetCurrentDirectoryA(saved_); }
    static bool Touch(const char* name)
    {
        FILE* f = std::fopen(name, "wb");
        return f && std::fclose(f) == 0;
    }
    static bool Exists(const char* name) { return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES; }

private:
    testsupport::TempDir dir_;
    char saved_[MAX_PATH] = {};
};

}  // namespace

TEST_CASE("children by name and by path")
{
    InTempDir temp;
    XMLElement root(nullptr, "root");
    root.AddChildFromTag("a");
    root.AddChildFromTag("a");
    root.AddChildFromTag("<x&amp;y/>");
    root.GetChild(0)->AddChildFromTag("b");
    root.GetChild(1)->AddChildFromTag("b");

    CHECK(root.FindChildIndex("A") == -1);
    CHECK(root.FindChildIndex("x&y") == 2);
    CHECK(root.FindElementByPath("") == &root);
    CHECK(root.FindElementByPath("a\\b") == root.GetChild(0)->GetChild(0));
    CHECK(root.FindElementByPath("a\\c") == nullptr);
    CHECK(root.FindElementByPath("a\\") == nullptr);   // an empty step wants an empty name

    // An unloaded slot is skipped by every lookup; removing it deletes its
    // swap file.
    REQUIRE(InTempDir::Touch("0.xmltmp"));
    Unload(root, 0);
    CHECK(root.FindChildIndex("a") == 1);
    CHECK(root.FindElementByPath("a\\b") == root.GetChild(1)->GetChild(0));
    CHECK(root.GetChildIndex(nullptr) == -1);
    CHECK(root.RemoveChild(0) == 2);
    CHECK_FALSE(InTempDir::Exists("0.xmltmp"));
    CHECK(root.DeleteSwapFile(0) == 0);
}

TEST_CASE("full names and index paths")
{
    XMLElement root(nullptr, "root");
    root.AddChildFromTag("<waypoints/>");
    XMLElement* wps = root.GetChild(0);
    wps->AddChildFromTag("a");
    wps->AddChildFromTag("w");
    XMLElement* w = wps->GetChild(1);
    w->SetName("<w>");

    CHECK(root.GetFullName(nullptr, 0) == 0);
    CHECK(FullName(*w, 0) == "waypoints\\<w>");
    CHECK(FullName(*w, 1) == "waypoints\\&lt;w&gt;");
    CHECK(root.FindElementByPath(FullName(*w, 0).c_str()) == w);
    CHECK(w->GetIndexPath(nullptr) == 2 * 4 + 10);
    CHECK(IndexPath(*w) == "0-1-");
    CHECK(w->GetSwapFileName(3) == "0-1-3.xmltmp");
    CHECK(root.GetSwapFileName(3) == "3.xmltmp");

    SUBCASE("indices of four digits still fit the size asked for") {
        // Eleven levels of "1000-" outgrow depth x 4 + 10 bytes.
        XMLElement* deep = &root;
        std::string expected;
        for (int level = 0; level < 11; ++level, expected += "1000-") {
            for (int i = 0; i <= 1000; ++i)
                deep->AddChildFromTag("p");
            deep = deep->GetChild(1000);
        }
        CHECK(deep->GetIndexPath(nullptr) > int(expected.size()));
        CHECK(IndexPath(*deep) == expected);
    }
}

TEST_CASE("inserting, moving, removing and growing children")
{
    XMLElement root(nullptr, "r");
    root.AddChildFromTag("a");
    root.AddChildFromTag("b");

    SUBCASE("insert") {
        XMLElement* c = new XMLElement(nullptr, "c");
        CHECK(root.InsertChild(0, c) == 0);
        CHECK((Names(root) == "cab" && c->GetParent() == &root));
        CHECK(root.InsertChild(5, new XMLElement(nullptr, "d")) == 4);
        CHECK(Names(root) == "cabd");
    }
    SUBCASE("move") {
        root.AddChildFromTag("c");
        CHECK(root.MoveChild(0, 2) == 3);
        CHECK(Names(root) == "bca");
        CHECK(root.MoveChild(3, 0) == 3);
    }
    SUBCASE("indices out of range leave every family unchanged") {
        CHECK(root.RemoveChild(2) == 2);
        CHECK(root.RemoveChild(uint32_t(-1)) == 2);
        CHECK(root.RemoveAttribute(0) + root.RemoveTextNode(0) + root.RemoveComment(7) + root.RemoveCData(0) == 0);
        XMLAttribute* out = reinterpret_cast<XMLAttribute*>(1);
        CHECK(root.DetachAttribute(0, &out) == 0);
        CHECK(out == nullptr);
        CHECK(root.RemoveChild(0) == 1);
        CHECK((Names(root) == "b" && root.GetChildren()[1] == nullptr));
    }
    SUBCASE("arrays grow by their steps") {
        for (int i = 0; i < 18; ++i)
            root.AddChildFromTag("x");
        CHECK(root.GetChildCapacity() == 20);
        CHECK(root.AppendChild(new XMLElement(nullptr, "y")) == 21);
        CHECK(root.GetChildCapacity() == 40);
        CHECK(std::string(root.GetChild(20)->GetStoredName()) == "y");
        for (int i = 0; i < 5; ++i)
            root.AddTextNode("t", i);
        CHECK(root.GetTextNodeCapacity() == 8);
        CHECK(root.GetTextNode(4)->GetPosition() == 4);
        CHECK(root.ReserveCData(25) == 30);   // more than one step at once
    }
}

TEST_CASE("capacities follow the growth figures whether or not an array was ever filled")
{
    XMLElement e(nullptr, "<e>");
    SUBCASE("an array never filled reads as empty slots up to its first capacity") {
        for (uint32_t i = 0; i < e.GetChildCapacity(); ++i)
            CHECK(e.GetChildren()[i] == nullptr);
        CHECK((e.GetAttributes() && e.GetComments() && e.GetTextNodes() && e.GetCData()));
        CHECK(e.ReserveTextNodes(0) == 4);
        CHECK(e.GetTextNodeCapacity() == 4);
    }
    SUBCASE("the first addition keeps the first capacity, the next step adds to it") {
        CHECK(e.AddComment("c", 0) == 1);
        CHECK(e.GetCommentCapacity() == 10);
        CHECK(e.AddAttribute("a", "1") == 1);
        CHECK(e.GetAttributeCapacity() == 20);
        CHECK(e.ReserveCData(11) == 20);   // 10, then one step of 10
        XMLElement lent(nullptr, "<lent>");
        e.AddBorrowedChild(&lent, 0);
        CHECK(e.GetBorrowedCapacity() == 1);
        e.AddBorrowedChild(&lent, 0);
        CHECK(e.GetBorrowedCapacity() == 6);
        CHECK(e.RemoveBorrowedChildren() == 2);
    }
    SUBCASE("compaction of arrays never filled leaves one slot, used before growing") {
        e.Compact();
        CHECK((e.GetChildCapacity() == 1 && e.GetAttributeCapacity() == 1 && e.GetCommentCapacity() == 1));
        CHECK(e.AddChildFromTag("<a/>") == 1);
        CHECK(e.GetChildCapacity() == 1);
        CHECK(e.AddChildFromTag("<b/>") == 2);
        CHECK(e.GetChildCapacity() == 21);
        CHECK(e.AddComment("c", 0) == 1);
        CHECK(e.GetCommentCapacity() == 1);
        CHECK(Names(e) == "ab");
    }
}

TEST_CASE("borrowed children are linked, never owned")
{
    XMLElement owner(nullptr, "owner");
    owner.AddChildFromTag("shared");
    XMLElement* shared = owner.GetChild(0);

    SUBCASE("removing a borrowed child only unlinks it") {
        XMLElement borrower(nullptr, "borrower");
        borrower.AddChildFromTag("own");
        CHECK(borrower.AddBorrowedChild(shared, 0) == 0);
        CHECK(Names(borrower) == "sharedown");
        CHECK(borrower.RemoveChild(0) == 1);
        CHECK(shared->GetParent() == &owner);
    }
    SUBCASE("borrowed children survive their borrower") {
        {
            XMLElement borrower(nullptr, "borrower");
            CHECK(borrower.AddBorrowedChild(shared, 9) == 1);
        }
        CHECK(std::string(shared->GetStoredName()) == "shared");
    }
    SUBCASE("RemoveBorrowedChildren unlinks every borrowed slot") {
        XMLElement borrower(nullptr, "borrower");
        borrower.AddChildFromTag("own");
        for (int i = 0; i < 7; ++i)
            borrower.AddBorrowedChild(shared, 0);
        CHECK(borrower.GetBorrowedCapacity() == 11);   // 1, then steps of 5
        CHECK(borrower.RemoveChild(3) == 7);
        CHECK(borrower.RemoveBorrowedChildren() == 6);
        CHECK((Names(borrower) == "own" && borrower.GetBorrowedUsed() == 0));
        CHECK(borrower.RemoveBorrowedChildren() == 0);
    }
    CHECK(owner.GetChild(0) == shared);
}

TEST_CASE("attributes by name")
{
    XMLElement e(nullptr, "<e a=\"1\" b=\"2\">");
    XMLAttribute* x = e.FindAttribute("x", 1, nullptr);
    REQUIRE(x);
    CHECK(std::string(x->GetStoredValue()) == "");
    CHECK(e.FindAttribute("x", 1, "other") == x);
    CHECK(e.FindAttribute("y", 0, nullptr) == nullptr);
    CHECK(e.FindAttributeIndex("B") == -1);
    XMLAttribute* out = nullptr;
    CHECK(e.DetachAttribute(0, &out) == 2);
    REQUIRE(out);
    CHECK((std::string(out->GetStoredName()) == "a" && e.FindAttributeIndex("x") == 1));
    delete out;
    CHECK(e.AddBinaryAttribute("f", "ab", 2) == 3);
    CHECK(std::string(e.GetAttribute(2)->GetStoredValue()) == "YWI=");
}

TEST_CASE("prolog header and comments")
{
    XMLProlog prolog("<?xml version=\"1.0\"?>");
    XMLElement owner(nullptr, "o");
    prolog.AppendComment(new XMLCommentNode(&owner, 0, "one"), 0);
    prolog.AppendComment(new XMLCommentNode(nullptr, 0, "after"), 1);
    prolog.AppendComment(new XMLCommentNode(nullptr, 0, "two"), 0);
    CHECK(prolog.GetComment(0)->GetOwner() == nullptr);

    char text[200] = "X";
    prolog.WriteHeader(text, 0, XML_SAVE_MEMORY);
    CHECK(std::string(text) == "X<?xml version=\"1.0\"?>\r\n<!--one-->\r\n<!--two-->\r\n");
    text[0] = 0;
    prolog.WriteHeader(text, 1, XML_SAVE_MEMORY);
    CHECK(std::string(text) == "<!--after-->\r\n");

    prolog.SetEncoding("UTF-16");
    CHECK(std::string(prolog.GetDeclaration()) ==
          "<?xml version=\"1.0\" encoding=\"UTF-16\" standalone=\"yes\" ?>");
    for (int i = 0; i < 3; ++i)
        prolog.AppendComment(new XMLCommentNode(nullptr, 0, "c"), 0);
    CHECK(prolog.GetCommentCapacity() == 15);   // 5, then a step of 10
}
