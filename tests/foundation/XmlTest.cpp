#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "foundation/XmlDocument.h"
#include "platform/win32/CodePage.h"
#include "tests/support/TempDir.h"

namespace {

bool ParseUtf8(CXmlDocument& doc, const std::string& text) { return doc.LoadFromMemory(text.data(), text.size()); }

std::vector<CXmlNode*> Children(const CXmlNode* node)
{
    std::vector<CXmlNode*> out;
    for (POSITION p = node->GetFirstChildPosition(); p;) out.push_back(node->GetNextChild(p));
    return out;
}

// One line per node: kind, name or text, attributes in document order,
// content; children indented. Two trees are equal when their dumps are.
void Dump(const CXmlNode* node, int depth, std::wstring& out)
{
    out += std::wstring(static_cast<size_t>(depth) * 2, L' ');
    out += std::to_wstring(node->m_nKind) + L":" + node->m_sName.str();
    CString key;
    void* value = nullptr;
    for (POSITION p = node->m_mapAttributes.GetStartPosition(); p;) {
        node->m_mapAttributes.GetNextAssoc(p, key, value);
        out += L" " + key.str() + L"=[" + static_cast<CString*>(value)->str() + L"]";
    }
    if (!node->m_sContent.IsEmpty()) out += L" {" + node->m_sContent.str() + L"}";
    out += L"\n";
    for (POSITION p = node->m_listChildren.GetHeadPosition(); p;) Dump(node->m_listChildren.GetNext(p), depth + 1, out);
}

std::wstring DumpDocument(const CXmlDocument& doc)
{
    std::wstring out;
    if (doc.m_pDeclaration) Dump(doc.m_pDeclaration, 0, out);
    if (doc.m_pRoot) Dump(doc.m_pRoot, 0, out);
    return out;
}

TEST(XmlDocument, AttributesTextCommentsAndScript)
{
    CXmlDocument doc;
    ASSERT_TRUE(ParseUtf8(doc, "<a x=1 y=\"two words\"/>"));
    CXmlNode* a = doc.m_pRoot;
    ASSERT_NE(nullptr, a);
    CString v;
    EXPECT_TRUE(a->GetAttribute(L"x", v));
    EXPECT_EQ(CString(L"1"), v);
    EXPECT_TRUE(a->GetAttribute(L"y", v));
    EXPECT_EQ(CString(L"two words"), v);
    EXPECT_FALSE(a->GetAttribute(L"X", v));  // names are exact
    EXPECT_EQ(nullptr, a->GetFirstChildPosition());
    EXPECT_EQ(nullptr, doc.m_pDeclaration);

    struct Row {
        const char* xml;
        const wchar_t* text;
    } texts[] = {
        {"<a>one   two</a>", L"one two"},
        {"<a>x &amp;amp; y</a>", L"x & y"},  // decoded by the lexer, then again
        {"<a>x a/b</a>", L"x a/ b"},
        {"<a>p=q ? r -- s</a>", L"p= q? r-- s"},  // a word ends at "="
        {"<a>\"quoted  words\" &lt;b&gt;</a>", L"quoted  words <b>"},
    };
    for (const auto& r : texts) {
        ASSERT_TRUE(ParseUtf8(doc, r.xml)) << r.xml;
        auto kids = Children(doc.m_pRoot);
        ASSERT_EQ(1u, kids.size()) << r.xml;
        EXPECT_EQ(CXmlNode::kText, kids[0]->m_nKind);
        EXPECT_EQ(CString(r.text), kids[0]->m_sName) << r.xml;
        EXPECT_EQ(CString(), kids[0]->GetName());
        EXPECT_EQ(nullptr, kids[0]->GetFirstChildPosition());
        EXPECT_FALSE(kids[0]->GetAttribute(L"x", v));
    }

    ASSERT_TRUE(ParseUtf8(doc, "<a><!-- note --><b/><!DOCTYPE ignored><c></c></a>"));
    auto kids = Children(doc.m_pRoot);
    ASSERT_EQ(2u, kids.size());
    EXPECT_EQ(CString(L"b"), kids[0]->GetName());
    EXPECT_EQ(kids[1], doc.m_pRoot->FindChildElement(L"c", false));
    EXPECT_EQ(nullptr, doc.m_pRoot->FindChildElement(L"C", false));
    EXPECT_EQ(kids[1], doc.m_pRoot->FindChildElement(L"C", true));

    ASSERT_TRUE(ParseUtf8(doc, "<a><?Script var a = 1 < 2; \"x\" ?><?Other k=v flag ?></a>"));
    CXmlNode* script = doc.m_pRoot->FindChildInstruction(L"Script", false);
    ASSERT_NE(nullptr, script);
    EXPECT_EQ(CString(L" var a = 1 < 2; \"x\" "), script->GetContent());
    EXPECT_EQ(script, doc.m_pRoot->FindChildInstruction(L"script", true));
    EXPECT_EQ(nullptr, doc.m_pRoot->FindChildElement(L"Script", false));
    CXmlNode* other = doc.m_pRoot->FindChildInstruction(L"Other", false);
    ASSERT_NE(nullptr, other);
    EXPECT_EQ(CString(L"Other"), other->GetName());
    EXPECT_FALSE(other->GetAttribute(L"k", v));  // an instruction is not an element
    EXPECT_EQ(CString(L"v"), *static_cast<CString*>(other->m_mapAttributes[L"k"]));
    EXPECT_EQ(CString(), *static_cast<CString*>(other->m_mapAttributes[L"flag"]));
}

TEST(XmlDocument, AttributeGetters)
{
    CXmlDocument doc;
    ASSERT_TRUE(ParseUtf8(doc, "<a n=\"abc\" m=\" -42x\" big=99999999999 u=\"-1\" w=7 s=&quot;q&quot;/>"));
    const CXmlNode* a = doc.m_pRoot;
    int i = 5;
    EXPECT_TRUE(a->GetAttributeInt(L"n", i));
    EXPECT_EQ(0, i);
    EXPECT_TRUE(a->GetAttributeInt(L"m", i));
    EXPECT_EQ(-42, i);
    EXPECT_TRUE(a->GetAttributeInt(L"big", i));
    EXPECT_EQ(2147483647, i);
    i = 5;
    EXPECT_FALSE(a->GetAttributeInt(L"missing", i));
    EXPECT_EQ(5, i);
    UINT u = 3;
    EXPECT_TRUE(a->GetAttributeUInt(L"u", u));
    EXPECT_EQ(0xFFFFFFFFu, u);
    EXPECT_TRUE(a->GetAttributeUInt(L"w", u));
    EXPECT_EQ(7u, u);
    u = 3;
    EXPECT_TRUE(a->GetAttributeUInt(L"n", u));  // present but no number: true, value kept
    EXPECT_EQ(3u, u);
    EXPECT_FALSE(a->GetAttributeUInt(L"missing", u));
    EXPECT_EQ(CString(L"\"q\""), a->GetAttributeString(L"s", L"d"));
    EXPECT_EQ(CString(L"d"), a->GetAttributeString(L"missing", L"d"));
}

TEST(XmlDocument, EveryErrorCodeFromASmallInput)
{
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<d>";
    struct Row {
        std::string xml;
        int code;
        const wchar_t* detail;
    } rows[] = {
        {"hello", 1, L""},
        {"<a>></a>", 2, L""},
        {"<a><b></a>", 3, L"b,a"},
        {"<a></>", 3, L"a,"},
        {"<?=?><a/>", 5, L""},
        {"<?xml version=?><a/>", 6, L""},
        {"<?xml > ?><a/>", 6, L""},
        {"<?xml version=\"1\" ?x><a/>", 7, L""},
        {"<a><?Script never closed</a>", 7, L""},
        {"<=a/>", 8, L""},
        {"<?xml?><a/>", 6, L""},
        {"<?xml v=1 ?><?xml v=2 ?><a/>", 8, L""},  // one instruction before the root
        {"<a x></a>", 9, L""},
        {"<a x=></a>", 10, L"x"},
        {"<a x=1 x=2>", 11, L"x"},
        {"<a/x>", 12, L""},
        {"<a>text", 13, L""},
        {"<a x=", 13, L""},
        {"<a><!-- c --", 14, L""},
        {"<a><!-- x -- y --></a>", 15, L""},
        {"<a><!-- never closed", 16, L""},
        {"<a><!DOCTYPE x", 16, L""},
        {deep, CXmlDocument::kErrTooDeep, L""},
    };
    for (const auto& r : rows) {
        CXmlDocument doc;
        EXPECT_FALSE(ParseUtf8(doc, r.xml)) << r.xml.substr(0, 40);
        EXPECT_EQ(r.code, doc.GetErrorCode()) << r.xml.substr(0, 40);
        std::wstring text = doc.GetErrorText().str();
        std::wstring suffix = std::wstring(L" ") + r.detail;
        EXPECT_TRUE(text.size() > suffix.size() &&
                    text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0)
            << r.xml.substr(0, 40) << ": " << WideToUtf8(text);
    }

    CXmlDocument doc;
    EXPECT_FALSE(ParseUtf8(doc, "<a><b></a>"));
    EXPECT_EQ(CString(L"태그의 시작과 끝이 일치하지 않음 b,a"), doc.GetErrorText());
    EXPECT_FALSE(ParseUtf8(doc, "<a x=1 x=2>"));
    EXPECT_EQ(CString(L"중복된 속성값 x"), doc.GetErrorText());
    // The partial tree stays: the root and the child read before the error.
    EXPECT_FALSE(ParseUtf8(doc, "<a><b/><c>oops</a>"));
    ASSERT_NE(nullptr, doc.m_pRoot);
    EXPECT_EQ(2u, Children(doc.m_pRoot).size());

    // An end tag without its '>' keeps error 4, but the element counts as
    // read and nothing after the root is looked at.
    EXPECT_TRUE(ParseUtf8(doc, "<a></a x"));
    EXPECT_EQ(4, doc.GetErrorCode());
    EXPECT_EQ(CString(L"태그의 종료('>')가 제대로 안됨 "), doc.GetErrorText());

    EXPECT_TRUE(ParseUtf8(doc, "<a/>trailing <junk"));
    EXPECT_EQ(0, doc.GetErrorCode());
    EXPECT_EQ(CString(L"오류 없음 "), doc.GetErrorText());
    EXPECT_FALSE(doc.LoadFromMemory("<", 1));
}

TEST(XmlDocument, LineAndColumnOfNodesAndErrors)
{
    CXmlDocument doc;
    EXPECT_FALSE(ParseUtf8(doc, "<a>\n  <b>\n</a>"));
    int line = -1, column = -1;
    EXPECT_TRUE(doc.GetErrorPosition(line, column));
    EXPECT_EQ(2, line);
    EXPECT_EQ(3, column);  // just after the end tag's name

    ASSERT_TRUE(ParseUtf8(doc,
                          "<?xml version=\"1.0\"?>\r\n"
                          "<root>\n"
                          "  <!-- a comment\n spanning lines -->  <item\n"
                          "     k=\"v\"/>\ttext here\n"
                          "  <?Script\nx\n?><last/>\n"
                          "</root>"));
    EXPECT_EQ(0, doc.m_pDeclaration->m_nLine);
    EXPECT_EQ(0, doc.m_pDeclaration->m_nColumn);
    EXPECT_EQ(1, doc.m_pRoot->m_nLine);
    EXPECT_EQ(0, doc.m_pRoot->m_nColumn);
    auto kids = Children(doc.m_pRoot);
    ASSERT_EQ(4u, kids.size());
    struct Row {
        int line, column;
    } expected[] = {{3, 21}, {4, 13}, {5, 2}, {7, 2}};
    for (size_t i = 0; i < kids.size(); ++i) {
        EXPECT_EQ(expected[i].line, kids[i]->m_nLine) << i;
        EXPECT_EQ(expected[i].column, kids[i]->m_nColumn) << i;
    }
    EXPECT_EQ(CString(L"text here"), kids[1]->m_sName);
    EXPECT_EQ(CString(L"\nx\n"), kids[2]->GetContent());
    CString version;
    EXPECT_TRUE(doc.m_pDeclaration->GetAttribute(L"version", version));  // read with the element kind
    EXPECT_EQ(CString(L"1.0"), version);
}

class XmlEncodings : public ::testing::Test {
protected:
    void TearDown() override { SetAnsiCodePage(949); }
    TempDir dir_;
};

// The same document in four encodings reads the same characters; iconv makes
// the other forms from the UTF-8 text.
TEST_F(XmlEncodings, SameTreeFromEveryEncoding)
{
    const std::string body =
        "<skin name=\"한글 스킨\" w=10>\n  <item>가나다 &amp; 라</item>\n  <?Script msg(\"안녕\"); ?>\n</skin>\n";
    WriteBytes(dir_.File("plain.xml"), "<?xml version=\"1.0\"?>\n" + body);
    RunTool("iconv -f UTF-8 -t UTF-16LE " + dir_.File("plain.xml") + " > " + dir_.File("u16.raw"));
    const std::string forms[] = {
        "\xFF\xFE" + ReadBytes(dir_.File("u16.raw")),
        "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n" + body,
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + body,
    };
    CXmlDocument reference;
    ASSERT_TRUE(ParseUtf8(reference, forms[1]));
    // Declarations differ by their encoding attribute only: compare the rest.
    auto treeText = [](const CXmlDocument& d) {
        std::wstring dump = DumpDocument(d);
        return dump.substr(dump.find(L'\n'));
    };
    std::wstring expected = treeText(reference);
    EXPECT_NE(std::wstring::npos, expected.find(L"name=[한글 스킨]"));
    EXPECT_NE(std::wstring::npos, expected.find(L"가나다 & 라"));
    EXPECT_NE(std::wstring::npos, expected.find(L"{ msg(\"안녕\"); }"));
    for (const auto& f : forms) {
        CXmlDocument doc;
        ASSERT_TRUE(ParseUtf8(doc, f));
        EXPECT_EQ(expected, treeText(doc));
    }

    // CP949 with an EUC-KR declaration, read through the ANSI setting.
    WriteBytes(dir_.File("euckr.xml"), "<?xml version=\"1.0\" encoding=\"EUC-KR\"?>\n" + body);
    RunTool("iconv -f UTF-8 -t CP949 " + dir_.File("euckr.xml") + " > " + dir_.File("cp949.xml"));
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(dir_.WFile("cp949.xml").c_str()));
    EXPECT_EQ(expected, treeText(doc));

