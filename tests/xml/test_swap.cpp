// Tests of swap files: children written out, freed and brought back.
#include <doctest.h>

#include <windows.h>

#include <string>

#include "support/test_support.h"
#include "xml/xml.h"
#include "xmldoc_support.h"

using xmltest::ListFiles;

TEST_CASE("Swap files")
{
    testsupport::TempDir dir;
    xmltest::CurrentDir cd(dir.Path());   // swap files live in the current folder
    XMLDocument doc;
    doc.LoadFromText("<?xml?><root><a/><b/><c n=\"1\"><d/><e/><f><g/></f></c><h/></root>");
    XMLElement* root = doc.GetRoot();
    const std::string before = xmltest::SaveToText(doc);

    SUBCASE("unload leaves a null slot and a file named by the child's place") {
        CHECK(root->UnloadChild(3) == 1);
        CHECK(root->GetChildCount() == 4);
        CHECK(root->GetChild(3) == nullptr);
        CHECK(ListFiles(dir.Path()) == "3.xmltmp");
        CHECK(root->UnloadChild(3) == 1);   // already unloaded
        XMLElement* c = root->GetChild(2);
        CHECK(c->UnloadChild(2) == 1);
        CHECK(ListFiles(dir.Path()) == "2-2.xmltmp|3.xmltmp");
    }
    SUBCASE("reload brings the same subtree back and removes the file") {
        REQUIRE(root->UnloadChild(2) == 1);
        CHECK(root->FindChildIndex("c") == -1);   // lookups skip unloaded slots
        CHECK(root->ReloadChild(2) == 1);
        CHECK(ListFiles(dir.Path()).empty());
        CHECK(root->GetChild(2)->GetParent() == root);
        CHECK(xmltest::SaveToText(doc) == before);
    }
    SUBCASE("a nested unload is written inside its parent's swap file") {
        REQUIRE(root->GetChild(2)->UnloadChild(2) == 1);   // f, with g
        REQUIRE(root->UnloadChild(2) == 1);                // c reloads f first
        CHECK(ListFiles(dir.Path()) == "2.xmltmp");
        CHECK(root->ReloadAllChildren() == 0);
        CHECK(xmltest::SaveToText(doc) == before);
    }
    SUBCASE("writing and saving reload what they need") {
        REQUIRE(root->UnloadChild(0) == 1);
        REQUIRE(root->UnloadChild(2) == 1);
        CHECK(xmltest::SaveToText(doc) == before);
        CHECK(ListFiles(dir.Path()).empty());
    }
    SUBCASE("a name taken by another file: nothing happens") {
        REQUIRE(xmltest::WriteFileBytes(dir.File("1.xmltmp"), "someone else's"));
        CHECK(root->UnloadChild(1) == 0);
        CHECK(root->GetChild(1) != nullptr);
        std::string kept;
        testsupport::ReadFile(dir.File("1.xmltmp"), &kept);
        CHECK(kept == "someone else's");
    }
    SUBCASE("moving children around an unloaded one loses its file") {
        REQUIRE(root->UnloadChild(3) == 1);
        root->InsertChild(0, new XMLElement(nullptr, "new"));
        CHECK(root->ReloadChild(4) == 0);
        CHECK(root->GetChild(4) == nullptr);
        CHECK(ListFiles(dir.Path()) == "3.xmltmp");
    }
    SUBCASE("a damaged swap file is left for another try") {
        REQUIRE(root->UnloadChild(3) == 1);
        REQUIRE(xmltest::WriteFileBytes(dir.File("3.xmltmp"), "<h><unclosed>"));
        CHECK(root->ReloadChild(3) == 0);
        CHECK(root->GetChild(3) == nullptr);
        CHECK(ListFiles(dir.Path()) == "3.xmltmp");
        DeleteFileA("3.xmltmp");
        CHECK(root->ReloadChild(3) == 0);
    }
    SUBCASE("markup characters in values survive the round trip") {
        XMLElement* a = root->GetChild(0);
        a->AddAttribute("v", "<\"&'>");
        a->AddTextNode("x < y", 0);
        const std::string stored = a->GetAttribute(0)->GetStoredValue();
        REQUIRE(root->UnloadChild(0) == 1);
        REQUIRE(root->ReloadChild(0) == 1);
        a = root->GetChild(0);
        CHECK(std::string(a->GetAttribute(0)->GetStoredValue()) == stored);
        char value[32] = {};
        a->GetAttribute(0)->GetValue(value, 0);
        CHECK(std::string(value) == "<\"&'>");
        CHECK(xmltest::Texts(a) == "x &lt; y");
    }
    SUBCASE("bad indexes and borrowed children are refused") {
        CHECK(root->UnloadChild(99) == 0);
        CHECK(root->ReloadChild(99) == 0);
        XMLElement other(nullptr, "other");
        root->AddBorrowedChild(&other, 5);
        CHECK(root->UnloadChild(4) == 0);
        CHECK(root->GetChild(4) == &other);
        root->RemoveBorrowedChildren();
    }
    SUBCASE("removing an unloaded child deletes its file") {
        REQUIRE(root->UnloadChild(1) == 1);
        root->RemoveChild(1);
        CHECK(ListFiles(dir.Path()).empty());
    }
}
