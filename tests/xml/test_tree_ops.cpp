// Tests of trees as values: comparing, copying, sorting, compaction, lookup
// with creation, detaching and merging.
#include <windows.h>

#include <doctest.h>

#include <cstring>
#include <iterator>
#include <memory>
#include <string>

#include "support/test_support.h"
#include "xml/xml.h"
#include "xml_test_util.h"

using namespace xmltest;

namespace {

std::string Children(const XMLElement* e)
{
    std::string names;
    for (uint32_t i = 0; i < e->GetChildCount(); ++i)
        names += (i ? " " : "") + (e->GetChild(i) ? Name(e->GetChild(i)) : std::string("<unloaded>"));
    return names;
}

using InFolder = testsupport::CurrentDir;

int ByNameDescending(const void* a, const void* b)
{
    return -CompareChildNames(a, b);
}

constexpr char kSample[] =
    "<r a=\"1\" b=\"x&amp;y\"><!--c--><s>t &#65; it's</s><e b=\"2\"/><![CDATA[<raw>]]><s>u</s></r>";

}  // namespace

TEST_CASE("comparing trees")
{
    auto a = Parse(kSample);
    auto b = Parse(kSample);
    REQUIRE(a);
    REQUIRE(b);
    CHECK(a->Compare(b.get()) == 0);

    SUBCASE("one attribute value differs") {
        b->GetAttribute(0)->SetValue("2", 0);
        CHECK(a->Compare(b.get()) == 1);
    }
    SUBCASE("the order of attributes matters") {
        b->SortAttributes(ByNameDescending);
        CHECK(a->Compare(b.get()) == 1);
    }
    SUBCASE("stored forms are compared, not what they read as") {
        auto c = Parse("<r a=\"1\" b=\"x&#38;y\"><!--c--><s>t &#65; it's</s><e b=\"2\"/><![CDATA[<raw>]]><s>u</s></r>");
        CHECK(Attr(c.get(), "b") == Attr(a.get(), "b"));
        CHECK(a->Compare(c.get()) == 1);
    }
    SUBCASE("a deeper difference, and texts, comments and CDATA") {
        b->GetChild(2)->AddTextNode("v", 0);
        CHECK(a->Compare(b.get()) == 1);
        auto d = Parse("<r a=\"1\" b=\"x&amp;y\"><!--C--><s>t &#65; it's</s><e b=\"2\"/><![CDATA[<raw>]]><s>u</s></r>");
        CHECK(a->Compare(d.get()) == 1);
        auto e = Parse("<r a=\"1\" b=\"x&amp;y\"><!--c--><s>t &#65; it's</s><e b=\"2\"/><![CDATA[<raw/>]]><s>u</s></r>");
        CHECK(a->Compare(e.get()) == 1);
    }
    SUBCASE("positions and owners take no part") {
        b->GetChild(0)->GetTextNode(0)->SetPosition(7);
        CHECK(a->Compare(b.get()) == 0);
    }
    SUBCASE("a pair with an unloaded child counts as equal") {
        testsupport::TempDir dir;
        InFolder here(dir.Path());
        b->GetChild(1)->AddAttribute("changed", "yes");
        REQUIRE(b->UnloadChild(1) == 1);
        CHECK(a->Compare(b.get()) == 0);
        CHECK(b->ReloadChild(1) == 1);
        CHECK(a->Compare(b.get()) == 1);
    }
    SUBCASE("documents compare roots, then prologs") {
        XMLDocument x;
        XMLDocument y;
        CHECK(x.Compare(&y) == 0);   // neither has anything
        x.SetRoot(a.release());
        CHECK(x.Compare(&y) == 1);
        y.SetRoot(b.release());
        CHECK(x.Compare(&y) == 0);
        x.SetProlog(new XMLProlog("<?xml version=\"1.0\"?>"));
        y.SetProlog(new XMLProlog("<?xml version=\"1.0\"?>"));
        CHECK(x.Compare(&y) == 0);
        y.GetProlog()->AppendComment(new XMLCommentNode(nullptr, 0, "note"), 0);
        CHECK(x.Compare(&y) == 1);
    }
}

