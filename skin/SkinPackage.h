// Where a skin's files come from: a skin folder, a zip package, or the
// program's own resources (the resources of the type named by the skin
// path). The top skin window keeps one; it reads the skin document, decodes
// images, makes cursors from the bytes of cursor files, and unpacks a
// package for controls that need real files.
//
// Every read goes through the source the path was opened as: a package that
// was closed (after a colour-theme change) is opened again first, and a
// folder skin never reads through a package reader left from an earlier
// skin. File names given by a skin must stay inside the skin: absolute names,
// drives and ".." steps are refused for every source. Packages are unpacked
// into the user's private cache folder, never into a shared one.
#pragma once

#include <memory>
#include <vector>

#include "foundation/ZipReader.h"
#include "platform/win32/CString.h"
#include "platform/win32/gui/UserTypes.h"

class HDib;

class SkinPackage {
public:
    // Files read whole into memory may not be larger (a package entry
    // cannot be either).
    static constexpr size_t kMaxFileBytes = CZipReader::kMaxMemoryEntry;
    // Package entries with these extensions are not unpacked: the skin
    // reads them itself.
    static constexpr const char* kUnpackExcept = ".bmp;.xml;.ini";

    SkinPackage();
    ~SkinPackage();
    SkinPackage(const SkinPackage&) = delete;
    SkinPackage& operator=(const SkinPackage&) = delete;

    // Stores the path and the resource flag, closes an open package and
    // forgets the unpack folder. A path that names a file is opened as a
    // package (0 when it does not open; the path stays stored); any other
    // path is a folder. 1 otherwise.
    int Open(const CString& path, int resource);
    // The whole file; false when the source has no such file or it is
    // larger than maxBytes.
    bool ReadFile(const CString& name, std::vector<BYTE>& data, size_t maxBytes = kMaxFileBytes);
    // "LIST.xml" or "LIST.ini" in the package or folder (not asked in
    // resource mode).
    bool HasListFile();
    // Decodes the file as a BMP, else through the system's picture loader.
    int LoadImage(HDib* image, const CString& name);
    // A cursor made from the bytes of the cursor file; null when there is
    // none. In resource mode the path is taken as a folder.
    HCURSOR LoadCursor(const CString& name);
    // Unpacks every package entry but the skin's own files into the unpack
    // folder (made on first use: the cache folder, "skins/" and the MD5
    // digest of the skin path) and gives the folder; 0 for a skin that is not
    // packed or an unpack that fails.
    int Unpack(CString& folder);
    // Closes the package (it is opened again on the next read) and forgets
    // the unpack folder.
    void CloseArchive();

    int GetSource(CString& path, int& resource, int& packed) const;
    const CString& GetPath() const { return m_sPath; }
    bool IsResource() const { return m_bResource != 0; }
    bool IsPacked() const { return m_bPacked != 0; }
    // The reader of a packed skin (null before the first package), for tests.
    const CZipReader* GetArchive() const { return m_pZip.get(); }
    const CString& GetUnpackFolder() const { return m_sUnpackFolder; }

private:
    bool EnsureOpen();
    bool ReadEntry(const CString& name, std::vector<BYTE>& data, size_t maxBytes = kMaxFileBytes);
    bool ReadFolderFile(const CString& name, std::vector<BYTE>& data, size_t maxBytes = kMaxFileBytes) const;
    bool ReadResource(const CString& name, std::vector<BYTE>& data, size_t maxBytes) const;

    CString m_sPath;
    int m_bResource = 0;
    int m_bPacked = 0;
    std::unique_ptr<CZipReader> m_pZip;  // made for the first package, kept for later ones
    CString m_sUnpackFolder;
};
