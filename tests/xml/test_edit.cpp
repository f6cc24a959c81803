// Tests of element navigation and editing.
#include <windows.h>

#include <doctest.h>

#include <cstdio>
#include <string>
#include <vector>

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

// Runs the test body with a fresh temporary folder as the current folder,
// where swap files live.
class InTempDir {
public:
    InTempDir()
    {
        GetCurrentDirectoryA(MAX_PATH, saved_);
        SetCurrentDirectoryA(dir_.Path().c_str());
    }
    ~InTempDir() { SetCurrentDirectoryA(saved_); }
    bool Touch(const char* name)
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
    XMLElement root(nullptr, "root");
    root.AddChildFromTag("a");
    root.AddChildFromTag("a");
    root.AddChildFromTag("<x&amp;y/>");
    root.GetChild(0)->AddChildFromTag("b");
    root.GetChild(1)->AddChildFromTag("b");

    CHECK(root.FindChildIndex("a") == 0);
    CHECK(root.FindChildIndex("A") == -1);
    CHECK(root.FindChildIndex("x&y") == 2);
    CHECK(root.FindElementByPath("") == &root);
    CHECK(root.FindElementByPath("a\\b") == root.GetChild(0)->GetChild(0));
    CHECK(root.FindElementByPath("a\\c") == nullptr);
    CHECK(root.FindElementByPath("a\\") == nullptr);   // an empty step wants an empty name
    CHECK(root.GetChildIndex(root.GetChild(1)) == 1);
    CHECK(root.GetChildIndex(root.GetChild(0)->GetChild(0)) == -1);
    CHECK(root.FindChildPointer(nullptr) == nullptr);

    SUBCASE("unloaded slots are skipped") {
        Unload(root, 0);
        CHECK(root.FindChildIndex("a") == 1);
        CHECK(root.FindElementByPath("a\\b") == root.GetChild(1)->GetChild(0));
        CHECK(root.GetChildIndex(nullptr) == -1);
        CHECK(root.GetChildCount() == 3);
        InTempDir temp;   // the slot's swap file would be deleted here
        root.RemoveAllChildren();
        CHECK(root.GetChildCount() == 0);
    }
}

TEST_CASE("full names, depths and index paths")
{
    XMLElement root(nullptr, "root");
    root.AddChildFromTag("<waypoints/>");
    XMLElement* wps = root.GetChild(0);
    wps->AddChildFromTag("a");
    wps->AddChildFromTag("w");
    wps->GetChild(1)->SetName("<w>");
    XMLElement* w = wps->GetChild(1);

    CHECK(root.GetFullName(nullptr, 0) == 0);
    CHECK(FullName(*wps, 0) == "waypoints");
    CHECK(FullName(*w, 0) == "waypoints\\<w>");
    CHECK(FullName(*w, 1) == "waypoints\\&lt;w&gt;");
    CHECK(root.FindElementByPath(FullName(*w, 0).c_str()) == w);
    CHECK(w->GetDepth() == 2);

    CHECK(w->GetIndexPath(nullptr) == 2 * 4 + 10);
    CHECK(IndexPath(*w) == "0-1-");
    CHECK(IndexPath(root) == "");
    CHECK(w->GetSwapFileName(3) == "0-1-3.xmltmp");
    CHECK(root.GetSwapFileName(3) == "3.xmltmp");

    SUBCASE("indices of four digits still fit the size asked for") {
        // Eleven levels of "1000-" outgrow depth x 4 + 10 bytes.
        XMLElement* deep = &root;
        std::string expected;
        for (int level = 0; level < 11; ++level) {
            for (int i = 0; i <= 1000; ++i)
                deep->AddChildFromTag("p");
            deep = deep->GetChild(1000);
            expected += "1000-";
        }
        CHECK(deep->GetIndexPath(nullptr) > int(expected.size()));
        CHECK(IndexPath(*deep) == expected);
    }
}