TEST_CASE("a deep copy compares equal to its source")
{
    SUBCASE("a parsed tree, with entities, numeric references and apostrophes") {
        auto a = Parse(kSample);
        std::unique_ptr<XMLElement> copy(a->DeepCopy(nullptr));
        CHECK(copy->Compare(a.get()) == 0);
        CHECK(copy->GetChild(0)->GetParent() == copy.get());
        CHECK(copy->GetChild(0)->GetTextNode(0)->GetOwner() == copy->GetChild(0));
        CHECK(copy->GetCDataNode(0)->GetPosition() == 2);   // positions are kept
        CHECK(copy->GetComment(0)->GetPosition() == 0);
    }
    SUBCASE("names with &, <, blanks, quotes and '/' are copied as they are") {
        XMLElement root(nullptr, "<root>");
        const char* names[] = {"a&b", "x<y", "two words", "say \"hi\"", "a/b", "&amp;"};
        for (const char* n : names) {
            XMLElement* e = new XMLElement(nullptr, "", XML_KIND_TAG);
            e->SetName(n);
            e->AddAttribute(n, n);
            root.AppendChild(e);
        }
        XMLElement* bare = new XMLElement(nullptr, "<p&q r=\"s&t\">");   // stored as read: a bare '&'
        root.AppendChild(bare);
        std::unique_ptr<XMLElement> copy(root.DeepCopy(nullptr));
        CHECK(copy->Compare(&root) == 0);
        CHECK(copy->CheckIntegrity());
        for (size_t i = 0; i < std::size(names); ++i)
            CHECK(Name(copy->GetChild(uint32_t(i))) == names[i]);
        CHECK(std::string(copy->GetChild(6)->GetStoredName()) == "p&q");
    }
    SUBCASE("the copy names its parent without joining it") {
        auto a = Parse("<a><b/></a>");
        XMLElement other(nullptr, "<other>");
        std::unique_ptr<XMLElement> copy(a->GetChild(0)->DeepCopy(&other));
        CHECK(copy->GetParent() == &other);
        CHECK(other.GetChildCount() == 0);
    }
    SUBCASE("unloaded children are brought back and copied") {
        testsupport::TempDir dir;
        InFolder here(dir.Path());
        auto a = Parse("<a><b x=\"1\"><c/></b><d/></a>");
        auto reference = Parse("<a><b x=\"1\"><c/></b><d/></a>");
        REQUIRE(a->UnloadChild(0) == 1);
        std::unique_ptr<XMLElement> copy(a->DeepCopy(nullptr));
        CHECK(Children(copy.get()) == "b d");
        CHECK(copy->Compare(reference.get()) == 0);
    }
    SUBCASE("a document copy") {
        XMLDocument source;
        source.SetProlog(new XMLProlog("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>"));
        source.GetProlog()->AppendComment(new XMLCommentNode(nullptr, 1, "after"), 1);
        auto root = Parse(kSample);
        root->GetChild(0)->SetName("with blank");
        source.SetRoot(root.release());
        XMLDocument copy;
        copy.AssignCopy(&source);
        CHECK(copy.Compare(&source) == 0);
        CHECK(copy.CheckIntegrity());
    }
}

TEST_CASE("duplicates and assignments of records")
{
    SUBCASE("a text node duplicate is unescaped and escaped again") {
        XMLTextNode t(nullptr, 3, "&#65;&lt;", 1);
        std::unique_ptr<XMLTextNode> d(t.Duplicate());
        CHECK(std::string(d->GetStoredText()) == "A&lt;");
        CHECK(d->GetPosition() == 3);
        XMLTextNode u(nullptr, 0, "x", 0);
        u.Assign(&t);
        CHECK(std::string(u.GetStoredText()) == "&#65;&lt;");
        CHECK(u.GetPosition() == 3);
    }
    SUBCASE("an attribute duplicate has no owner; an assignment copies it") {
        XMLElement e(nullptr, "<e k=\"&#66;&amp;\">");
        std::unique_ptr<XMLAttribute> d(e.GetAttribute(0)->Duplicate());
        CHECK(d->GetOwner() == nullptr);
        CHECK(std::string(d->GetStoredValue()) == "B&amp;");
        XMLAttribute other("n", "v", 0);
        other.Assign(e.GetAttribute(0));
        CHECK(other.GetOwner() == &e);
        CHECK(other.Compare(e.GetAttribute(0)) == 0);
        CHECK(d->Compare(e.GetAttribute(0)) == 1);
    }
    SUBCASE("comment and CDATA copies keep text and position") {
        XMLCommentNode c(nullptr, 2, " &amp; ");
        std::unique_ptr<XMLCommentNode> dc(c.Duplicate());
        CHECK(std::string(dc->GetText()) == " &amp; ");
        CHECK(dc->GetPosition() == 2);
        XMLCDataNode d(nullptr, 1, "<x>");
        XMLCDataNode d2(nullptr, 0, "");
        d2.Assign(&d);
        CHECK(d2.Compare(&d) == 0);
        CHECK(d2.GetPosition() == 1);
    }
    SUBCASE("a prolog copy starts at capacity 5 with the comments in order") {
        XMLProlog p("<?xml version=\"1.0\"?>");
        for (int i = 0; i < 7; ++i)
            p.AppendComment(new XMLCommentNode(nullptr, i % 2, std::to_string(i).c_str()), i % 2);
        std::unique_ptr<XMLProlog> d(p.Duplicate());
        CHECK(d->Compare(&p) == 0);
        CHECK(d->GetCommentCount() == 7);
        CHECK(d->GetComment(6)->GetPosition() == 0);
        XMLProlog q("other");
        q.Assign(&p);
        CHECK(q.Compare(&p) == 0);
        XMLProlog r("<?xml version=\"1.0\"?>");
        r.Assign(&q);
        r.RemoveComment(3);
        CHECK(r.Compare(&p) == 1);
        CHECK(q.GetCommentCapacity() == 15);   // from 5, one step of 10
    }
}

