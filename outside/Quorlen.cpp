// Subtitle converter: RealText (.rt) to SAMI.
//
//   Quorlen <input.rt> <output.smi>
//
// The RealText window is followed through its time marks: at each <time
// begin="..."/> the window's content so far becomes an entry at the previous
// mark; <clear/> empties the window; an end="..." time clears it again then.
// Text keeps its b, i, u and font tags and its <br/> line breaks (also <p>
// and <hr/>); runs of white space become one blank; other markup is dropped.
// Exit code 0 on success; 1 when the files cannot be read or written; 2 when
// the input is not well-formed RealText (nothing is written then).
#include <cstdio>
#include <cwctype>
#include <map>
#include <string>
#include <vector>

#include "outside/SamiWriter.h"
#include "platform/win32/CodePage.h"

namespace {

struct Tag {
    std::wstring name;                                // lower case, with a leading '/' for an end tag
    std::wstring text;                                // everything between the brackets
    std::map<std::wstring, std::wstring> attributes;  // names in lower case
};

// Parses the text between '<' and '>'; false when it is no tag.
bool ParseTag(const std::wstring& text, Tag* tag)
{
    tag->text = text;
    size_t i = 0;
    if (i < text.size() && text[i] == L'/') tag->name += text[i++];
    while (i < text.size() && (std::iswalnum(text[i]) || text[i] == L'_' || text[i] == L'-'))
        tag->name += static_cast<wchar_t>(std::towlower(text[i++]));
    if (tag->name.empty() || tag->name == L"/") return false;
    while (i < text.size()) {
        while (i < text.size() && (std::iswspace(text[i]) || text[i] == L'/')) ++i;
        std::wstring name;
        while (i < text.size() && !std::iswspace(text[i]) && text[i] != L'=' && text[i] != L'/')
            name += static_cast<wchar_t>(std::towlower(text[i++]));
        if (name.empty()) break;
        while (i < text.size() && std::iswspace(text[i])) ++i;
        std::wstring value;
        if (i < text.size() && text[i] == L'=') {
            ++i;
            while (i < text.size() && std::iswspace(text[i])) ++i;
            if (i < text.size() && (text[i] == L'"' || text[i] == L'\'')) {
                wchar_t quote = text[i++];
                size_t close = text.find(quote, i);
                if (close == std::wstring::npos) return false;
                value = text.substr(i, close - i);
                i = close + 1;
            } else {
                while (i < text.size() && !std::iswspace(text[i])) value += text[i++];
            }
        }
        tag->attributes[name] = value;
    }
    return true;
}

// RealText times: [[[days:]hours:]minutes:]seconds[.fraction].
bool ParseTime(const std::wstring& text, int64_t* ms)
{
    std::vector<int64_t> parts;
    size_t i = 0;
    int64_t fractionMs = 0;
    while (true) {
        int64_t v = 0;
        int digits = 0;
        while (i < text.size() && std::iswdigit(text[i]) && digits < 9) {
            v = v * 10 + (text[i++] - L'0');
            ++digits;
        }
        if (digits == 0) return false;
        parts.push_back(v);
        if (i < text.size() && text[i] == L':') {
            ++i;
            continue;
        }
        if (i < text.size() && text[i] == L'.') {
            ++i;
            int64_t scale = 100;
            int fractionDigits = 0;
            while (i < text.size() && std::iswdigit(text[i])) {
                fractionMs += (text[i++] - L'0') * scale;
                scale /= 10;
                if (++fractionDigits > 9) return false;
            }
            if (fractionDigits == 0) return false;
        }
        break;
    }
    if (i != text.size() || parts.size() > 4) return false;
    static const int64_t unitMs[] = {1000, 60 * 1000, 3600 * 1000, 24 * 3600 * 1000};
    int64_t total = fractionMs;
    for (size_t k = 0; k < parts.size(); ++k) {
        int64_t v = parts[parts.size() - 1 - k];
        if (k + 1 < parts.size() && ((k < 2 && v > 59) || (k == 2 && v > 23))) return false;
        total += v * unitMs[k];
    }
    *ms = total;
    return true;
}

// Entities of the text: &lt; &gt; &amp; &quot; &apos; &nbsp; and &#N;.
std::wstring DecodeEntities(const std::wstring& text)
{
    static const std::pair<const wchar_t*, wchar_t> named[] = {{L"lt", L'<'},   {L"gt", L'>'},    {L"amp", L'&'},
                                                               {L"quot", L'"'}, {L"apos", L'\''}, {L"nbsp", L' '}};
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'&') {
            out += text[i];
            continue;
        }
        size_t semi = text.find(L';', i);
        if (semi == std::wstring::npos || semi - i > 10) {
            out += text[i];
            continue;
        }
        std::wstring name = text.substr(i + 1, semi - i - 1);
        bool done = false;
        for (const auto& [n, c] : named)
            if (name == n) {
                out += c;
                done = true;
            }
        if (!done && name.size() > 1 && name[0] == L'#') {
            wchar_t* end = nullptr;
            long code = std::wcstol(name.c_str() + 1, &end, 10);
            if (end && *end == L'\0' && code > 0 && code < 0x110000 && (code < 0xD800 || code > 0xDFFF)) {
                out += static_cast<wchar_t>(code);
                done = true;
            }
        }
        if (done)
            i = semi;
        else
            out += text[i];
    }
    return out;
}