TEST_CASE("inserting, moving and growing children")
{
    XMLElement root(nullptr, "r");
    root.AddChildFromTag("a");
    root.AddChildFromTag("b");

    SUBCASE("insert") {
        XMLElement* c = new XMLElement(nullptr, "c");
        CHECK(root.InsertChild(0, c) == 0);
        CHECK(Names(root) == "cab");
        CHECK(c->GetParent() == &root);
        CHECK(root.InsertChild(5, new XMLElement(nullptr, "d")) == 4);
        CHECK(Names(root) == "cabd");
        CHECK(root.InsertChild(0, nullptr) == 4);
    }
    SUBCASE("move") {
        root.AddChildFromTag("c");
        CHECK(root.MoveChild(0, 2) == 3);
        CHECK(Names(root) == "bca");
        CHECK(root.MoveChild(2, 0) == 0);
        CHECK(Names(root) == "abc");
        CHECK(root.MoveChild(3, 0) == 3);
        CHECK(root.MoveChild(0, 3) == 3);
        CHECK(Names(root) == "abc");
    }
    SUBCASE("remove out of range") {
        CHECK(root.RemoveChild(2) == 2);
        CHECK(root.RemoveChild(uint32_t(-1)) == 2);
        CHECK(root.RemoveChild(0) == 1);
        CHECK(Names(root) == "b");
        CHECK(root.GetChildren()[1] == nullptr);   // the freed slot is cleared
    }
    SUBCASE("arrays grow by their steps") {
        for (int i = 0; i < 18; ++i)
            root.AddChildFromTag("x");
        CHECK(root.GetChildCapacity() == 20);
        CHECK(root.AppendChild(new XMLElement(nullptr, "y")) == 21);
        CHECK(root.GetChildCapacity() == 40);
        CHECK(std::string(root.GetChild(20)->GetStoredName()) == "y");
        CHECK(std::string(root.GetChild(0)->GetStoredName()) == "a");
        for (int i = 0; i < 5; ++i)
            root.AddTextNode("t", 0);
        CHECK(root.GetTextNodeCapacity() == 8);
        for (int i = 0; i < 11; ++i)
            root.AddComment("c", 0);
        CHECK(root.GetCommentCapacity() == 20);
        CHECK(root.ReserveCData(25) == 30);   // more than a step at once
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
        CHECK(shared->GetParent() == &owner);
        CHECK(borrower.RemoveChild(0) == 1);
        CHECK(shared->GetParent() == &owner);
        CHECK(std::string(shared->GetStoredName()) == "shared");
    }
    SUBCASE("borrowed children survive their borrower") {
        {
            XMLElement borrower(nullptr, "borrower");
            CHECK(borrower.AddBorrowedChild(shared, 9) == 1);
        }
        CHECK(owner.GetChild(0) == shared);
        CHECK(std::string(shared->GetStoredName()) == "shared");
    }
    SUBCASE("RemoveBorrowedChildren unlinks every borrowed slot") {
        XMLElement borrower(nullptr, "borrower");
        borrower.AddChildFromTag("own");
        for (int i = 0; i < 7; ++i)
            borrower.AddBorrowedChild(shared, 0);
        CHECK(borrower.GetBorrowedCapacity() == 11);   // 1, then steps of 5
        CHECK(borrower.RemoveChild(3) == 7);            // one entry cleared, object kept
        CHECK(borrower.RemoveBorrowedChildren() == 6);
        CHECK(Names(borrower) == "own");
        CHECK(borrower.GetBorrowedUsed() == 0);
        CHECK(borrower.RemoveBorrowedChildren() == 0);
        CHECK(owner.GetChild(0) == shared);
    }
}

TEST_CASE("unloaded children leave swap files to delete")
{
    InTempDir temp;
    XMLElement root(nullptr, "r");
    root.AddChildFromTag("a");
    root.AddChildFromTag("b");
    root.GetChild(1)->AddChildFromTag("c");
    REQUIRE(temp.Touch("1-0.xmltmp"));
    REQUIRE(temp.Touch("0.xmltmp"));
    Unload(*root.GetChild(1), 0);
    Unload(root, 0);

    CHECK(root.GetChild(1)->RemoveChild(0) == 0);
    CHECK_FALSE(InTempDir::Exists("1-0.xmltmp"));
    CHECK(root.DeleteSwapFile(0) != 0);
    CHECK(root.DeleteSwapFile(0) == 0);
    CHECK(root.RemoveChild(0) == 1);
}

