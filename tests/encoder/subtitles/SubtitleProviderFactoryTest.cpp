// Which reader the factory gives each kind of subtitle file.
#include <gtest/gtest.h>

#include "VobSubTestUtil.h"
#include "encoder/subtitles/SamiFile.h"
#include "encoder/subtitles/SubtitleProviderFactory.h"

namespace {

enum class Reader { None, Picture, Text, Sami };

struct Row {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;  // name, content
    std::string open;
    Reader reader;
    const wchar_t* firstText = nullptr;
};

TEST(SubtitleProviderFactory, ReaderForEachFile)
{
    TestSet vobsub;
    vobsub.Add(0, "en", 1000, PlainUnit(40, 20, 100, 50, 1, 90));
    const std::string idx = vobsub.Index();
    const std::string sub = vobsub.stream.Data();
    const std::string microDvd = "{10}{20}Hello\r\n{30}{40}World\r\n";
    const Row rows[] = {
        {"picture set by its index", {{"movie.idx", idx}, {"movie.sub", sub}}, "movie.idx", Reader::Picture},
        {"picture set by its .sub", {{"movie.idx", idx}, {"movie.sub", sub}}, "movie.sub", Reader::Picture},
        {"MicroDVD .sub without an index", {{"movie.sub", microDvd}}, "movie.sub", Reader::Text, L"Hello"},
        {"MicroDVD .sub beside an index of another set", {{"movie.idx", idx}, {"movie.sub", microDvd}}, "movie.sub",
         Reader::Text, L"Hello"},
        {"SubRip", {{"movie.srt", "1\r\n00:00:01,000 --> 00:00:02,000\r\nLine\r\n"}}, "movie.srt", Reader::Text,
         L"Line"},
        {"SSA", {{"movie.ssa", "[Events]\r\nDialogue: Marked=0,0:00:01.00,0:00:02.00,Default,,0,0,0,,Text\r\n"}},
         "movie.ssa", Reader::Text, L"Text"},
        {"SAMI", {{"movie.smi", "<SAMI><BODY><SYNC Start=1000><P Class=KRCC>Hi</BODY></SAMI>"}}, "movie.smi",
         Reader::Sami},
        {"unknown kind read as SAMI", {{"movie.txt", "<SYNC Start=1000><P>Hi\r\n"}}, "movie.txt", Reader::Sami},
        {"plain text no reader takes", {{"movie.txt", "just some words\r\n"}}, "movie.txt", Reader::None},
        {"missing file", {}, "movie.smi", Reader::None},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        for (const auto& [name, content] : row.files) WriteBytes(dir.File(name), content);
        SubtitleOpenParams params;
        ISubPicProvider* p = reinterpret_cast<ISubPicProvider*>(1);
        HRESULT hr = OpenSubtitleProvider(&p, CString(dir.WFile(row.open)), &params);
        if (row.reader == Reader::None) {
            EXPECT_EQ(E_FAIL, hr);
            EXPECT_EQ(nullptr, p);
            continue;
        }
        ASSERT_EQ(S_OK, hr);
        ASSERT_NE(nullptr, p);
        // Handed out without a reference: the caller's AddRef is the first.
        EXPECT_EQ(1u, p->AddRef());
        void* other = nullptr;
        const bool streams = p->QueryInterface(IID_ISubStream, &other) == S_OK;
        if (streams) static_cast<ISubStream*>(other)->Release();
        const bool languages = p->QueryInterface(IID_ISamiLanguage, &other) == S_OK;
        if (languages) static_cast<ISamiLanguage*>(other)->Release();
        EXPECT_EQ(row.reader == Reader::Picture, streams);
        EXPECT_EQ(row.reader == Reader::Sami, languages);
        EXPECT_EQ(row.reader == Reader::Picture ? kSubProviderPicture : kSubProviderText, p->GetProviderKind());
        if (row.firstText) {
            const wchar_t* text = nullptr;
            ASSERT_EQ(S_OK, p->GetText(p->GetFirstPosition(), &text));
            EXPECT_STREQ(row.firstText, text);
        }
        EXPECT_EQ(0u, p->Release());
    }
}

TEST(SubtitleProviderFactory, EveryCallReadsTheFileAnew)
{
    TempDir dir;
    WriteBytes(dir.File("movie.sub"), "{10}{20}First\r\n");
    SubtitleOpenParams params;
    ComPtr<ISubPicProvider> a, b;
    ASSERT_EQ(S_OK, OpenSubtitleProvider(a.GetAddressOf(), CString(dir.WFile("movie.sub")), &params));
    a.Get()->AddRef();
    WriteBytes(dir.File("movie.sub"), "{10}{20}Second\r\n");
    ASSERT_EQ(S_OK, OpenSubtitleProvider(b.GetAddressOf(), CString(dir.WFile("movie.sub")), &params));
    b.Get()->AddRef();
    EXPECT_NE(a.Get(), b.Get());
    const wchar_t* text = nullptr;
    ASSERT_EQ(S_OK, b->GetText(b->GetFirstPosition(), &text));
    EXPECT_STREQ(L"Second", text);
    EXPECT_EQ(E_POINTER, OpenSubtitleProvider(nullptr, CString(dir.WFile("movie.sub")), &params));
}

}  // namespace
