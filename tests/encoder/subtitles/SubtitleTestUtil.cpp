#include "SubtitleTestUtil.h"

#include <gtest/gtest.h>

#include "platform/win32/CodePage.h"

std::string ConvertWithIconv(const std::string& utf8, const char* charset, TempDir& dir)
{
    std::string in = dir.File("iconv-in.txt");
    WriteBytes(in, utf8);
    int code = -1;
    std::string out = RunTool(std::string("iconv -f UTF-8 -t ") + charset + " '" + in + "'", &code);
    EXPECT_EQ(0, code) << "iconv to " << charset;
    return out;
}

std::string Spell(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text) {
        if (c == L'\n')
            out += "\\n";
        else if (c == L'\r')
            out += "\\r";
        else
            out += WideToUtf8(std::wstring(1, c));
    }
    return out;
}

const Sample kSamples[4] = {
    {"CP949", 949,
     "안녕하세요. 오늘은 날씨가 아주 좋습니다. 우리는 공원에 가서 산책을 했습니다. "
     "그리고 친구들과 함께 점심을 먹었습니다. 영화를 보고 집에 돌아왔습니다."},
    {"CP932", 932,
     "こんにちは。今日はとても良い天気です。私たちは公園に行って散歩をしました。"
     "それから友達と一緒に昼ご飯を食べました。映画を見て家に帰りました。"},
    {"CP936", 936,
     "你好。今天天气非常好。我们去公园散步了。然后和朋友们一起吃了午饭。我们看了电影然后回家了。"
     "这是一个中文字幕的测试文件，用来检查编码的识别是否正确。"},
    {"CP950", 950,
     "你好。今天天氣非常好。我們去公園散步了。然後和朋友們一起吃了午飯。我們看了電影然後回家了。"
     "這是一個中文字幕的測試檔案，用來檢查編碼的識別是否正確。"},
};

#include "modules/api/SubPicProvider.h"

Shown ShowAt(ISubPicProvider* provider, int ms)
{
    Shown shown;
    POSITION pos = provider->FindPosition(nullptr, REFERENCE_TIME(ms) * 10000);
    if (!pos) {
        shown.text = "<none>";
        return shown;
    }
    const wchar_t* text = nullptr;
    EXPECT_EQ(S_OK, provider->GetText(pos, &text));
    shown.text = text ? Spell(text) : "<null>";
    REFERENCE_TIME start = 0;
    EXPECT_EQ(S_OK, provider->GetStartTime(pos, &start));
    shown.start = static_cast<int>(start / 10000);
    return shown;
}

std::string AllEntries(ISubPicProvider* provider)
{
    std::string out;
    for (POSITION pos = provider->GetFirstPosition(); pos; pos = provider->GetNextPosition(pos)) {
        const wchar_t* text = nullptr;
        REFERENCE_TIME start = 0;
        provider->GetText(pos, &text);
        provider->GetStartTime(pos, &start);
        if (!out.empty()) out += " | ";
        out += std::to_string(start / 10000) + ":" + (text ? Spell(text) : "<null>");
    }
    return out;
}