TEST_CASE("attributes")
{
    XMLElement e(nullptr, "<e a=\"1\" b=\"2\" c=\"3\">");

    SUBCASE("find with creation") {
        XMLAttribute* x = e.FindAttribute("x", 1, nullptr);
        REQUIRE(x);
        CHECK(std::string(x->GetStoredValue()) == "");
        CHECK(e.GetAttributeCount() == 4);
        CHECK(e.FindAttribute("x", 1, "other") == x);
        CHECK(e.FindAttribute("y", 0, nullptr) == nullptr);
        XMLAttribute* z = e.FindAttribute("z", 1, "<");
        CHECK(std::string(z->GetStoredValue()) == "&lt;");
        CHECK(e.GetAttributeIndex(z) == 4);
        CHECK(e.FindAttributePointer(z) == z);
        CHECK(e.FindAttributeIndex("B") == -1);
    }
    SUBCASE("remove and detach") {
        CHECK(e.RemoveAttribute(3) == 3);
        CHECK(e.RemoveAttribute(1) == 2);
        CHECK(e.FindAttributeIndex("c") == 1);
        XMLAttribute* out = reinterpret_cast<XMLAttribute*>(1);
        CHECK(e.DetachAttribute(2, &out) == 2);
        CHECK(out == nullptr);
        CHECK(e.DetachAttribute(0, &out) == 1);
        REQUIRE(out);
        CHECK(std::string(out->GetStoredName()) == "a");
        delete out;
        e.RemoveAllAttributes();
        CHECK(e.GetAttributeCount() == 0);
    }
    SUBCASE("binary attributes") {
        const char bytes[] = "ab";
        CHECK(e.AddBinaryAttribute("f", bytes, 2) == 4);
        CHECK(std::string(e.GetAttribute(3)->GetStoredValue()) == "YWI=");
    }
}

TEST_CASE("node families keep positions and counts")
{
    XMLElement e(nullptr, "e");
    CHECK(e.AddTextNode("x", 0) == 1);
    CHECK(e.AddTextNode("y", 2) == 2);
    CHECK(e.GetTextNode(1)->GetPosition() == 2);
    CHECK(e.GetTextNode(1)->GetOwner() == &e);
    CHECK(e.RemoveTextNode(2) == 2);
    CHECK(e.RemoveTextNode(0) == 1);
    CHECK(std::string(e.GetTextNode(0)->GetStoredText()) == "y");
    CHECK(e.AppendComment(new XMLCommentNode(nullptr, 9, "c"), 1) == 1);
    CHECK(e.GetComment(0)->GetPosition() == 1);
    CHECK(e.GetComment(0)->GetOwner() == &e);
    CHECK(e.RemoveComment(1) == 1);
    CHECK(e.AddCData("d", 0) == 1);
    e.RemoveAllCData();
    e.RemoveAllComments();
    e.RemoveAllTextNodes();
    CHECK(e.GetCDataCount() + e.GetCommentCount() + e.GetTextNodeCount() == 0);
}

TEST_CASE("prolog comments and header")
{
    XMLProlog prolog("<?xml version=\"1.0\"?>");
    XMLElement owner(nullptr, "o");
    prolog.AppendComment(new XMLCommentNode(&owner, 0, "one"), 0);
    prolog.AppendComment(new XMLCommentNode(nullptr, 0, "after"), 1);
    prolog.AppendComment(new XMLCommentNode(nullptr, 0, "two"), 0);
    CHECK(prolog.GetComment(0)->GetOwner() == nullptr);

    SUBCASE("position 0: declaration, then its comments in order") {
        char text[200] = "X";
        prolog.WriteHeader(text, 0, XML_SAVE_MEMORY);
        CHECK(std::string(text) == "X<?xml version=\"1.0\"?>\r\n<!--one-->\r\n<!--two-->\r\n");
    }
    SUBCASE("position 1, the registry writes nothing") {
        char text[200] = "";
        prolog.WriteHeader(text, 1, XML_SAVE_MEMORY);
        prolog.WriteHeader(text, 0, XML_SAVE_REGISTRY);
        CHECK(std::string(text) == "<!--after-->\r\n");
    }
    SUBCASE("UTF-16 file") {
        testsupport::TempDir dir;
        FILE* f = std::fopen(dir.File("h").c_str(), "wb");
        REQUIRE(f);
        prolog.WriteHeader(f, 1, XML_SAVE_FILE_UTF16);
        std::fclose(f);
        std::string bytes;
        REQUIRE(testsupport::ReadFile(dir.File("h"), &bytes));
        CHECK(bytes.size() == 2 * std::string("<!--after-->\r\n").size());
        CHECK(bytes.substr(0, 4) == std::string("<\0!\0", 4));
    }
    SUBCASE("encoding, removal and growth") {
        prolog.SetEncoding("UTF-16");
        CHECK(std::string(prolog.GetDeclaration()) ==
              "<?xml version=\"1.0\" encoding=\"UTF-16\" standalone=\"yes\" ?>");
        CHECK(prolog.RemoveComment(3) == 3);
        CHECK(prolog.RemoveComment(0) == 2);
        CHECK(std::string(prolog.GetComment(0)->GetText()) == "after");
        CHECK(prolog.GetCommentCapacity() == 5);
        for (int i = 0; i < 4; ++i)
            prolog.AppendComment(new XMLCommentNode(nullptr, 0, "c"), 0);
        CHECK(prolog.GetCommentCapacity() == 15);
    }
}