// The RealText window as it builds up between time marks. Formatting tags
// that are open carry over a <clear/>: the new window starts with them.
class Converter {
public:
    explicit Converter(std::vector<SSamiEntry>* entries) : entries_(entries) {}

    void Text(const std::wstring& raw)
    {
        std::wstring collapsed;
        for (wchar_t c : raw) {
            if (std::iswspace(c)) {
                if (collapsed.empty() || collapsed.back() != L' ') collapsed += L' ';
            } else {
                collapsed += c;
            }
        }
        if (!hasText_ || EndsWithBreak()) {
            while (!collapsed.empty() && collapsed.front() == L' ') collapsed.erase(0, 1);
        }
        if (collapsed.empty()) return;
        window_ += EscapeSamiText(DecodeEntities(collapsed));
        hasText_ = true;
        changed_ = true;
    }
    // A formatting tag as PassThroughTag gives it.
    void Format(const std::wstring& markup)
    {
        if (markup.compare(0, 2, L"</") == 0) {
            std::wstring name = markup.substr(2, markup.size() - 3);
            for (size_t k = open_.size(); k > 0; --k) {
                if (open_[k - 1].first != name) continue;
                open_.erase(open_.begin() + static_cast<long>(k - 1));
                window_ += markup;
                break;
            }
            return;
        }
        size_t nameEnd = markup.find_first_of(L" >", 1);
        open_.emplace_back(markup.substr(1, nameEnd - 1), markup);
        window_ += markup;
    }
    void Break()
    {
        if (!hasText_ || EndsWithBreak()) return;
        TrimEnd();
        window_ += L"<br>";
        changed_ = true;
    }
    void Clear()
    {
        window_.clear();
        for (const auto& tag : open_) window_ += tag.second;
        hasText_ = false;
        changed_ = true;
    }
    // A mark without a begin time keeps the current time.
    void TimeMark(bool hasBegin, int64_t begin, bool hasEnd, int64_t end)
    {
        Flush();
        if (hasBegin) now_ = begin;
        if (hasEnd) clears_.push_back(end);
    }
    // The window at the last mark, when it changed since.
    void Flush()
    {
        if (!changed_) return;
        TrimEnd();
        std::wstring markup = kSamiClear;
        if (hasText_) {
            markup = window_;
            while (markup.size() >= 4 && markup.compare(markup.size() - 4, 4, L"<br>") == 0)
                markup.erase(markup.size() - 4);
            for (size_t k = open_.size(); k > 0; --k) markup += L"</" + open_[k - 1].first + L">";
        }
        // Two marks at one time: the later content is what shows.
        if (!entries_->empty() && entries_->back().startMs == now_)
            entries_->back().markup = markup;
        else
            entries_->push_back({now_, markup});
        changed_ = false;
    }
    // Clearing entries for the end times that no other entry meets.
    void AddEndClears()
    {
        for (int64_t end : clears_) {
            bool taken = false;
            for (const SSamiEntry& e : *entries_) taken = taken || e.startMs == end;
            if (!taken) entries_->push_back({end, kSamiClear});
        }
    }

private:
    bool EndsWithBreak() const { return window_.size() >= 4 && window_.compare(window_.size() - 4, 4, L"<br>") == 0; }
    void TrimEnd()
    {
        while (!window_.empty() && window_.back() == L' ') window_.pop_back();
    }