    // With another ANSI setting the first load reads the bytes in it; the
    // declaration's 949 applies to the next load with the same object.
    SetAnsiCodePage(1252);
    CXmlDocument fresh;
    ASSERT_TRUE(fresh.LoadFile(dir_.WFile("cp949.xml").c_str()));
    EXPECT_EQ(std::wstring::npos, DumpDocument(fresh).find(L"한글 스킨"));
    ASSERT_TRUE(fresh.LoadFile(dir_.WFile("cp949.xml").c_str()));
    EXPECT_NE(std::wstring::npos, DumpDocument(fresh).find(L"한글 스킨"));
    // A configured code page comes before the fallback.
    CXmlDocument configured;
    configured.m_nCodePage = 949;
    ASSERT_TRUE(configured.LoadFile(dir_.WFile("cp949.xml").c_str()));
    EXPECT_NE(std::wstring::npos, DumpDocument(configured).find(L"한글 스킨"));
}

TEST_F(XmlEncodings, LoadFileFailures)
{
    CXmlDocument doc;
    EXPECT_FALSE(doc.LoadFile(dir_.WFile("missing.xml").c_str()));
    EXPECT_FALSE(doc.LoadFile(Utf8ToWide(dir_.path()).c_str()));  // a folder
    // A file above the limit is refused before anything is allocated.
    std::string big = dir_.File("big.xml");
    WriteBytes(big, "<a/>");
    ASSERT_EQ(0, truncate(big.c_str(), static_cast<off_t>(CXmlDocument::kMaxFileBytes) + 1));
    EXPECT_FALSE(doc.LoadFile(Utf8ToWide(big).c_str()));
    WriteBytes(big, "<a b='c'/>");
    EXPECT_TRUE(doc.LoadFile(Utf8ToWide(big).c_str()));
    EXPECT_EQ(CString(L"'c'"), doc.m_pRoot->GetAttributeString(L"b", L""));
}

