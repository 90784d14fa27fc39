// Helpers of the skin tests: reading and writing pixels of a skin bitmap in
// any depth, BMP files made byte by byte, and a stand-in for the skin window
// that controls, fonts and regions ask for texts, images, cursors and timers.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "foundation/XmlDocument.h"
#include "skin/HDib.h"
#include "skin/SkinOwner.h"

namespace skin_test {

// The colour of a pixel (palette depths through the palette, 16-bit as 5-5-5).
COLORREF Pixel(const HDib& dib, int x, int y);
void SetPixel24(HDib& dib, int x, int y, COLORREF color);  // 24 and 32 bits
void SetIndex(HDib& dib, int x, int y, int index);         // 1, 4 and 8 bits

// A BMP file: file header, 40-byte info header (image size = data size),
// the palette and the pixel data as given.
std::string BmpBytes(int width, int height, int bitCount, DWORD compression, const std::vector<RGBQUAD>& palette,
                     const std::vector<BYTE>& data);

// A 24-bit BMP file whose pixel (x, y), y counted from the top, has the
// colour the function gives.
std::string Bmp24(int width, int height, const std::function<COLORREF(int, int)>& color);
// A BMP of one colour.
std::string SolidBmp(int width, int height, COLORREF color);
// A strip of equal cells side by side, each of one colour.
std::string CellStripBmp(int cellWidth, int height, const std::vector<COLORREF>& cells);

// The first element of an XML text (a failure to read it is a test failure).
class Element {
public:
    explicit Element(const std::string& xml);
    const CXmlNode* get() const { return doc_.m_pRoot; }

private:
    CXmlDocument doc_;
};

// Writes the files (names may hold folders) under the folder, which is made.
void WriteFiles(const std::string& folder, const std::map<std::string, std::string>& files);
// Packs the folder's files with the zip tool into the archive (replaced);
// false with the tool's output added to the test's failures.
bool ZipFolder(const std::string& folder, const std::string& archive);
// Makes every entry of the archive claim a gigabyte unpacked, in its local
// and its central header; false with the tool's output added to the test's
// failures.
bool ClaimAGigabytePerEntry(const std::string& archive);

// The skin window as controls see it, recording what they ask of it.
class FakeSkinOwner : public SkinOwner {
public:
    CString ResolveText(const CString& text) override;
    HDib* GetImage(const CString& name) override;
    HCURSOR FindCursor(const CString& name) override;
    HXSubFont* FindFont(const CString& name) override;
    int SetControlTimer(HXConBase* control, int key, int interval) override;
    LRESULT NotifyApplication(WPARAM code, LPARAM data) override;
    bool FindControlId(const CString& name, int& id) override;
    HXConBase* FindControl(int id) override;
    HXManAlign* FindLayoutNode(const HXConBase* control) override;
    void Relayout() override;
    int GetSkinSource(CString& path, int& resource, int& packed) override;
    int UnpackSkin(CString& folder) override;

    std::map<std::wstring, std::wstring> texts;            // "$KEY" -> text
    std::map<std::wstring, std::unique_ptr<HDib>> images;  // by name
    std::map<std::wstring, HCURSOR> cursors;
    std::map<std::wstring, HXSubFont*> fonts;  // not owned
    std::map<std::wstring, int> controlIds;    // control name -> id
    std::map<int, HXConBase*> controls;        // by id, not owned
    HXManAlign* layout = nullptr;              // searched for layout nodes; not owned
    int relayouts = 0;
    std::wstring skinPath;  // empty: no skin source
    int packed = 0;
    std::wstring unpackFolder;
    int unpacks = 0;
    struct TimerRequest {
        HXConBase* control;
        int key;
        int interval;
    };
    std::vector<TimerRequest> timers;
    std::vector<std::pair<WPARAM, LPARAM>> notifications;
    std::vector<std::wstring> imageRequests;
};

}  // namespace skin_test
