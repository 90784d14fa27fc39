#include "RegistryFileFormat.h"

#include "CodePage.h"
#include "TextScan.h"

namespace {

struct TypeName {
    DWORD type;
    const char* name;
};
constexpr TypeName kTypeNames[] = {
    {0, "REG_NONE"},  {1, "REG_SZ"},       {2, "REG_EXPAND_SZ"}, {3, "REG_BINARY"},
    {4, "REG_DWORD"}, {7, "REG_MULTI_SZ"}, {11, "REG_QWORD"},
};

bool NeedsEscape(wchar_t c)
{
    uint32_t u = static_cast<uint32_t>(c);
    return u < 0x20 || (u >= 0x7F && u < 0xA0) || u == '%' || u == '"' || (u >= 0xD800 && u < 0xE000) || u > 0x10FFFF;
}

void AppendEscaped(std::string* out, std::wstring_view name)
{
    static const char kHex[] = "0123456789abcdef";
    size_t start = 0;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !NeedsEscape(name[i])) continue;
        *out += WideToUtf8(name.substr(start, i - start));
        start = i + 1;
        if (i == name.size()) break;
        uint32_t u = static_cast<uint32_t>(name[i]);
        char buf[8];
        int n = 0;
        do {
            buf[n++] = kHex[u & 0xF];
            u >>= 4;
        } while (u);
        *out += "%{";
        while (n) *out += buf[--n];
        *out += '}';
    }
}

bool Unescape(std::string_view text, std::wstring* out)
{
    std::wstring w = Utf8ToWide(text);
    out->clear();
    for (size_t i = 0; i < w.size(); ++i) {
        if (w[i] != '%') {
            *out += w[i];
            continue;
        }
        if (i + 1 >= w.size() || w[i + 1] != '{') return false;
        size_t j = i + 2;
        uint32_t u = 0;
        int digits = 0;
        for (; j < w.size() && w[j] != '}'; ++j) {
            int d = HexDigitValue(w[j]);
            if (d < 0 || ++digits > 8) return false;
            u = (u << 4) | static_cast<uint32_t>(d);
        }
        if (j >= w.size() || digits == 0) return false;
        *out += static_cast<wchar_t>(u);
        i = j;
    }
    return true;
}

// Takes a quoted name from the front of rest.
bool TakeQuoted(std::string_view* rest, std::wstring* out)
{
    if (rest->empty() || rest->front() != '"') return false;
    size_t end = rest->find('"', 1);
    if (end == std::string_view::npos) return false;
    if (!Unescape(rest->substr(1, end - 1), out)) return false;
    rest->remove_prefix(end + 1);
    return true;
}

bool ParseType(std::string_view token, DWORD* type)
{
    for (const auto& t : kTypeNames) {
        if (token == t.name) {
            *type = t.type;
            return true;
        }
    }
    if (token.empty() || token.size() > 10) return false;
    uint64_t v = 0;
    for (char c : token) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > 0xFFFFFFFFu) return false;
    *type = static_cast<DWORD>(v);
    return true;
}

bool ParseHex(std::string_view hex, std::string* out)
{
    if (hex.size() % 2) return false;
    out->resize(hex.size() / 2);
    for (size_t i = 0; i < out->size(); ++i) {
        int hi = HexDigitValue(hex[2 * i]), lo = HexDigitValue(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        (*out)[i] = static_cast<char>((hi << 4) | lo);
    }
    return true;
}

// One value line after "value ": "<name>" TYPE[ HEX].
bool ParseValueLine(std::string_view rest, RegValueData* v)
{
    if (!TakeQuoted(&rest, &v->name) || v->name.size() > RegistryStore::kMaxValueNameLen) return false;
    if (rest.empty() || rest.front() != ' ') return false;
    rest.remove_prefix(1);
    size_t space = rest.find(' ');
    if (!ParseType(rest.substr(0, space), &v->type)) return false;
    if (space == std::string_view::npos) {
        v->bytes.clear();
        return true;
    }
    return ParseHex(rest.substr(space + 1), &v->bytes);
}

void AppendHex(std::string* out, std::string_view bytes)
{
    static const char kHex[] = "0123456789abcdef";
    for (unsigned char b : bytes) {
        *out += kHex[b >> 4];
        *out += kHex[b & 0xF];
    }
}

void AppendValues(std::string* out, const RegistryKey& k)
{
    for (const auto& v : k.values) {
        *out += "value \"";
        AppendEscaped(out, v.name);
        *out += "\" ";
        const char* typeName = nullptr;
        for (const auto& t : kTypeNames)
            if (t.type == v.type) typeName = t.name;
        *out += typeName ? std::string(typeName) : std::to_string(v.type);
        if (!v.bytes.empty()) {
            *out += ' ';
            AppendHex(out, v.bytes);
        }
        *out += '\n';
    }
}

void AppendKeys(std::string* out, const RegistryKey& k, std::string* path)
{
    for (const auto& [folded, child] : k.children) {
        size_t mark = path->size();
        if (!path->empty()) *path += '\\';
        AppendEscaped(path, child->name);
        *out += "key \"" + *path + "\"\n";
        AppendValues(out, *child);
        AppendKeys(out, *child, path);
        path->resize(mark);
    }
}

}  // namespace

std::string SerializeRegistryText(const RegistryKey& root, const char* fileName)
{
    std::string out = "# registry store of rivoenc, ";
    out += fileName;
    out += "\n# value \"name\" TYPE hex-bytes; key \"path\\to\\key\"; %{hex} escapes a character\n";
    AppendValues(&out, root);
    std::string path;
    AppendKeys(&out, root, &path);
    return out;
}

void ParseRegistryText(std::string_view text, RegistryKey* root)
{
    RegistryKey* current = root;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos) break;
        std::string_view line = text.substr(pos, nl - pos);
        pos = nl + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        if (line.substr(0, 6) == "value ") {
            RegValueData v;
            if (current && ParseValueLine(line.substr(6), &v)) current->Set(v.name, v.type, v.bytes);
        } else if (line.substr(0, 4) == "key ") {
            std::string_view rest = line.substr(4);
            std::wstring pathText;
            RegPath path;
            current = nullptr;
            if (TakeQuoted(&rest, &pathText) && rest.empty() && RegistryStore::SplitPath(pathText, &path) &&
                path.size() <= RegistryStore::kMaxDepth)
                current = root->MakeKey(path);
        }
    }
}