// Real files nobody here wrote: a document type with an internal subset,
// comments, entities and thousands of elements.
TEST(XmlDocument, RealFilesParse)
{
    struct Row {
        const char* path;
        const wchar_t* root;
        const wchar_t* child;
    } rows[] = {
        {"/usr/share/mime/packages/freedesktop.org.xml", L"mime-info", L"mime-type"},
        {"/etc/fonts/fonts.conf", L"fontconfig", L"description"},
    };
    int parsed = 0;
    for (const auto& r : rows) {
        if (access(r.path, R_OK) != 0) continue;
        CXmlDocument doc;
        ASSERT_TRUE(doc.LoadFile(Utf8ToWide(r.path).c_str())) << r.path << ": " << WideToUtf8(doc.GetErrorText().str());
        ASSERT_NE(nullptr, doc.m_pRoot);
        EXPECT_EQ(CString(r.root), doc.m_pRoot->GetName());
        ASSERT_NE(nullptr, doc.m_pRoot->FindChildElement(r.child, false)) << r.path;
        if (std::string(r.path).find("mime") != std::string::npos) {
            // grep counts the types as the oracle.
            int expected = std::stoi(RunTool(std::string("grep -c '^\\s*<mime-type ' ") + r.path));
            int count = 0;
            for (CXmlNode* c : Children(doc.m_pRoot))
                if (c->m_nKind == CXmlNode::kElement && c->GetName() == L"mime-type") ++count;
            EXPECT_EQ(expected, count);
            EXPECT_GT(count, 100);
        }
        ++parsed;
    }
    if (parsed == 0) GTEST_SKIP() << "no system XML files here";
}

