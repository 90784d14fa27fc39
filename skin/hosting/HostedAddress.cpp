#include "skin/hosting/HostedAddress.h"

#include "foundation/ConnectionCheck.h"
#include "skin/SkinOwner.h"

namespace {

bool (*g_onlineTest)() = nullptr;

bool IsSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

// Relative, and no ".." step.
bool StaysInside(const CString& name)
{
    const int n = name.GetLength();
    if (n == 0 || IsSeparator(name[0])) return false;
    int start = 0;
    for (int i = 0; i <= n; ++i) {
        if (i < n && !IsSeparator(name[i])) continue;
        if (i - start == 2 && name[start] == L'.' && name[start + 1] == L'.') return false;
        start = i + 1;
    }
    return true;
}

}  // namespace

CString HostedAddress::Choose(const CString& url, const CString& offUrl)
{
    if (IsOnline()) return url;
    return offUrl.IsEmpty() ? url : offUrl;
}

CString HostedAddress::Resolve(SkinOwner* owner, const CString& address)
{
    if (address.GetLength() < 2 || address[0] != L'.' || address[1] != L'/') return address;
    const CString name = address.Mid(2);
    CString path, folder;
    int resource = 0, packed = 0;
    if (!StaysInside(name) || !owner || !owner->GetSkinSource(path, resource, packed)) return CString();
    folder = path;
    if (packed && !owner->UnpackSkin(folder)) return CString();
    if (folder.IsEmpty()) return CString();
    if (!IsSeparator(folder[folder.GetLength() - 1])) folder += L"/";
    return folder + name;
}

bool HostedAddress::IsOnline() { return g_onlineTest ? g_onlineTest() : IsInternetConnected(); }

void HostedAddress::SetOnlineTest(bool (*test)()) { g_onlineTest = test; }