TEST_CASE("sorting and compaction")
{
    SUBCASE("the default order ignores case") {
        auto a = Parse("<r z=\"1\" B=\"2\" a=\"3\"><b/><A/><c/></r>");
        a->SortChildren(nullptr);
        CHECK(Children(a.get()) == "A b c");
        a->SortAttributes(nullptr);
        CHECK(std::string(a->GetAttribute(0)->GetStoredName()) == "a");
        CHECK(std::string(a->GetAttribute(1)->GetStoredName()) == "B");
        a->SortChildren(ByNameDescending);
        CHECK(Children(a.get()) == "c b A");
    }
    SUBCASE("names are compared unescaped") {
        auto a = Parse("<r><b/><a&amp;z/><a&lt;/></r>");
        a->SortChildren(nullptr);
        CHECK(Children(a.get()) == "a&z a< b");
    }
    SUBCASE("an unloaded child is brought back before it moves") {
        testsupport::TempDir dir;
        InFolder here(dir.Path());
        auto a = Parse("<r><c/><b/><a/></r>");
        REQUIRE(a->UnloadChild(0) == 1);
        a->SortChildren(nullptr);
        CHECK(Children(a.get()) == "a b c");
    }
    SUBCASE("compaction shrinks to the counts, at least one slot") {
        auto a = Parse("<r><a/><b/><c><d/></c></r>");
        a->AddTextNode("t", 0);
        a->Compact();
        CHECK(a->GetChildCapacity() == 3);
        CHECK(a->GetAttributeCapacity() == 1);
        CHECK(a->GetCommentCapacity() == 1);
        CHECK(a->GetTextNodeCapacity() == 4);   // text nodes and CDATA keep theirs
        CHECK(a->GetCDataCapacity() == 10);
        CHECK(a->GetChild(2)->GetChildCapacity() == 1);
        a->AddChildFromTag("<e/>");
        CHECK(a->GetChildCapacity() == 23);   // then it grows by its usual step
        CHECK(Children(a.get()) == "a b c e");
    }
    SUBCASE("the memory estimate grows with the tree") {
        auto a = Parse("<r><a/></r>");
        const size_t before = a->GetMemoryUsage();
        a->GetChild(0)->AddAttribute("name", std::string(1000, 'x').c_str());
        CHECK(a->GetMemoryUsage() >= before + 1000);
    }
}

TEST_CASE("finding an element with creation")
{
    auto a = Parse("<r><x/><y/><x n=\"2\"/></r>");

    SUBCASE("the first of that name") {
        CHECK(a->FindElement("x", 0, nullptr) == a->GetChild(0));
        CHECK(a->FindElement("X", 0, nullptr) == nullptr);
        CHECK(a->GetChildCount() == 3);
    }
    SUBCASE("created from a start tag: name and attributes come from it") {
        XMLElement* e = a->FindElement("z", 1, "<zz k=\"v\" m=\"w\"/>");
        CHECK(Name(e) == "zz");
        CHECK(Attr(e, "k") == "v");
        CHECK(Attr(e, "m") == "w");
        CHECK(a->GetChild(3) == e);
        CHECK(e->GetParent() == a.get());
    }
    SUBCASE("created from a name, which is kept exactly") {
        XMLElement* e = a->FindElement("my <place> & \"more\"/", 1, nullptr);
        CHECK(Name(e) == "my <place> & \"more\"/");
        CHECK(a->FindElement("my <place> & \"more\"/", 1, nullptr) == e);
        CHECK(a->GetChildCount() == 4);
    }
    SUBCASE("an unloaded child is not seen") {
        testsupport::TempDir dir;
        InFolder here(dir.Path());
        REQUIRE(a->UnloadChild(1) == 1);
        XMLElement* e = a->FindElement("y", 1, nullptr);
        CHECK(a->GetChildCount() == 4);
        CHECK(a->GetChild(3) == e);
        CHECK(a->ReloadChild(1) == 1);
    }
}

