// Drawing objects and device contexts as the files of the drawing layer see
// them (not for code above it). UI thread only.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <memory>
#include <vector>

#include "platform/win32/gui/GdiObjects.h"

namespace win32_gui {

// Pixel memory of a bitmap in DIB layout (rows padded to 4 bytes, bottom-up
// unless created top-down), seen by Qt through an image that shares it.
struct BitmapSurface {
    int width = 0;
    int height = 0;
    int bitCount = 32;
    bool bottomUp = false;
    int stride = 0;
    std::vector<uint8_t> bits;
    std::vector<RGBQUAD> palette;
    bool Paintable() const { return bitCount == 16 || bitCount == 24 || bitCount == 32; }
    // An image over the memory (rows in memory order), null for palette depths.
    QImage View();
    // The logical (top-down) rectangle of the bitmap as an RGB32 image.
    QImage Read(const QRect& r);
    // After Qt drew into a 32-bit surface: the fourth byte goes back to 0,
    // as drawing leaves it on this platform's DIBs.
    void ClearAlpha(const QRect& logical);
};

enum class GdiKind { Pen, Brush, Font, Bitmap, Region };

struct GdiObject {
    GdiKind kind = GdiKind::Brush;
    bool stock = false;
    int selections = 0;  // device contexts the object is selected into
    // Pen.
    int penStyle = PS_SOLID;
    int penWidth = 1;
    // Pen and brush.
    COLORREF color = 0;
    UINT brushStyle = BS_SOLID;
    // Font.
    LOGFONTW logFont;
    QFont font;
    // Bitmap.
    std::shared_ptr<BitmapSurface> surface;
    bool dibSection = false;
    // Region (device coordinates).
    QRegion region;
};

// Coordinates are kept within +/- 2^28 so that widths and offsets never
// overflow, whatever a caller (or a skin file) asks for.
constexpr long long kCoordinateLimit = 1LL << 28;
int ClampCoordinate(long long v);
// The rectangle from left, top, right and bottom edges (right and bottom
// outside); an inverted rectangle is empty.
QRect RectFromEdges(long long left, long long top, long long right, long long bottom);

GdiObject* GdiFind(HGDIOBJ handle);
GdiObject* GdiFind(HGDIOBJ handle, GdiKind kind);
HGDIOBJ GdiAdd(std::unique_ptr<GdiObject> object);
QColor ToQColor(COLORREF c);
COLORREF FromQColor(const QColor& c);
QFont FontFromLogFont(const LOGFONTW& lf);

// A saved state of a device context (SaveDC).
struct DcState {
    HGDIOBJ pen = nullptr;
    HGDIOBJ brush = nullptr;
    HGDIOBJ font = nullptr;
    HGDIOBJ bitmap = nullptr;
    COLORREF textColor = 0;
    COLORREF bkColor = 0xFFFFFF;
    int bkMode = 2;  // OPAQUE
    UINT textAlign = 0;
    bool hasClip = false;
    QRegion clip;  // logical coordinates of the DC
    POINT current;
    POINT viewportOrigin;
    int rop2 = 13;  // R2_COPYPEN
    COLORREF dcBrushColor = 0xFFFFFF;
    COLORREF dcPenColor = 0;
};

struct DeviceContext {
    HDC handle = nullptr;
    bool memory = false;
    HWND window = nullptr;     // window DCs
    bool wholeWindow = false;  // GetWindowDC: non-client area included
    bool paintDc = false;      // from BeginPaint
    QRegion paintClip;         // window DCs: what may be drawn, in DC coordinates
    DcState state;
    std::vector<DcState> saved;
};

DeviceContext* DcFind(HDC dc);
HDC DcAdd(std::unique_ptr<DeviceContext> dc);
void DcRemove(HDC dc);

// The image a DC draws on and where its logical (0, 0) lies in it; null when
// the DC has nothing to draw on.
struct DrawTarget {
    QImage* image = nullptr;
    BitmapSurface* surface = nullptr;  // memory DCs
    HWND window = nullptr;
    QPoint origin;  // DC (0, 0) in top-down image coordinates
    QRegion clip;   // in DC coordinates; empty with limited = true draws nothing
    bool limited = false;
    QImage view;  // keeps a surface view alive
};
bool ResolveTarget(DeviceContext& dc, DrawTarget* target);

// Opens a painter on a DC with its origin, clip and (for bottom-up
// bitmaps) the vertical flip set up; Finish tells the window or bitmap.
class DcPainter {
public:
    explicit DcPainter(HDC dc);
    ~DcPainter();
    DcPainter(const DcPainter&) = delete;
    DcPainter& operator=(const DcPainter&) = delete;
    bool ok() const { return ok_; }
    QPainter& p() { return painter_; }
    DeviceContext& dc() { return *dc_; }
    // Marks the DC rectangle as drawn (for the window on screen and the DIB
    // alpha bytes).
    void Touched(const QRect& logical);

private:
    DeviceContext* dc_ = nullptr;
    DrawTarget target_;
    QPainter painter_;
    bool ok_ = false;
    QRect touched_;
};

// Reads a DC rectangle (logical coordinates) as an RGB32 image.
QImage ReadDc(HDC dc, const QRect& logical);
// The part of a DC's logical plane that lies on its surface.
QRect DcExtent(HDC dc);

}  // namespace win32_gui
