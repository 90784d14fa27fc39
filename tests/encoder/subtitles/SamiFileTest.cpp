#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "SubtitleTestUtil.h"
#include "encoder/subtitles/SamiFile.h"
#include "platform/com/ComPtr.h"
#include "platform/win32/CodePage.h"

namespace {

const char* kStyle =
    "<SAMI>\r\n<HEAD>\r\n<STYLE TYPE=\"text/css\">\r\n<!--\r\n"
    "P { margin-left:8pt; margin-right:8pt; }\r\n"
    ".KRCC { Name: Korean; lang: ko-KR; SAMIType: CC; }\r\n"
    "-->\r\n</STYLE>\r\n</HEAD>\r\n<BODY>\r\n";

ComPtr<ISubPicProvider> Open(TempDir& dir, const std::string& bytes, SubtitleOpenParams params = {})
{
    std::string path = dir.File("sub.smi");
    WriteBytes(path, bytes);
    return ComPtr<ISubPicProvider>(CreateSamiProvider(CString(dir.WFile("sub.smi")), &params));
}

struct Probe {
    int ms;
    const char* text;  // spelled: "\n" for a line feed
    int start;
};

struct Row {
    const char* name;
    std::string body;  // after the style block
    std::vector<Probe> probes;
    int lineJoin = 0;
};

TEST(SamiFile, EntriesAtTimes)
{
    const Row rows[] = {
        {"break",
         "<SYNC Start=1000><P Class=KRCC>Hello<br>World\r\n",
         {{999, "<none>", -1}, {1000, "Hello\\nWorld", 1000}, {50000, "Hello\\nWorld", 1000}}},
        {"crlf lines join with a blank",
         "<SYNC Start=1000><P Class=KRCC>\r\nHello\r\nWorld\r\n<SYNC Start=2000><P Class=KRCC>&nbsp;\r\n",
         {{1500, "Hello World", 1000}, {2000, " ", 2000}}},
        {"lf lines keep their ends",
         "<SYNC Start=1000><P Class=KRCC>\nHello\nWorld\n",
         {{1000, "Hello\\n World\\n", 1000}}},
        {"line-join mode", "<SYNC Start=1000><P Class=KRCC>\r\nHello\r\nWorld\r\n", {{1000, "Hello\\nWorld", 1000}}, 1},
        {"font colours",
         "<SYNC Start=10><P Class=KRCC><font color=red>A</font>B\r\n"
         "<SYNC Start=20><P Class=KRCC><FONT COLOR=\"#00FF00\">G</FONT>\r\n"
         "<SYNC Start=30><P Class=KRCC><font color=nosuchcolour>N</font><font color=nosuch>K</font><font "
         "face=x>F</font>\r\n"
         "<SYNC Start=40><P Class=KRCC><font color=\"Navy\"><font color=#123>X</font></font>\r\n",
         {{10, "@@^ff0000A@@^ffffffB", 10},
          {20, "@@^00ff00G@@^ffffff", 20},
          {30, "N@@^ffffff@@^000000K@@^ffffffF@@^ffffff", 30},
          {40, "@@^000080X@@^000080@@^ffffff", 40}}},
        {"styles", "<SYNC Start=5><P Class=KRCC><b>B</b> <i>I</i> <u>U</u>\r\n", {{5, "@@<B@@> @@/I@@\\ @@_U@@-", 5}}},
        {"entities",
         "<SYNC Start=1><P Class=KRCC>&lt;&gt;&gt|&amp;&amp|&apos;&shy;&quot;|&#65;&#66|&#0;&#55296;&#1114112;&#x\r\n",
         {{1, "<>>|&&|'-\"|AB|x", 1}}},
        {"equal times merge, order is sorted",
         "<SYNC Start=3000><P Class=KRCC>three\r\n<SYNC Start=1000><P Class=KRCC>one\r\n"
         "<SYNC Start=1000><P Class=KRCC>uno\r\n<SYNC Start=2000><P Class=KRCC>\r\n",
         {{1000, "one\\nuno", 1000}, {2500, "", 2000}, {3000, "three", 3000}}},
        {"same class paragraph breaks the line",
         "<SYNC Start=1><P Class=KRCC>a<P Class=krcc>b<P Class=ENCC>c\r\n",
         {{1, "c\\na\\nb", 1}}},  // two classes: combined list, ENCC (later) above KRCC
        {"body end closes", "<SYNC Start=7><P Class=KRCC>end</BODY>tail\r\n", {{7, "end", 7}}},
        {"tags with attributes are passed over",
         "<SYNC Start=7 End=9><P Class=KRCC ID=x><SPAN>t</SPAN>\r\n",
         {{7, "t", 7}}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TempDir dir;
        SubtitleOpenParams params;
        params.nLineJoinMode = r.lineJoin;
        auto p = Open(dir, kStyle + r.body + "</BODY></SAMI>\r\n", params);
        ASSERT_TRUE(p);
        for (const auto& probe : r.probes) {
            Shown s = ShowAt(p.Get(), probe.ms);
            EXPECT_EQ(probe.text, s.text) << probe.ms;
            EXPECT_EQ(probe.start, s.start) << probe.ms;
        }
    }
}

TEST(SamiFile, FilesThatDoNotLoad)
{
    TempDir dir;
    SubtitleOpenParams params;
    EXPECT_FALSE(Open(dir, ""));
    EXPECT_FALSE(Open(dir, kStyle));                                                     // no entry
    EXPECT_FALSE(Open(dir, std::string(kStyle) + "<SYNC Start=1><P Class=\"KRCC\">x"));  // quoted class: dropped
    EXPECT_FALSE(CreateSamiProvider(CString(dir.WFile("missing.smi")), &params));
    EXPECT_FALSE(CreateSamiProvider(CString(dir.WFile("sub.smi")), nullptr));
    std::string big(10000000, ' ');
    big.replace(0, 20, "<SYNC Start=1><P>x\r\n");
    EXPECT_FALSE(Open(dir, big));
}

TEST(SamiFile, LanguagesAndCombinedList)
{
    TempDir dir;
    std::string style =
        "<SAMI><HEAD><STYLE><!--\r\n.KRCC { Name: Korean; lang: ko-KR; }\r\n"
        ".ENCC {Name:English; lang: en-US;}\r\n.XYCC { Name: Other; }\r\n-->\r\n</STYLE></HEAD><BODY>\r\n";
    auto p = Open(dir, style +
                           "<SYNC Start=1000><P Class=KRCC>kr1\r\n<P Class=ENCC>en1\r\n"
                           "<SYNC Start=2000><P Class=ENCC>en2\r\n"
                           "<SYNC Start=3000><P Class=KRCC>kr3\r\n"
                           "<SYNC Start=4000><P Class=ENCC>&nbsp;\r\n");
    ASSERT_TRUE(p);
    ComPtr<ISamiLanguage> lang;
    ASSERT_EQ(S_OK, p.As(&lang));
    EXPECT_EQ(2, lang->GetLanguageCount());  // XYCC has no entries and is dropped
    EXPECT_EQ(1042u, lang->GetLanguageId(0));
    EXPECT_EQ(1033u, lang->GetLanguageId(1));
    EXPECT_EQ(0u, lang->GetLanguageId(2));
    EXPECT_EQ(0u, lang->GetLanguageId(-1));
    EXPECT_EQ(0u, lang->GetLanguage());
    EXPECT_EQ(1, lang->HasLanguage(0));
    EXPECT_EQ(1, lang->HasLanguage(1033));
    EXPECT_EQ(0, lang->HasLanguage(1041));

    // Combined: later classes stand above earlier ones.
    EXPECT_EQ("1000:en1\\nkr1 | 2000:en2\\nkr1 | 3000:en2\\nkr3 | 4000: ", AllEntries(p.Get()));

    lang->SetLanguage(1042);
    EXPECT_EQ(1042u, lang->GetLanguage());
    EXPECT_EQ("1000:kr1 | 3000:kr3", AllEntries(p.Get()));
    EXPECT_EQ("kr1", ShowAt(p.Get(), 2500).text);

    lang->SetLanguage(1041);  // no such class: all combined
    EXPECT_EQ(0u, lang->GetLanguage());
    EXPECT_EQ("en2\\nkr3", ShowAt(p.Get(), 3500).text);

    // Right after a change, the walk restarts and neighbours start at the head.
    lang->SetLanguage(1033);
    POSITION head = p->GetNextPosition(nullptr);
    EXPECT_EQ(p->GetFirstPosition(), head);
    EXPECT_EQ(nullptr, p->GetNextPosition(nullptr));
    EXPECT_EQ(nullptr, p->GetPrevPosition(head));
}

TEST(SamiFile, OneClassIsServedWhateverTheLanguage)
{
    TempDir dir;
    auto p = Open(dir, "<SYNC Start=1><P>plain\r\n");  // no style block, no class
    ASSERT_TRUE(p);
    ComPtr<ISamiLanguage> lang;
    ASSERT_EQ(S_OK, p.As(&lang));
    EXPECT_EQ(1, lang->GetLanguageCount());
    EXPECT_EQ(1033u, lang->GetLanguageId(0));  // EGCC
    lang->SetLanguage(1042);
    EXPECT_EQ(1033u, lang->GetLanguage());
    EXPECT_EQ("plain", ShowAt(p.Get(), 5).text);
}

TEST(SamiFile, ProviderResultsAndReferenceCount)
{
    TempDir dir;
    SubtitleOpenParams params;
    WriteBytes(dir.File("a.smi"), std::string(kStyle) + "<SYNC Start=1500><P Class=KRCC>x\r\n");
    ISubPicProvider* raw = CreateSamiProvider(CString(dir.WFile("a.smi")), &params);
    ASSERT_NE(nullptr, raw);
    EXPECT_EQ(1u, raw->AddRef());  // handed out with a count of 0
    const wchar_t* text = reinterpret_cast<const wchar_t*>(1);
    REFERENCE_TIME t = 0;
    EXPECT_EQ(E_INVALIDARG, raw->GetText(nullptr, &text));
    EXPECT_EQ(nullptr, text);
    EXPECT_EQ(E_INVALIDARG, raw->GetStartTime(nullptr, &t));
    EXPECT_EQ(-1, t);
    EXPECT_EQ(0, raw->GetProviderKind());
    EXPECT_EQ(E_NOTIMPL, raw->GetDuration(raw->GetFirstPosition(), &t));
    EXPECT_EQ(raw->GetFirstPosition(), raw->GetLastPosition());
    raw->SetTimeOffset(-10000000);
    EXPECT_EQ(-10000000, raw->GetTimeOffset());
    EXPECT_EQ(nullptr, raw->FindPosition(nullptr, 20000000));
    EXPECT_NE(nullptr, raw->FindPosition(nullptr, 25000000));
    void* unknown = nullptr;
    ComPtr<ISamiLanguage> lang;
    ASSERT_EQ(S_OK, ComPtr<ISubPicProvider>(raw).As(&lang));
    ASSERT_EQ(S_OK, lang->QueryInterface(IID_IUnknown, &unknown));
    EXPECT_EQ(static_cast<void*>(raw), unknown);
    lang->Release();
    lang = nullptr;
    EXPECT_EQ(0u, raw->Release());
}

// The same subtitle in every code page the reader takes, and in UTF-16LE
// and UTF-8.
TEST(SamiFile, CodePagesAndUnicode)
{
    for (const auto& s : kSamples) {
        SCOPED_TRACE(s.charset);
        TempDir dir;
        std::string utf8 = std::string(kStyle) + "<SYNC Start=1000><P Class=KRCC>" + s.utf8 + "\r\n";
        std::wstring expected = Utf8ToWide(s.utf8);
        std::string native = ConvertWithIconv(utf8, s.charset, dir);

        SubtitleOpenParams detect;  // -1: detect
        auto p = Open(dir, native, detect);
        ASSERT_TRUE(p);
        EXPECT_EQ(Spell(expected), ShowAt(p.Get(), 1000).text);
        EXPECT_EQ(static_cast<int>(s.codePage), static_cast<CSamiFile*>(p.Get())->Parser().CodePageUsed());

        SubtitleOpenParams given;
        given.nCodePage = static_cast<int>(s.codePage);
        p = Open(dir, native, given);
        ASSERT_TRUE(p);
        EXPECT_EQ(Spell(expected), ShowAt(p.Get(), 1000).text);

        p = Open(dir, "\xFF\xFE" + WideToUtf16LeBytes(Utf8ToWide(utf8)), given);
        ASSERT_TRUE(p);
        EXPECT_EQ(Spell(expected), ShowAt(p.Get(), 1000).text);

        p = Open(dir, "\xEF\xBB\xBF" + utf8, given);
        ASSERT_TRUE(p);
        EXPECT_EQ(Spell(expected), ShowAt(p.Get(), 1000).text);

        p = Open(dir, utf8, detect);  // UTF-8 without a mark, found by detection
        ASSERT_TRUE(p);
        EXPECT_EQ(Spell(expected), ShowAt(p.Get(), 1000).text);
    }
    // Bytes detection cannot place are read in the ANSI code page (949).
    TempDir dir;
    auto p = Open(dir, std::string(kStyle) + "<SYNC Start=1><P Class=KRCC>\x81\x82\x81\x83\r\n");
    ASSERT_TRUE(p);
    EXPECT_EQ(0, static_cast<CSamiFile*>(p.Get())->Parser().CodePageUsed());
    EXPECT_EQ("\xEA\xB1\x97\xEA\xB1\x99", ShowAt(p.Get(), 1).text);
}

TEST(SamiFile, TruncatedAndMalformedInput)
{
    TempDir dir;
    std::string whole = std::string(kStyle) +
                        "<SYNC Start=1000><P Class=KRCC><font color=\"#ff00ff\">A&#6<b>B</font>\r\n"
                        "<SYNC Start=99999999999999><P Class=KRCC>&amp;&#99999999999999999;<br\r\n";
    for (size_t cut = 0; cut <= whole.size(); cut += 3) {
        auto p = Open(dir, whole.substr(0, cut));
        if (p) AllEntries(p.Get());
    }
    using namespace std::string_literals;
    const std::string odd[] = {"<"s,
                               "<!--"s,
                               "<!-- .A { Name:"s,
                               "<SYNC Start="s,
                               "<P Class="s,
                               "&#"s,
                               "<SYNC Start=5><P>\xFF\xFE"s,
                               "\xFF\xFE<\0S\0"s,
                               "\xFF\xFE<\0"s,
                               "<SYNC START=1><P CLASS=A></FONT></FONT><FONT COLOR=>x"s};
    for (const auto& o : odd) {
        auto p = Open(dir, o);
        if (p) AllEntries(p.Get());
    }
    auto p = Open(dir, "<SYNC Start=99999999999999><P>x\r\n");
    ASSERT_TRUE(p);
    EXPECT_EQ(INT32_MAX, ShowAt(p.Get(), INT32_MAX).start);
}

TEST(SamiFile, LanguageChangesWhileTheStreamingThreadReads)
{
    TempDir dir;
    std::string style =
        "<SAMI><HEAD><STYLE><!--\r\n.KRCC { Name: Korean; }\r\n.ENCC "
        "{Name:English;}\r\n-->\r\n</STYLE></HEAD><BODY>\r\n";
    std::string body;
    for (int i = 0; i < 200; ++i)
        body += "<SYNC Start=" + std::to_string(i * 100) + "><P Class=" + (i % 2 ? "KRCC" : "ENCC") + ">t\r\n";
    auto p = Open(dir, style + body);
    ASSERT_TRUE(p);
    ComPtr<ISamiLanguage> lang;
    ASSERT_EQ(S_OK, p.As(&lang));
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        POSITION hint = nullptr;
        for (int k = 0; !stop; k = (k + 37) % 20000) {
            hint = p->FindPosition(hint, REFERENCE_TIME(k) * 10000);
            const wchar_t* text = nullptr;
            if (hint) p->GetText(hint, &text);
        }
    });
    for (int i = 0; i < 2000; ++i) lang->SetLanguage(i % 3 == 0 ? 1042 : i % 3 == 1 ? 1033 : 0);
    stop = true;
    reader.join();
}

}  // namespace