    std::vector<SSamiEntry>* entries_;
    std::wstring window_;
    std::vector<std::pair<std::wstring, std::wstring>> open_;  // name, opening markup
    bool hasText_ = false;
    bool changed_ = false;
    int64_t now_ = 0;
    std::vector<int64_t> clears_;
};

int Fail(const char* input, const char* why)
{
    std::fprintf(stderr, "Quorlen: %s: %s\n", input, why);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: Quorlen <input.rt> <output.smi>\n");
        return 1;
    }
    std::string bytes;
    if (!ReadSubtitleFile(argv[1], &bytes)) {
        std::fprintf(stderr, "Quorlen: %s: cannot be read (or is larger than %zu bytes)\n", argv[1],
                     kMaxSubtitleFileBytes);
        return 1;
    }
    const std::wstring text = DecodeSubtitleText(bytes);

    std::vector<SSamiEntry> entries;
    Converter converter(&entries);
    bool inWindow = false;
    bool windowEnded = false;
    size_t pos = 0;
    while (pos < text.size() && !windowEnded) {
        size_t lt = text.find(L'<', pos);
        std::wstring run = text.substr(pos, lt == std::wstring::npos ? std::wstring::npos : lt - pos);
        if (!run.empty()) {
            bool blank = true;
            for (wchar_t c : run) blank = blank && std::iswspace(c);
            if (!inWindow && !blank) return Fail(argv[1], "text before the <window> tag");
            if (inWindow) converter.Text(run);
        }
        if (lt == std::wstring::npos) break;
        if (text.compare(lt, 4, L"<!--") == 0) {
            size_t close = text.find(L"-->", lt + 4);
            if (close == std::wstring::npos) return Fail(argv[1], "a comment without its end");
            pos = close + 3;
            continue;
        }
        size_t gt = text.find(L'>', lt);
        if (gt == std::wstring::npos) return Fail(argv[1], "a tag without its closing '>'");
        Tag tag;
        if (!ParseTag(text.substr(lt + 1, gt - lt - 1), &tag)) return Fail(argv[1], "a malformed tag");
        pos = gt + 1;

        if (!inWindow) {
            if (tag.name != L"window") return Fail(argv[1], "no <window> tag: not a RealText file");
            inWindow = true;
            continue;
        }
        if (tag.name == L"/window") {
            windowEnded = true;
        } else if (tag.name == L"time") {
            int64_t begin = 0, end = 0;
            auto b = tag.attributes.find(L"begin");
            auto e = tag.attributes.find(L"end");
            if (b == tag.attributes.end() && e == tag.attributes.end())
                return Fail(argv[1], "a <time> tag without begin or end");
            if (b != tag.attributes.end() && !ParseTime(b->second, &begin))
                return Fail(argv[1], "a malformed begin time");
            if (e != tag.attributes.end() && !ParseTime(e->second, &end)) return Fail(argv[1], "a malformed end time");
            converter.TimeMark(b != tag.attributes.end(), begin, e != tag.attributes.end(), end);
        } else if (tag.name == L"clear") {
            converter.Clear();
        } else if (tag.name == L"br" || tag.name == L"p" || tag.name == L"/p" || tag.name == L"hr") {
            converter.Break();
        } else {
            std::wstring markup = PassThroughTag(tag.text);
            if (!markup.empty()) converter.Format(markup);
        }
    }
    if (!inWindow) return Fail(argv[1], "no <window> tag: not a RealText file");
    converter.Flush();
    converter.AddEndClears();

    bool anyText = false;
    for (const SSamiEntry& e : entries) anyText = anyText || e.markup != kSamiClear;
    if (!anyText) return Fail(argv[1], "no text");
    if (!WriteSamiFile(argv[2], entries)) {
        std::fprintf(stderr, "Quorlen: %s: cannot be written\n", argv[2]);
        return 1;
    }
    return 0;
}
