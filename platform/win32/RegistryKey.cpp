#include "RegistryKey.h"

#include "CString.h"

std::wstring FoldRegistryName(std::wstring_view name)
{
    std::wstring out(name);
    for (wchar_t& c : out) c = ToLowerChar(c);
    return out;
}

RegistryKey* RegistryKey::Child(std::wstring_view childName)
{
    auto it = children.find(FoldRegistryName(childName));
    return it == children.end() ? nullptr : it->second.get();
}

RegistryKey* RegistryKey::AddChild(const std::wstring& childName)
{
    auto& slot = children[FoldRegistryName(childName)];
    if (!slot) {
        slot = std::make_unique<RegistryKey>();
        slot->name = childName;
    }
    return slot.get();
}

RegValueData* RegistryKey::Find(std::wstring_view valueName)
{
    auto it = index.find(FoldRegistryName(valueName));
    return it == index.end() ? nullptr : &values[it->second];
}

void RegistryKey::Set(std::wstring_view valueName, DWORD type, std::string_view bytes)
{
    if (RegValueData* v = Find(valueName)) {
        v->type = type;
        v->bytes.assign(bytes);
        return;
    }
    index.emplace(FoldRegistryName(valueName), values.size());
    values.push_back(RegValueData{std::wstring(valueName), type, std::string(bytes)});
}

bool RegistryKey::Erase(std::wstring_view valueName)
{
    auto it = index.find(FoldRegistryName(valueName));
    if (it == index.end()) return false;
    values.erase(values.begin() + static_cast<std::ptrdiff_t>(it->second));
    index.clear();
    for (size_t i = 0; i < values.size(); ++i) index.emplace(FoldRegistryName(values[i].name), i);
    return true;
}

void RegistryKey::Clear()
{
    children.clear();
    values.clear();
    index.clear();
}

RegistryKey* RegistryKey::FindKey(const RegPath& path)
{
    RegistryKey* k = this;
    for (const auto& part : path) {
        k = k->Child(part);
        if (!k) return nullptr;
    }
    return k;
}

RegistryKey* RegistryKey::MakeKey(const RegPath& path)
{
    RegistryKey* k = this;
    for (const auto& part : path) k = k->AddChild(part);
    return k;
}
