#include "skin/SkinPackage.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

#include "foundation/Md5.h"
#include "foundation/PathHelpers.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Folders.h"
#include "platform/win32/NativePath.h"
#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/Resources.h"
#include "skin/HDib.h"

SkinPackage::SkinPackage() = default;

SkinPackage::~SkinPackage()
{
    if (m_pZip) m_pZip->Close();
}

int SkinPackage::Open(const CString& path, int resource)
{
    m_sPath = path;
    m_bResource = resource;
    m_bPacked = 0;
    if (m_pZip) m_pZip->Close();
    m_sUnpackFolder.Empty();
    if (!path.IsEmpty() && FileExists(path)) {
        if (!m_pZip) m_pZip = std::make_unique<CZipReader>();
        if (!m_pZip->Open(path)) {
            m_pZip->Close();
            m_sUnpackFolder.Empty();
            return 0;
        }
        m_bPacked = 1;
    }
    return 1;
}

bool SkinPackage::EnsureOpen()
{
    if (!m_bPacked || !m_pZip) return false;
    if (m_pZip->IsOpen()) return true;
    if (m_pZip->Open(m_sPath)) return true;
    m_pZip->Close();
    return false;
}

void SkinPackage::CloseArchive()
{
    if (m_pZip) m_pZip->Close();
    m_sUnpackFolder.Empty();
}

bool SkinPackage::ReadEntry(const CString& name, std::vector<BYTE>& data, size_t maxBytes)
{
    if (!IsSafeRelativePath(name) || !EnsureOpen() || !m_pZip->FindEntry(name)) return false;
    // What an entry claims is checked before anything is unpacked.
    if (m_pZip->GetCurrentEntry()->dwUncompressedSize > maxBytes) return false;
    BYTE* buffer = nullptr;
    DWORD size = 0;
    if (!m_pZip->ExtractToMemory(buffer, size)) {
        std::free(buffer);
        return false;
    }
    data.assign(buffer, buffer + size);
    std::free(buffer);
    return true;
}

bool SkinPackage::ReadFolderFile(const CString& name, std::vector<BYTE>& data, size_t maxBytes) const
{
    if (!IsSafeRelativePath(name) || m_sPath.IsEmpty()) return false;
    std::string bytes;
    if (!ReadWholeFile(ToNativePath(CombinePath(m_sPath, name, L"/").str()), &bytes, maxBytes)) return false;
    data.assign(bytes.begin(), bytes.end());
    return true;
}

bool SkinPackage::ReadResource(const CString& name, std::vector<BYTE>& data, size_t maxBytes) const
{
    if (!IsSafeRelativePath(name) || m_sPath.IsEmpty()) return false;
    HRSRC found = FindResourceW(nullptr, name, m_sPath);
    if (!found) return false;
    const DWORD size = SizeofResource(nullptr, found);
    const BYTE* bytes = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
    if (!bytes || size > maxBytes) return false;
    data.assign(bytes, bytes + size);
    return true;
}

bool SkinPackage::ReadFile(const CString& name, std::vector<BYTE>& data, size_t maxBytes)
{
    data.clear();
    maxBytes = std::min(maxBytes, kMaxFileBytes);
    if (m_bResource) return ReadResource(name, data, maxBytes);
    return m_bPacked ? ReadEntry(name, data, maxBytes) : ReadFolderFile(name, data, maxBytes);
}

bool SkinPackage::HasListFile()
{
    for (const wchar_t* name : {L"LIST.xml", L"LIST.ini"}) {
        if (m_bPacked) {
            if (EnsureOpen() && m_pZip->FindEntry(name)) return true;
        } else if (FileExists(CombinePath(m_sPath, name, L"/"))) {
            return true;
        }
    }
    return false;
}

int SkinPackage::LoadImage(HDib* image, const CString& name)
{
    if (!image) return 0;
    std::vector<BYTE> data;
    if (!ReadFile(name, data) || data.empty()) return 0;
    if (image->LoadBmp(data.data(), data.size())) return 1;
    return image->LoadPicture(data.data(), data.size()) ? 1 : 0;
}

HCURSOR SkinPackage::LoadCursor(const CString& name)
{
    std::vector<BYTE> data;
    const bool read = m_bPacked ? ReadEntry(name, data) : ReadFolderFile(name, data);
    if (!read || data.empty()) return nullptr;
    return CreateCursorFromFileData(data.data(), data.size());
}

int SkinPackage::Unpack(CString& folder)
{
    if (!m_bPacked || !EnsureOpen()) return 0;
    if (m_sUnpackFolder.IsEmpty()) {
        const std::string cache = GetUserCacheFolder();
        if (cache.empty()) return 0;
        const std::string skins = cache + "skins";
        if (mkdir(skins.c_str(), 0700) != 0 && errno != EEXIST) return 0;
        wchar_t digest[33];
        Md5HexOfWideText(m_sPath, digest);
        const std::string target = skins + "/" + WideToUtf8(digest);
        if (mkdir(target.c_str(), 0700) != 0 && errno != EEXIST) return 0;
        // Entries whose names would leave the folder stop the unpack.
        if (!m_pZip->ExtractAllExcept(FromNativePath(target).c_str(), kUnpackExcept)) return 0;
        m_sUnpackFolder = CString(FromNativePath(target + "/"));
    }
    folder = m_sUnpackFolder;
    return 1;
}

int SkinPackage::GetSource(CString& path, int& resource, int& packed) const
{
    if (m_sPath.IsEmpty()) return 0;
    path = m_sPath;
    resource = m_bResource;
    packed = m_bPacked;
    return 1;
}