TEST_CASE("detaching a child")
{
    auto a = Parse("<r><a/><b/><c/></r>");
    XMLElement* out = a.get();

    SUBCASE("the last one leaves no hole") {
        XMLElement* c = a->GetChild(2);
        CHECK(a->DetachChild(2, &out) == 2);
        CHECK(out == c);
        CHECK(Children(a.get()) == "a b");
        CHECK(c->GetParent() == a.get());   // left as it was
        delete c;
    }
    SUBCASE("a middle one closes the gap") {
        CHECK(a->DetachChild(0, &out) == 2);
        CHECK(Children(a.get()) == "b c");
        CHECK(a->GetChild(2) == nullptr);
        delete out;
    }
    SUBCASE("a bad index changes nothing and clears out") {
        CHECK(a->DetachChild(3, &out) == 3);
        CHECK(out == nullptr);
        CHECK(a->DetachChild(5, nullptr) == 3);
    }
    SUBCASE("an unloaded child is reloaded first") {
        testsupport::TempDir dir;
        InFolder here(dir.Path());
        REQUIRE(a->UnloadChild(1) == 1);
        CHECK(a->DetachChild(1, &out) == 2);
        REQUIRE(out != nullptr);
        CHECK(Name(out) == "b");
        CHECK(GetFileAttributesA((dir.Path() + "\\1.xmltmp").c_str()) == INVALID_FILE_ATTRIBUTES);
        delete out;
    }
    SUBCASE("a detached borrowed child is no longer taken for borrowed") {
        XMLElement lender(nullptr, "<lender>");
        XMLElement* lent = new XMLElement(&lender, "<lent/>");
        lender.AppendChild(lent);
        a->AddBorrowedChild(lent, 0);
        CHECK(a->DetachChild(0, &out) == 3);
        CHECK(out == lent);
        // Handed over for good: from now on a owns it, and nothing may
        // unlink it as if it were still on loan.
        lender.DetachChild(0, &out);
        a->AppendChild(lent);
        CHECK(a->RemoveBorrowedChildren() == 0);
        CHECK(Children(a.get()) == "a b c lent");
    }
    SUBCASE("without an out pointer the child is removed") {
        CHECK(a->DetachChild(1, nullptr) == 2);
        CHECK(Children(a.get()) == "a c");
    }
}

TEST_CASE("merging one tree into another")
{
    auto target = Parse("<r a=\"1\" b=\"2\"><x p=\"1\"/><y/><x p=\"9\"/></r>");
    auto source = Parse("<r b=\"3\" c=\"4&amp;5\"><x p=\"2\" q=\"3\"><deep/></x><z k=\"v\"/><x q=\"8\" s=\"7\"/>"
                        "<!--not merged-->text</r>");

    SUBCASE("without overwrite only what is missing is added") {
        CHECK(XMLElement::Merge(target.get(), source.get(), 0) == 0);
        CHECK(Attr(target.get(), "a") == "1");
        CHECK(Attr(target.get(), "b") == "2");
        CHECK(Attr(target.get(), "c") == "4&5");
        CHECK(Children(target.get()) == "x y x z");
        XMLElement* x = target->GetChild(0);
        CHECK(Attr(x, "p") == "1");
        CHECK(Attr(x, "q") == "3");          // the first x took both source x's
        CHECK(Attr(x, "s") == "7");
        CHECK(Children(x) == "deep");
        CHECK(Attr(target->GetChild(2), "q") == "<none>");
        CHECK(target->GetChild(3)->GetParent() == target.get());
        CHECK(target->GetCommentCount() == 0);
        CHECK(target->GetTextNodeCount() == 0);
    }
    SUBCASE("with overwrite existing values take the source's") {
        XMLElement::Merge(target.get(), source.get(), 1);
        CHECK(Attr(target.get(), "b") == "3");
        CHECK(Attr(target->GetChild(0), "p") == "2");
        CHECK(Attr(target->GetChild(0), "q") == "8");   // the second source x came later
    }
    SUBCASE("merging within one tree works from a snapshot") {
        XMLElement* y = target->GetChild(1);
        XMLElement::Merge(y, target.get(), 0);   // the whole tree into one of its leaves
        CHECK(Children(y) == "x y");
        CHECK(Attr(y, "a") == "1");
        CHECK(Children(y->GetChild(1)) == "");
        XMLElement::Merge(target.get(), target.get(), 1);   // itself: nothing changes
        CHECK(Children(target.get()) == "x y x");
    }
}