TEST(XmlDocument, InternalSubsetIsPassedOver)
{
    CXmlDocument doc;
    ASSERT_TRUE(ParseUtf8(doc,
                          "<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n <!ELEMENT r (x)*>\n <!ATTLIST x a CDATA \"1\">\n"
                          " <!-- note --> ]>\n<r><x a=\"2\"/></r>"));
    ASSERT_NE(nullptr, doc.m_pRoot->FindChildElement(L"x", false));
    EXPECT_EQ(CString(L"2"), doc.m_pRoot->FindChildElement(L"x", false)->GetAttributeString(L"a", L""));
}

// Every prefix and a byte flip at every position of a document that uses
// each construct: the parser must end cleanly every time.
TEST(XmlDocument, TruncateAndFlipSweep)
{
    const std::string sample =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE s [<!ELEMENT s ANY>]>\n"
        "<skin a=\"1\" b=c/d e='f'>\n <!-- comment -- -->\n <w x=\"&amp;&lt;\"/>text &amp;amp; more / = ? --\n"
        " <?Script run(\"?\"); ?><?pi k=v k2 ?>\n <n><m>한글</m></n>\n</skin>\n";
    CXmlDocument doc;
    for (size_t n = 0; n <= sample.size(); ++n) ParseUtf8(doc, sample.substr(0, n));
    const unsigned char values[] = {0x00, 0xFF, '<', '>', '"', '-', '/', '?', '='};
    for (size_t i = 0; i < sample.size(); ++i)
        for (unsigned char v : values) {
            std::string s = sample;
            s[i] = static_cast<char>(v);
            ParseUtf8(doc, s);
        }
    // UTF-16 text with an odd byte count and a lone surrogate.
    const char raw[] = "\xFF\xFE<\0a\0>\0\x00\xD8<\0/\0a\0>\0!";
    std::string u16(raw, sizeof raw - 1);
    EXPECT_TRUE(doc.LoadFromMemory(u16.data(), u16.size()) || doc.GetErrorCode() != 0);
    SUCCEED();
}

}  // namespace
