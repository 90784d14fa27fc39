#include "ResourceScript.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>

#include "platform/win32/CodePage.h"

namespace resource_script {
namespace {

struct Flag {
    const char* name;
    uint32_t value;
};

// Generic styles of controls. "hidden" is handled apart (it clears WS_VISIBLE).
const Flag kControlGeneric[] = {
    {"tabstop", 0x00010000}, {"group", 0x00020000},    {"border", 0x00800000},       {"vscroll", 0x00200000},
    {"hscroll", 0x00100000}, {"disabled", 0x08000000}, {"clipsiblings", 0x04000000}, {"clipchildren", 0x02000000},
};

const Flag kDialogStyles[] = {
    {"popup", 0x80000000},
    {"child", 0x40000000},
    {"visible", 0x10000000},
    {"disabled", 0x08000000},
    {"clipsiblings", 0x04000000},
    {"clipchildren", 0x02000000},
    {"caption", 0x00C00000},
    {"border", 0x00800000},
    {"dlgframe", 0x00400000},
    {"vscroll", 0x00200000},
    {"hscroll", 0x00100000},
    {"sysmenu", 0x00080000},
    {"thickframe", 0x00040000},
    {"minimizebox", 0x00020000},
    {"maximizebox", 0x00010000},
    {"absalign", 0x01},
    {"sysmodal", 0x02},
    {"3dlook", 0x04},
    {"fixedsys", 0x08},
    {"nofailcreate", 0x10},
    {"setfont", 0x40},
    {"modalframe", 0x80},
    {"noidlemsg", 0x100},
    {"setforeground", 0x200},
    {"control", 0x400},
    {"center", 0x800},
    {"centermouse", 0x1000},
    {"contexthelp", 0x2000},
};

const Flag kExStyles[] = {
    {"dlgmodalframe", 0x1},     {"noparentnotify", 0x4}, {"topmost", 0x8},       {"acceptfiles", 0x10},
    {"transparent", 0x20},      {"toolwindow", 0x80},    {"windowedge", 0x100},  {"clientedge", 0x200},
    {"contexthelp", 0x400},     {"right", 0x1000},       {"rtlreading", 0x2000}, {"leftscrollbar", 0x4000},
    {"controlparent", 0x10000}, {"staticedge", 0x20000}, {"appwindow", 0x40000},
};

const Flag kButton[] = {
    {"pushbutton", 0x0},   {"defpushbutton", 0x1}, {"checkbox", 0x2}, {"autocheckbox", 0x3},    {"radiobutton", 0x4},
    {"3state", 0x5},       {"auto3state", 0x6},    {"groupbox", 0x7}, {"autoradiobutton", 0x9}, {"ownerdraw", 0xB},
    {"lefttext", 0x20},    {"icon", 0x40},         {"bitmap", 0x80},  {"left", 0x100},          {"right", 0x200},
    {"center", 0x300},     {"top", 0x400},         {"bottom", 0x800}, {"vcenter", 0xC00},       {"pushlike", 0x1000},
    {"multiline", 0x2000}, {"notify", 0x4000},     {"flat", 0x8000},
};
const Flag kStatic[] = {
    {"left", 0x0},
    {"center", 0x1},
    {"right", 0x2},
    {"icon", 0x3},
    {"blackrect", 0x4},
    {"grayrect", 0x5},
    {"whiterect", 0x6},
    {"blackframe", 0x7},
    {"grayframe", 0x8},
    {"whiteframe", 0x9},
    {"simple", 0xB},
    {"leftnowordwrap", 0xC},
    {"ownerdraw", 0xD},
    {"bitmap", 0xE},
    {"etchedhorz", 0x10},
    {"etchedvert", 0x11},
    {"etchedframe", 0x12},
    {"noprefix", 0x80},
    {"notify", 0x100},
    {"centerimage", 0x200},
    {"rightjust", 0x400},
    {"realsizeimage", 0x800},
    {"sunken", 0x1000},
    {"endellipsis", 0x4000},
    {"pathellipsis", 0x8000},
};
const Flag kEdit[] = {
    {"left", 0x0},         {"center", 0x1},     {"right", 0x2},         {"multiline", 0x4},    {"uppercase", 0x8},
    {"lowercase", 0x10},   {"password", 0x20},  {"autovscroll", 0x40},  {"autohscroll", 0x80}, {"nohidesel", 0x100},
    {"oemconvert", 0x400}, {"readonly", 0x800}, {"wantreturn", 0x1000}, {"number", 0x2000},
};
const Flag kRichEdit[] = {
    {"left", 0x0},
    {"center", 0x1},
    {"right", 0x2},
    {"multiline", 0x4},
    {"password", 0x20},
    {"autovscroll", 0x40},
    {"autohscroll", 0x80},
    {"nohidesel", 0x100},
    {"readonly", 0x800},
    {"wantreturn", 0x1000},
    {"disablenoscroll", 0x2000},
    {"sunken", 0x4000},
    {"savesel", 0x8000},
    {"selectionbar", 0x1000000},
};
const Flag kCombo[] = {
    {"simple", 0x1},
    {"dropdown", 0x2},
    {"dropdownlist", 0x3},
    {"ownerdrawfixed", 0x10},
    {"ownerdrawvariable", 0x20},
    {"autohscroll", 0x40},
    {"oemconvert", 0x80},
    {"sort", 0x100},
    {"hasstrings", 0x200},
    {"nointegralheight", 0x400},
    {"disablenoscroll", 0x800},
    {"uppercase", 0x2000},
    {"lowercase", 0x4000},
};
const Flag kListBox[] = {
    {"notify", 0x1},
    {"sort", 0x2},
    {"noredraw", 0x4},
    {"multiplesel", 0x8},
    {"ownerdrawfixed", 0x10},
    {"ownerdrawvariable", 0x20},
    {"hasstrings", 0x40},
    {"usetabstops", 0x80},
    {"nointegralheight", 0x100},
    {"multicolumn", 0x200},
    {"wantkeyboardinput", 0x400},
    {"extendedsel", 0x800},
    {"disablenoscroll", 0x1000},
    {"nodata", 0x2000},
    {"nosel", 0x4000},
};
const Flag kListView[] = {
    {"icon", 0x0},
    {"report", 0x1},
    {"smallicon", 0x2},
    {"list", 0x3},
    {"singlesel", 0x4},
    {"showselalways", 0x8},
    {"sortascending", 0x10},
    {"sortdescending", 0x20},
    {"shareimagelists", 0x40},
    {"nolabelwrap", 0x80},
    {"autoarrange", 0x100},
    {"editlabels", 0x200},
    {"ownerdata", 0x1000},
    {"noscroll", 0x2000},
    {"nocolumnheader", 0x4000},
    {"nosortheader", 0x8000},
};
const Flag kTrackbar[] = {
    {"autoticks", 0x1},    {"vert", 0x2},     {"horz", 0x0},       {"top", 0x4},        {"bottom", 0x0},
    {"left", 0x4},         {"right", 0x0},    {"both", 0x8},       {"noticks", 0x10},   {"enableselrange", 0x20},
    {"fixedlength", 0x40}, {"nothumb", 0x80}, {"tooltips", 0x100}, {"reversed", 0x200}, {"downisleft", 0x400},
};
const Flag kUpDown[] = {
    {"wrap", 0x1},       {"setbuddyint", 0x2}, {"alignright", 0x4},   {"alignleft", 0x8},  {"autobuddy", 0x10},
    {"arrowkeys", 0x20}, {"horz", 0x40},       {"nothousands", 0x80}, {"hottrack", 0x100},
};
const Flag kProgress[] = {{"smooth", 0x1}, {"vertical", 0x4}, {"marquee", 0x8}};
const Flag kTab[] = {
    {"scrollopposite", 0x1},    {"bottom", 0x2},         {"right", 0x2},           {"multiselect", 0x4},
    {"flatbuttons", 0x8},       {"forceiconleft", 0x10}, {"forcelabelleft", 0x20}, {"hottrack", 0x40},
    {"vertical", 0x80},         {"tabs", 0x0},           {"buttons", 0x100},       {"singleline", 0x0},
    {"multiline", 0x200},       {"fixedwidth", 0x400},   {"raggedright", 0x800},   {"focusonbuttondown", 0x1000},
    {"ownerdrawfixed", 0x2000}, {"tooltips", 0x4000},    {"focusnever", 0x8000},
};
const Flag kDateTime[] = {
    {"updown", 0x1},     {"shownone", 0x2},     {"shortdateformat", 0x0}, {"longdateformat", 0x4},
    {"timeformat", 0x9}, {"appcanparse", 0x10}, {"rightalign", 0x20},
};
const Flag kScrollBar[] = {
    {"horz", 0x0},
    {"vert", 0x1},
    {"topalign", 0x2},
    {"leftalign", 0x2},
    {"bottomalign", 0x4},
    {"rightalign", 0x4},
    {"sizeboxtopleftalign", 0x2},
    {"sizeboxbottomrightalign", 0x4},
    {"sizebox", 0x8},
    {"sizegrip", 0x10},
};

struct ClassInfo {
    const char* shortName;
    const wchar_t* windowClass;
    const Flag* flags;
    size_t flagCount;
};

const ClassInfo kClasses[] = {
    {"button", L"Button", kButton, std::size(kButton)},
    {"static", L"Static", kStatic, std::size(kStatic)},
    {"edit", L"Edit", kEdit, std::size(kEdit)},
    {"combobox", L"ComboBox", kCombo, std::size(kCombo)},
    {"listbox", L"ListBox", kListBox, std::size(kListBox)},
    {"listview", L"SysListView32", kListView, std::size(kListView)},
    {"trackbar", L"msctls_trackbar32", kTrackbar, std::size(kTrackbar)},
    {"updown", L"msctls_updown32", kUpDown, std::size(kUpDown)},
    {"progress", L"msctls_progress32", kProgress, std::size(kProgress)},
    {"tab", L"SysTabControl32", kTab, std::size(kTab)},
    {"datetime", L"SysDateTimePick32", kDateTime, std::size(kDateTime)},
    {"richedit", L"RichEdit20W", kRichEdit, std::size(kRichEdit)},
    {"scrollbar", L"ScrollBar", kScrollBar, std::size(kScrollBar)},
};

constexpr uint32_t kChild = 0x40000000;
constexpr uint32_t kVisible = 0x10000000;
constexpr uint32_t kDsSetFont = 0x40;
// Names the window layer already defines as constants.
const char* const kSystemNames[] = {"IDOK", "IDCANCEL", "IDABORT", "IDRETRY",    "IDIGNORE",  "IDYES",
                                    "IDNO", "IDCLOSE",  "IDHELP",  "IDTRYAGAIN", "IDCONTINUE"};
// Larger files are not resource sources.
constexpr size_t kLargestSource = 4 * 1024 * 1024;

struct Token {
    enum class Kind { Word, Number, Text };
    Kind kind = Kind::Word;
    std::string word;   // words and numbers as written
    std::wstring text;  // decoded texts
    long long number = 0;
};

class Failure {
public:
    Failure(const std::string& file, int line, const std::string& message)
        : what_(file + ":" + std::to_string(line) + ": " + message)
    {
    }
    const std::string& what() const { return what_; }

private:
    std::string what_;
};

bool ParseNumber(const std::string& w, long long* out)
{
    if (w.empty()) return false;
    size_t i = 0;
    bool negative = false;
    if (w[0] == '-' || w[0] == '+') {
        negative = w[0] == '-';
        i = 1;
    }
    if (i >= w.size() || !std::isdigit(static_cast<unsigned char>(w[i]))) return false;
    int base = 10;
    if (w.size() - i > 2 && w[i] == '0' && (w[i + 1] == 'x' || w[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(w.c_str() + i, &end, base);
    if (errno || !end || *end || end == w.c_str() + i || v > 0xFFFFFFFFull) return false;
    *out = negative ? -static_cast<long long>(v) : static_cast<long long>(v);
    return true;
}

// Splits one line into tokens.
std::vector<Token> Tokenize(const std::string& line, const std::string& file, int lineNo)
{
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < line.size()) {
        unsigned char c = static_cast<unsigned char>(line[i]);
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#') break;
        Token t;
        if (c == '"') {
            std::string bytes;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char ch = line[i++];
                if (ch == '"') {
                    closed = true;
                    break;
                }
                if (ch == '\\') {
                    if (i >= line.size()) break;
                    char e = line[i++];
                    switch (e) {
                    case 'n': bytes += '\n'; break;
                    case 'r': bytes += '\r'; break;
                    case 't': bytes += '\t'; break;
                    case '"': bytes += '"'; break;
                    case '\\': bytes += '\\'; break;
                    default: throw Failure(file, lineNo, std::string("unknown escape \\") + e + " in a text");
                    }
                    continue;
                }
                bytes += ch;
            }
            if (!closed) throw Failure(file, lineNo, "text without its closing quote");
            if (!IsValidUtf8(bytes)) throw Failure(file, lineNo, "text that is not UTF-8");
            t.kind = Token::Kind::Text;
            t.text = Utf8ToWide(bytes);
            if (t.text.find(L'\0') != std::wstring::npos) throw Failure(file, lineNo, "text holding a NUL character");
        } else {
            size_t start = i;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '#' &&
                   line[i] != '"')
                ++i;
            t.word = line.substr(start, i - start);
            t.kind = ParseNumber(t.word, &t.number) ? Token::Kind::Number : Token::Kind::Word;
        }
        tokens.push_back(std::move(t));
    }
    return tokens;
}

bool IsName(const std::string& w)
{
    if (w.empty() || !(std::isalpha(static_cast<unsigned char>(w[0])) || w[0] == '_')) return false;
    return std::all_of(w.begin(), w.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

std::string Lower(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool FindFlag(const Flag* flags, size_t count, const std::string& name, uint32_t* value)
{
    for (size_t i = 0; i < count; ++i) {
        if (name == flags[i].name) {
            *value = flags[i].value;
            return true;
        }
    }
    return false;
}

class Parser {
public:
    Parser(const std::string& text, const std::string& file) : file_(file)
    {
        std::string line;
        std::istringstream in(text);
        while (std::getline(in, line)) lines_.push_back(line);
    }

    void Run(Script* out)
    {
        while (Next()) {
            const std::string keyword = Lower(Word(0, "a statement"));
            if (keyword == "dialog")
                ParseDialog(out);
            else if (keyword == "menu")
                ParseMenu(out);
            else if (keyword == "bitmap" || keyword == "icon")
                ParseImage(out, keyword == "icon");
            else if (keyword == "define")
                ParseDefine(out);
            else
                Fail("unknown statement \"" + keyword + "\"");
        }
    }

private:
    // Moves to the next line that holds tokens; false at the end.
    bool Next()
    {
        while (index_ < lines_.size()) {
            lineNo_ = static_cast<int>(index_) + 1;
            tokens_ = Tokenize(lines_[index_++], file_, lineNo_);
            if (!tokens_.empty()) return true;
        }
        return false;
    }
    [[noreturn]] void Fail(const std::string& message) const { throw Failure(file_, lineNo_, message); }

    const Token& At(size_t i, const char* what) const
    {
        if (i >= tokens_.size()) Fail(std::string("missing ") + what);
        return tokens_[i];
    }
    std::string Word(size_t i, const char* what) const
    {
        const Token& t = At(i, what);
        if (t.kind == Token::Kind::Text) Fail(std::string("expected ") + what + ", found a text");
        return t.word;
    }
    long long Number(size_t i, const char* what, long long low, long long high) const
    {
        const Token& t = At(i, what);
        if (t.kind != Token::Kind::Number) Fail(std::string("expected a number for ") + what);
        if (t.number < low || t.number > high)
            Fail(std::string(what) + " " + std::to_string(t.number) + " is outside " + std::to_string(low) + ".." +
                 std::to_string(high));
        return t.number;
    }
    std::wstring Text(size_t i, const char* what) const
    {
        const Token& t = At(i, what);
        if (t.kind != Token::Kind::Text) Fail(std::string("expected a quoted text for ") + what);
        return t.text;
    }
    std::string Name(size_t i, const char* what) const
    {
        std::string w = Word(i, what);
        if (!IsName(w)) Fail("\"" + w + "\" is not a name");
        return w;
    }
    void NoMore(size_t count) const
    {
        if (tokens_.size() > count) Fail("unexpected words at the end of the line");
    }

    void ParseDialog(Script* out)
    {
        Dialog d;
        d.name = Name(1, "the dialog's name");
        d.id = static_cast<int>(Number(2, "the dialog id", 1, 65535));
        NoMore(3);
        d.file = file_;
        d.line = lineNo_;
        d.style = 0x80000000 | 0x00C00000 | 0x00080000 | 0x80;  // popup, caption, system menu, modal frame
        bool styled = false;
        for (;;) {
            if (!Next()) Fail("dialog " + d.name + " has no \"end\"");
            const std::string keyword = Lower(Word(0, "a dialog statement"));
            if (keyword == "end") {
                NoMore(1);
                break;
            }
            if (keyword == "caption") {
                d.caption = Text(1, "the caption");
                NoMore(2);
            } else if (keyword == "rect") {
                d.x = static_cast<int>(Number(1, "x", SHRT_MIN, SHRT_MAX));
                d.y = static_cast<int>(Number(2, "y", SHRT_MIN, SHRT_MAX));
                d.cx = static_cast<int>(Number(3, "the width", 0, SHRT_MAX));
                d.cy = static_cast<int>(Number(4, "the height", 0, SHRT_MAX));
                NoMore(5);
            } else if (keyword == "size") {
                d.cx = static_cast<int>(Number(1, "the width", 0, SHRT_MAX));
                d.cy = static_cast<int>(Number(2, "the height", 0, SHRT_MAX));
                NoMore(3);
            } else if (keyword == "font") {
                d.pointSize = static_cast<int>(Number(1, "the point size", 1, 100));
                d.face = Text(2, "the font face");
                NoMore(3);
            } else if (keyword == "class") {
                d.className = Text(1, "the window class");
                NoMore(2);
            } else if (keyword == "style") {
                if (!styled) d.style = 0;
                styled = true;
                for (size_t i = 1; i < tokens_.size(); ++i)
                    d.style |= FlagValue(i, kDialogStyles, std::size(kDialogStyles));
            } else if (keyword == "exstyle") {
                for (size_t i = 1; i < tokens_.size(); ++i) d.exStyle |= FlagValue(i, kExStyles, std::size(kExStyles));
            } else if (keyword == "control") {
                d.controls.push_back(ParseControl());
            } else {
                Fail("unknown dialog statement \"" + keyword + "\"");
            }
        }
        if (d.pointSize)
            d.style |= kDsSetFont;
        else
            d.style &= ~kDsSetFont;
        out->dialogs.push_back(std::move(d));
    }

    uint32_t FlagValue(size_t i, const Flag* flags, size_t count) const
    {
        const Token& t = At(i, "a style");
        if (t.kind == Token::Kind::Number) {
            if (t.number < 0) Fail("a style number may not be negative");
            return static_cast<uint32_t>(t.number);
        }
        if (t.kind == Token::Kind::Text) Fail("expected a style name, found a text");
        uint32_t v = 0;
        if (!FindFlag(flags, count, Lower(t.word), &v)) Fail("unknown style \"" + t.word + "\"");
        return v;
    }

    Control ParseControl()
    {
        Control c;
        c.line = lineNo_;
        std::string name = Word(1, "the control's name");
        if (name != "-") {
            if (!IsName(name)) Fail("\"" + name + "\" is not a name");
            c.name = name;
        }
        c.id = static_cast<int>(Number(2, "the control id", -1, 65535));
        const ClassInfo* info = nullptr;
        const Token& cls = At(3, "the control's class");
        if (cls.kind == Token::Kind::Text) {
            if (cls.text.empty()) Fail("empty window class");
            c.className = cls.text;
        } else {
            std::string shortName = Lower(cls.word);
            for (const ClassInfo& ci : kClasses)
                if (shortName == ci.shortName) info = &ci;
            if (!info) Fail("unknown control class \"" + cls.word + "\"");
            c.className = info->windowClass;
        }
        c.text = Text(4, "the control's text");
        c.x = static_cast<int>(Number(5, "x", SHRT_MIN, SHRT_MAX));
        c.y = static_cast<int>(Number(6, "y", SHRT_MIN, SHRT_MAX));
        c.cx = static_cast<int>(Number(7, "the width", 0, SHRT_MAX));
        c.cy = static_cast<int>(Number(8, "the height", 0, SHRT_MAX));
        c.style = kChild | kVisible;
        for (size_t i = 9; i < tokens_.size(); ++i) {
            const Token& t = tokens_[i];
            if (t.kind == Token::Kind::Text) Fail("expected a style, found a text");
            std::string w = Lower(t.word);
            if (w.rfind("ex:", 0) == 0) {
                std::string rest = w.substr(3);
                long long n = 0;
                uint32_t v = 0;
                if (ParseNumber(rest, &n) && n >= 0)
                    v = static_cast<uint32_t>(n);
                else if (!FindFlag(kExStyles, std::size(kExStyles), rest, &v))
                    Fail("unknown extended style \"" + rest + "\"");
                c.exStyle |= v;
                continue;
            }
            if (t.kind == Token::Kind::Number) {
                if (t.number < 0) Fail("a style number may not be negative");
                c.style |= static_cast<uint32_t>(t.number);
                continue;
            }
            if (w == "hidden") {
                c.style &= ~kVisible;
                continue;
            }
            uint32_t v = 0;
            if (FindFlag(kControlGeneric, std::size(kControlGeneric), w, &v) ||
                (info && FindFlag(info->flags, info->flagCount, w, &v))) {
                c.style |= v;
                continue;
            }
            Fail("unknown style \"" + t.word + "\" for this control");
        }
        return c;
    }

    void ParseMenuItems(std::vector<MenuItem>* items, int depth)
    {
        for (;;) {
            if (!Next()) Fail("menu without its \"end\"");
            const std::string keyword = Lower(Word(0, "a menu statement"));
            if (keyword == "end") {
                NoMore(1);
                return;
            }
            MenuItem item;
            if (keyword == "separator") {
                NoMore(1);
                item.kind = MenuItem::Kind::Separator;
            } else if (keyword == "popup") {
                if (depth > 8) Fail("menus nested too deeply");
                item.kind = MenuItem::Kind::Popup;
                item.text = Text(1, "the pop-up's text");
                NoMore(2);
                ParseMenuItems(&item.children, depth + 1);
            } else if (keyword == "item") {
                item.text = Text(1, "the item's text");
                item.name = Word(2, "the item's name");
                if (item.name == "-")
                    item.name.clear();
                else if (!IsName(item.name))
                    Fail("\"" + item.name + "\" is not a name");
                item.id = static_cast<int>(Number(3, "the command id", 0, 65535));
                for (size_t i = 4; i < tokens_.size(); ++i) {
                    std::string w = Lower(Word(i, "an item flag"));
                    if (w == "checked")
                        item.checked = true;
                    else if (w == "grayed")
                        item.grayed = true;
                    else if (w == "disabled")
                        item.disabled = true;
                    else
                        Fail("unknown menu item flag \"" + w + "\"");
                }
            } else {
                Fail("unknown menu statement \"" + keyword + "\"");
            }
            items->push_back(std::move(item));
        }
    }

    void ParseMenu(Script* out)
    {
        Menu m;
        m.name = Name(1, "the menu's name");
        m.id = static_cast<int>(Number(2, "the menu id", 1, 65535));
        NoMore(3);
        m.file = file_;
        m.line = lineNo_;
        ParseMenuItems(&m.items, 0);
        out->menus.push_back(std::move(m));
    }

    void ParseImage(Script* out, bool icon)
    {
        Image image;
        image.icon = icon;
        image.name = Name(1, "the image's name");
        image.id = static_cast<int>(Number(2, "the image id", 1, 65535));
        std::wstring path = Text(3, "the image file");
        NoMore(4);
        std::string narrow = WideToUtf8(path);
        if (narrow.empty()) Fail("empty image file name");
        if (narrow[0] != '/') {
            size_t slash = file_.find_last_of('/');
            if (slash != std::string::npos) narrow = file_.substr(0, slash + 1) + narrow;
        }
        image.path = narrow;
        image.file = file_;
        image.line = lineNo_;
        out->images.push_back(std::move(image));
    }

    void ParseDefine(Script* out)
    {
        Define d;
        d.name = Name(1, "the name");
        d.value = static_cast<int>(Number(2, "the value", INT_MIN, INT_MAX));
        NoMore(3);
        d.file = file_;
        d.line = lineNo_;
        out->defines.push_back(std::move(d));
    }

    std::string file_;
    std::vector<std::string> lines_;
    size_t index_ = 0;
    int lineNo_ = 0;
    std::vector<Token> tokens_;
};

void CollectMenuIds(const std::vector<MenuItem>& items, std::vector<NamedId>* out)
{
    for (const MenuItem& item : items) {
        if (item.kind == MenuItem::Kind::Item && !item.name.empty()) out->push_back(NamedId{item.name, item.id});
        CollectMenuIds(item.children, out);
    }
}

std::vector<NamedId> AllNamedIds(const Script& script)
{
    std::vector<NamedId> all;
    for (const Dialog& d : script.dialogs) {
        all.push_back(NamedId{d.name, d.id});
        for (const Control& c : d.controls)
            if (!c.name.empty()) all.push_back(NamedId{c.name, c.id});
    }
    for (const Menu& m : script.menus) {
        all.push_back(NamedId{m.name, m.id});
        CollectMenuIds(m.items, &all);
    }
    for (const Image& i : script.images) all.push_back(NamedId{i.name, i.id});
    for (const Define& d : script.defines) all.push_back(NamedId{d.name, d.value});
    return all;
}

// A wide literal's body, with every character outside printable ASCII
// escaped so that the source stays ASCII.
std::string WideLiteral(const std::wstring& s)
{
    std::string out = "L\"";
    char buffer[16];
    for (wchar_t wc : s) {
        auto c = static_cast<uint32_t>(wc);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '?') {
            out += "\\?";  // no trigraphs
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(buffer, sizeof buffer, "\\%03o", c);
            out += buffer;
        } else if (c < 0x10000) {
            if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
            std::snprintf(buffer, sizeof buffer, "\\u%04X", c);
            out += buffer;
        } else {
            std::snprintf(buffer, sizeof buffer, "\\U%08X", c <= 0x10FFFF ? c : 0xFFFD);
            out += buffer;
        }
    }
    out += '"';
    return out;
}

std::string Hex(uint32_t v)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08Xu", v);
    return buffer;
}

void WriteMenuItems(std::ostringstream& out, const std::vector<MenuItem>& items, int indent)
{
    std::string pad(static_cast<size_t>(indent) * 4, ' ');
    for (const MenuItem& item : items) {
        if (item.kind == MenuItem::Kind::Separator) {
            out << pad << "MenuResourceItem{L\"\", 0, MF_SEPARATOR, {}},\n";
            continue;
        }
        std::string flags = item.kind == MenuItem::Kind::Popup ? "MF_POPUP" : "MF_STRING";
        if (item.checked) flags += " | MF_CHECKED";
        if (item.grayed) flags += " | MF_GRAYED";
        if (item.disabled) flags += " | MF_DISABLED";
        out << pad << "MenuResourceItem{" << WideLiteral(item.text) << ", " << item.id << ", " << flags << ", {\n";
        WriteMenuItems(out, item.children, indent + 1);
        out << pad << "}},\n";
    }
}

}  // namespace

bool Parse(const std::string& text, const std::string& fileName, Script* script, std::string* error)
{
    if (text.size() > kLargestSource) {
        if (error) *error = fileName + ": too large for a resource source";
        return false;
    }
    Script local;
    try {
        Parser parser(text, fileName);
        parser.Run(&local);
    } catch (const Failure& f) {
        if (error) *error = f.what();
        return false;
    }
    for (auto& d : local.dialogs) script->dialogs.push_back(std::move(d));
    for (auto& m : local.menus) script->menus.push_back(std::move(m));
    for (auto& i : local.images) script->images.push_back(std::move(i));
    for (auto& d : local.defines) script->defines.push_back(std::move(d));
    return true;
}

bool Check(const Script& script, std::string* error)
{
    auto fail = [&](const std::string& file, int line, const std::string& message) {
        if (error) *error = file + ":" + std::to_string(line) + ": " + message;
        return false;
    };
    std::map<int, const Dialog*> dialogs;
    for (const Dialog& d : script.dialogs) {
        auto [it, fresh] = dialogs.emplace(d.id, &d);
        if (!fresh)
            return fail(d.file, d.line, "dialog id " + std::to_string(d.id) + " is also " + it->second->name + "'s");
        std::map<int, const Control*> ids;
        for (const Control& c : d.controls) {
            if (c.id == -1) continue;
            auto [cit, cfresh] = ids.emplace(c.id, &c);
            if (!cfresh)
                return fail(d.file, c.line, "control id " + std::to_string(c.id) + " is used twice in " + d.name);
        }
    }
    std::map<int, const Menu*> menus;
    for (const Menu& m : script.menus)
        if (!menus.emplace(m.id, &m).second)
            return fail(m.file, m.line, "menu id " + std::to_string(m.id) + " is used twice");
    std::set<std::pair<bool, int>> images;
    for (const Image& i : script.images)
        if (!images.emplace(i.icon, i.id).second)
            return fail(i.file, i.line, (i.icon ? "icon id " : "bitmap id ") + std::to_string(i.id) + " is used twice");
    std::map<std::string, int> values;
    for (const NamedId& n : AllNamedIds(script)) {
        auto [it, fresh] = values.emplace(n.name, n.value);
        if (!fresh && it->second != n.value) {
            if (error)
                *error = "the name " + n.name + " stands for both " + std::to_string(it->second) + " and " +
                         std::to_string(n.value);
            return false;
        }
    }
    return true;
}

std::vector<NamedId> NamedIds(const Script& script)
{
    std::vector<NamedId> out;
    std::set<std::string> seen;
    for (const NamedId& n : AllNamedIds(script)) {
        if (n.value == -1 || !seen.insert(n.name).second) continue;
        out.push_back(n);
    }
    return out;
}

std::string ControlIdData(const Script& script)
{
    std::string out;
    for (const NamedId& n : NamedIds(script)) out += "#define " + n.name + " " + std::to_string(n.value) + "\n";
    return out;
}

std::string IdsHeader(const Script& script, const std::string& registerFunction)
{
    std::string out = "// Generated by the resource compiler from the resource sources; do not edit.\n#pragma once\n\n";
    for (const NamedId& n : NamedIds(script)) {
        if (std::find(std::begin(kSystemNames), std::end(kSystemNames), n.name) != std::end(kSystemNames)) continue;
        out += "#define " + n.name + " " + std::to_string(n.value) + "\n";
    }
    out += "\n// Registers the dialogs, menus, bitmaps and icons of these sources.\nvoid " + registerFunction + "();\n";
    return out;
}

std::string TablesSource(const Script& script, const std::string& idsHeaderName, const std::string& registerFunction,
                         const std::vector<std::string>& images)
{
    std::ostringstream out;
    out << "// Generated by the resource compiler from the resource sources; do not edit.\n";
    out << "#include \"" << idsHeaderName << "\"\n\n";
    out << "#include \"platform/mfc/DialogResource.h\"\n";
    out << "#include \"platform/mfc/ImageResource.h\"\n";
    out << "#include \"platform/win32/gui/Menus.h\"\n\n";
    out << "namespace {\n\n";
    for (size_t k = 0; k < script.dialogs.size(); ++k) {
        const Dialog& d = script.dialogs[k];
        if (!d.controls.empty()) {
            out << "const DialogControlResource kControls" << k << "[] = {\n";
            for (const Control& c : d.controls) {
                out << "    {" << c.id << ", " << WideLiteral(std::wstring(c.name.begin(), c.name.end())) << ", "
                    << WideLiteral(c.className) << ", " << WideLiteral(c.text) << ", " << Hex(c.style) << ", "
                    << Hex(c.exStyle) << ", " << c.x << ", " << c.y << ", " << c.cx << ", " << c.cy << "},\n";
            }
            out << "};\n";
        }
        out << "const DialogResource kDialog" << k << " = {" << d.id << ", "
            << WideLiteral(std::wstring(d.name.begin(), d.name.end())) << ", " << WideLiteral(d.caption) << ", "
            << Hex(d.style) << ", " << Hex(d.exStyle) << ", " << d.x << ", " << d.y << ", " << d.cx << ", " << d.cy
            << ", " << d.pointSize << ", " << WideLiteral(d.face) << ", " << WideLiteral(d.className) << ", "
            << (d.controls.empty() ? std::string("nullptr") : "kControls" + std::to_string(k)) << ", "
            << d.controls.size() << "};\n\n";
    }
    for (size_t k = 0; k < images.size(); ++k) {
        out << "const unsigned char kImage" << k << "[] = {";
        const std::string& bytes = images[k];
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (i % 16 == 0) out << "\n   ";
            out << " " << static_cast<unsigned>(static_cast<unsigned char>(bytes[i])) << ",";
        }
        if (bytes.empty()) out << " 0";
        out << "\n};\n\n";
    }
    out << "}  // namespace\n\n";
    out << "void " << registerFunction << "()\n{\n";
    for (size_t k = 0; k < script.dialogs.size(); ++k) out << "    RegisterDialogResource(&kDialog" << k << ");\n";
    for (const Menu& m : script.menus) {
        out << "    RegisterMenuResource(" << m.id << ", {\n";
        WriteMenuItems(out, m.items, 2);
        out << "    });\n";
    }
    for (size_t k = 0; k < script.images.size() && k < images.size(); ++k) {
        const Image& i = script.images[k];
        out << "    " << (i.icon ? "RegisterIconResourceData(" : "RegisterBitmapResource(") << i.id << ", kImage" << k
            << ", " << images[k].size() << ");\n";
    }
    out << "}\n";
    return out.str();
}

}  // namespace resource_script
