// Tests of copying elements to the clipboard and pasting them back; they
// need a display (Xvfb in the test script).
#include <windows.h>

#include <doctest.h>

#include <cstring>
#include <memory>
#include <string>

#include "xml/xml.h"
#include "xml_test_util.h"

using namespace xmltest;

namespace {

// Puts CF_TEXT bytes on the clipboard the way another program would.
bool PutText(const std::string& bytes)
{
    if (!OpenClipboard(nullptr))
        return false;
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 1);
    bool ok = false;
    if (block) {
        char* p = static_cast<char*>(GlobalLock(block));
        std::memcpy(p, bytes.c_str(), bytes.size() + 1);
        GlobalUnlock(block);
        ok = SetClipboardData(CF_TEXT, block) != nullptr;
        if (!ok)
            GlobalFree(block);
    }
    CloseClipboard();
    return ok;
}

bool EmptyIt()
{
    if (!OpenClipboard(nullptr))
        return false;
    const bool ok = EmptyClipboard() != FALSE;
    CloseClipboard();
    return ok;
}

// Holds the clipboard open on another thread until released.
class ClipboardHolder {
public:
    ClipboardHolder()
        : opened_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), release_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
    {
        thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
        WaitForSingleObject(opened_, 5000);
    }
    ~ClipboardHolder()
    {
        SetEvent(release_);
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
        CloseHandle(opened_);
        CloseHandle(release_);
    }
    ClipboardHolder(const ClipboardHolder&) = delete;
    ClipboardHolder& operator=(const ClipboardHolder&) = delete;
    bool Held() const { return held_; }

private:
    static DWORD WINAPI Run(void* self)
    {
        auto* h = static_cast<ClipboardHolder*>(self);
        // OpenClipboard needs a window of this thread to be held against others.
        HWND w = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        h->held_ = OpenClipboard(w) != FALSE;
        SetEvent(h->opened_);
        WaitForSingleObject(h->release_, 5000);
        if (h->held_)
            CloseClipboard();
        DestroyWindow(w);
        return 0;
    }

    HANDLE opened_;
    HANDLE release_;
    HANDLE thread_ = nullptr;
    bool held_ = false;
};

}  // namespace

TEST_CASE("an element goes to the clipboard and comes back equal")
{
    SUBCASE("names, attributes, text, comments and CDATA") {
        auto e = Parse("<r a=\"1\" b=\"x&amp;y&lt;z\"><!--note--><s>t &#65; it's</s><e b=\"2\"/>"
                       "<![CDATA[<raw>]]><s>u \xC3\xA9</s></r>");
        REQUIRE(e);
        CHECK(e->CopyToClipboard() == 1);
        std::unique_ptr<XMLElement> back(XMLElement::PasteFromClipboard());
        REQUIRE(back);
        CHECK(back->Compare(e.get()) == 0);
        CHECK(back->GetParent() == nullptr);
    }
    SUBCASE("text far longer than the memory estimate") {
        // Deep levels indented by 50 blanks each and long names: the written
        // text is many times what the tree takes in memory.
        XMLElement root(nullptr, "<root>");
        XmlExportFormat wide{1, 50, 0};
        XMLElement* at = &root;
        for (int i = 0; i < 150; ++i) {
            at->AddChildFromTag(("<" + std::string(200, char('a' + i % 26)) + ">").c_str());
            at = at->GetChild(0);
        }
        root.SetExportFormat(&wide);
        std::string text;
        REQUIRE(XmlWriteElementToText(&root, 0, 1, 1, &text) == 1);
        CHECK(text.size() > 4 * root.GetMemoryUsage());
        CHECK(root.CopyToClipboard() == 1);
        std::unique_ptr<XMLElement> back(XMLElement::PasteFromClipboard());
        REQUIRE(back);
        CHECK(back->Compare(&root) == 0);
    }
}

TEST_CASE("pasting what another program left")
{
    SUBCASE("an empty clipboard gives nothing") {
        REQUIRE(EmptyIt());
        CHECK(XMLElement::PasteFromClipboard() == nullptr);
    }
    SUBCASE("an element whose end never comes gives nothing") {
        REQUIRE(PutText("<a><b>"));
        CHECK(XMLElement::PasteFromClipboard() == nullptr);
    }
    SUBCASE("text with a declaration and a comment") {
        REQUIRE(PutText("<?xml version=\"1.0\"?><!--c--><w n=\"x\"/>"));
        std::unique_ptr<XMLElement> back(XMLElement::PasteFromClipboard());
        REQUIRE(back);
        auto expected = Parse("<w n=\"x\"/>");
        CHECK(back->Compare(expected.get()) == 0);
    }
}

TEST_CASE("a clipboard held by another thread refuses, and nothing is left behind")
{
    auto e = Parse("<a/>");
    REQUIRE(PutText("<before/>"));
    {
        ClipboardHolder holder;
        REQUIRE(holder.Held());
        CHECK(e->CopyToClipboard() == 0);
        CHECK(XMLElement::PasteFromClipboard() == nullptr);
    }
    // The clipboard was neither emptied nor left open by the failed calls.
    std::unique_ptr<XMLElement> back(XMLElement::PasteFromClipboard());
    REQUIRE(back);
    auto before = Parse("<before/>");
    CHECK(back->Compare(before.get()) == 0);
    CHECK(OpenClipboard(nullptr));
    CloseClipboard();
}
