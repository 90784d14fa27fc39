// The art of the default skin: draws every bitmap the default skin document
// names into a folder, as 24-bit BMP files. The skin is flat: one palette,
// rounded buttons as strips of four cells (normal, hover, pressed, disabled),
// frames drawn on 3x3 grids, a title strip and line icons. Pixels that a
// keyed drawing must leave see-through are magenta; edges are smoothed
// against the colour the picture is meant to lie on, so no pink fringe shows.
//
//   rivo-skin-art OUT_FOLDER
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <cmath>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

// The palette.
const QColor kKey(255, 0, 255);
const QColor kWindow(0xEE, 0xF1, 0xF5);
const QColor kTitle(0x1E, 0x2A, 0x3A);
const QColor kTitleHover(0x33, 0x43, 0x59);
const QColor kTitlePressed(0x14, 0x1D, 0x29);
const QColor kClose(0xE0, 0x48, 0x48), kClosePressed(0xB8, 0x32, 0x32);
const QColor kSurface(0xFF, 0xFF, 0xFF);
const QColor kBorder(0xD3, 0xDA, 0xE3);
const QColor kInk(0x33, 0x42, 0x55);
const QColor kInkOff(0xB5, 0xBE, 0xC9);
const QColor kAccent(0x2F, 0x6F, 0xED), kAccentHover(0x4A, 0x84, 0xF0), kAccentPressed(0x24, 0x59, 0xC4),
    kAccentOff(0xA9, 0xC0, 0xEE);
const QColor kToolHover(0xDD, 0xE5, 0xF0), kToolPressed(0xC8, 0xD4, 0xE6);

enum State { Normal, Hover, Pressed, Disabled };

// One picture drawn twice: smoothed on its backdrop, and as coverage; what
// nothing covered becomes the key colour.
using Painter = std::function<void(QPainter&, State)>;

QImage DrawKeyed(int width, int height, const QColor& backdrop, const Painter& paint, State state)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(backdrop);
    QImage coverage(width, height, QImage::Format_ARGB32_Premultiplied);
    coverage.fill(Qt::transparent);
    for (QImage* target : {&picture, &coverage}) {
        QPainter p(target);
        p.setRenderHint(QPainter::Antialiasing);
        paint(p, state);
    }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (qAlpha(coverage.pixel(x, y)) == 0) picture.setPixelColor(x, y, kKey);
    return picture;
}

// Cells side by side, one for each state.
QImage Strip(int cellWidth, int height, const QColor& backdrop, const Painter& paint)
{
    QImage strip(cellWidth * 4, height, QImage::Format_RGB32);
    QPainter p(&strip);
    for (int s = Normal; s <= Disabled; ++s)
        p.drawImage(cellWidth * s, 0, DrawKeyed(cellWidth, height, backdrop, paint, static_cast<State>(s)));
    return strip;
}

QImage Solid(int width, int height, const QColor& color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

void RoundedBox(QPainter& p, const QRectF& box, qreal radius, const QColor& fill, const QColor& border)
{
    p.setPen(border.isValid() ? QPen(border, 1) : Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

QPen Line(const QColor& color, qreal width = 2.0)
{
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// ---- Icons: drawn in an 18 by 18 box whose top-left corner is given ----------
using Icon = std::function<void(QPainter&, QPointF, const QColor&)>;

void Arrow(QPainter& p, QPointF o, const QColor& c, bool up, bool bar)
{
    p.setPen(Line(c));
    p.setBrush(Qt::NoBrush);
    const qreal top = bar ? 5 : 3, bottom = 15;
    const qreal tip = up ? top : bottom, tail = up ? bottom : top;
    const qreal head = up ? 5 : -5;
    p.drawLine(QPointF(o.x() + 9, o.y() + tip), QPointF(o.x() + 9, o.y() + tail));
    p.drawLine(QPointF(o.x() + 9, o.y() + tip), QPointF(o.x() + 4, o.y() + tip + head));
    p.drawLine(QPointF(o.x() + 9, o.y() + tip), QPointF(o.x() + 14, o.y() + tip + head));
    if (bar) {
        const qreal y = up ? 1.5 : 16.5;
        p.drawLine(QPointF(o.x() + 3, o.y() + y), QPointF(o.x() + 15, o.y() + y));
    }
}

void Gear(QPainter& p, QPointF o, const QColor& c)
{
    // A ring with eight square teeth and a round hole, filled.
    const QPointF centre = o + QPointF(9, 9);
    QPainterPath gear;
    gear.addEllipse(centre, 6.2, 6.2);
    for (int i = 0; i < 8; ++i) {
        QPainterPath tooth;
        tooth.addRect(QRectF(-1.6, -8.8, 3.2, 4.0));
        gear = gear.united(QTransform().translate(centre.x(), centre.y()).rotate(i * 45.0).map(tooth));
    }
    QPainterPath hole;
    hole.addEllipse(centre, 2.6, 2.6);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(gear.subtracted(hole));
}

// Straight strokes, each from (x1, y1) to (x2, y2) in the icon's box.
void Strokes(QPainter& p, QPointF o, const QColor& c, qreal width, std::initializer_list<QLineF> lines)
{
    p.setPen(Line(c, width));
    for (const QLineF& l : lines) p.drawLine(l.translated(o));
}

// A filled triangle pointing right inside the box, its corners rounded by
// the pen.
void PlayTriangle(QPainter& p, QPointF o, const QColor& c, const QRectF& box, qreal pen)
{
    QPainterPath t;
    t.moveTo(o + box.topLeft());
    t.lineTo(o + QPointF(box.right(), box.center().y()));
    t.lineTo(o + box.bottomLeft());
    t.closeSubpath();
    p.setPen(Line(c, pen));
    p.setBrush(c);
    p.drawPath(t);
}

void Circled(QPainter& p, QPointF o, const QColor& c)
{
    p.setPen(Line(c, 1.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(o + QPointF(9, 9), 8, 8);
}

const std::vector<std::pair<std::string, Icon>>& Icons()
{
    static const std::vector<std::pair<std::string, Icon>> icons = {
        {"add",
         [](QPainter& p, QPointF o, const QColor& c) {
             Strokes(p, o, c, 2.2, {{9, 2, 9, 16}, {2, 9, 16, 9}});
         }},
        {"remove",
         [](QPainter& p, QPointF o, const QColor& c) {
             Strokes(p, o, c, 2.2, {{2, 9, 16, 9}});
         }},
        {"clear",
         [](QPainter& p, QPointF o, const QColor& c) {  // a bin
             p.setPen(Line(c, 1.8));
             p.setBrush(Qt::NoBrush);
             p.drawLine(o + QPointF(2, 4), o + QPointF(16, 4));
             p.drawLine(o + QPointF(7, 4), o + QPointF(7.5, 1.5));
             p.drawLine(o + QPointF(7.5, 1.5), o + QPointF(10.5, 1.5));
             p.drawLine(o + QPointF(10.5, 1.5), o + QPointF(11, 4));
             QPainterPath body;
             body.moveTo(o + QPointF(4, 4));
             body.lineTo(o + QPointF(5, 16.5));
             body.lineTo(o + QPointF(13, 16.5));
             body.lineTo(o + QPointF(14, 4));
             p.drawPath(body);
             p.drawLine(o + QPointF(7.5, 7.5), o + QPointF(7.8, 13.5));
             p.drawLine(o + QPointF(10.5, 7.5), o + QPointF(10.2, 13.5));
         }},
        {"up", [](QPainter& p, QPointF o, const QColor& c) { Arrow(p, o, c, true, false); }},
        {"down", [](QPainter& p, QPointF o, const QColor& c) { Arrow(p, o, c, false, false); }},
        {"top", [](QPainter& p, QPointF o, const QColor& c) { Arrow(p, o, c, true, true); }},
        {"bottom", [](QPainter& p, QPointF o, const QColor& c) { Arrow(p, o, c, false, true); }},
        {"play",
         [](QPainter& p, QPointF o, const QColor& c) {
             Circled(p, o, c);
             PlayTriangle(p, o, c, QRectF(7, 5.5, 6, 7), 1.2);
         }},
        {"source",
         [](QPainter& p, QPointF o, const QColor& c) {  // three sliders
             p.setPen(Line(c, 1.8));
             for (int i = 0; i < 3; ++i) {
                 const qreal y = 3.5 + i * 5.5, knob = i == 1 ? 12 : (i == 0 ? 6 : 9);
                 p.drawLine(o + QPointF(2, y), o + QPointF(16, y));
                 p.setBrush(kSurface);
                 p.drawEllipse(o + QPointF(knob, y), 2.2, 2.2);
             }
         }},
        {"info",
         [](QPainter& p, QPointF o, const QColor& c) {
             Circled(p, o, c);
             p.setPen(Line(c, 2));
             p.drawLine(o + QPointF(9, 8.5), o + QPointF(9, 13));
             p.setPen(Line(c, 2.6));
             p.drawPoint(o + QPointF(9, 5.2));
         }},
        {"settings", [](QPainter& p, QPointF o, const QColor& c) { Gear(p, o, c); }},
        {"about",
         [](QPainter& p, QPointF o, const QColor& c) {
             Circled(p, o, c);
             QPainterPath q;
             q.moveTo(o + QPointF(6.5, 7));
             q.cubicTo(o + QPointF(6.5, 3.5), o + QPointF(11.8, 3.5), o + QPointF(11.6, 7));
             q.cubicTo(o + QPointF(11.4, 9), o + QPointF(9, 9), o + QPointF(9, 11));
             p.setPen(Line(c, 1.8));
             p.setBrush(Qt::NoBrush);
             p.drawPath(q);
             p.setPen(Line(c, 2.4));
             p.drawPoint(o + QPointF(9, 13.8));
         }},
        {"exit",
         [](QPainter& p, QPointF o, const QColor& c) {
             Strokes(p, o, c, 1.8, {{4, 4, 14, 14}, {14, 4, 4, 14}});
         }},
        {"minimize",
         [](QPainter& p, QPointF o, const QColor& c) {
             Strokes(p, o, c, 1.8, {{4, 13, 14, 13}});
         }},
        {"start", [](QPainter& p, QPointF o, const QColor& c) { PlayTriangle(p, o, c, QRectF(5, 3, 10, 12), 1.5); }},
    };
    return icons;
}

const Icon& FindIcon(const std::string& name)
{
    for (const auto& [n, icon] : Icons())
        if (n == name) return icon;
    std::fprintf(stderr, "rivo-skin-art: no icon %s\n", name.c_str());
    std::abort();
}

// A toolbar button: the icon alone on the window's colour, a soft rounded
// plate under it when hovered or pressed, a faded icon when disabled.
QImage ToolButton(const std::string& icon)
{
    constexpr int kSize = 34;
    return Strip(kSize, kSize, kWindow, [&](QPainter& p, State s) {
        if (s == Hover || s == Pressed)
            RoundedBox(p, QRectF(0, 0, kSize, kSize), 6, s == Hover ? kToolHover : kToolPressed, QColor());
        const QPointF o(8, s == Pressed ? 9 : 8);
        FindIcon(icon)(p, o, s == Disabled ? kInkOff : kInk);
    });
}

// A button of the title strip: the icon in white, a lighter square behind it
// when hovered (red for closing).
QImage TitleButton(const std::string& icon, bool closing)
{
    constexpr int kWidth = 42, kHeight = 40;
    return Strip(kWidth, kHeight, kTitle, [&](QPainter& p, State s) {
        // The whole cell is covered, so nothing of it is keyed.
        QColor plate = kTitle;
        if (s == Hover) plate = closing ? kClose : kTitleHover;
        if (s == Pressed) plate = closing ? kClosePressed : kTitlePressed;
        p.fillRect(QRectF(0, 0, kWidth, kHeight), plate);
        FindIcon(icon)(p, QPointF(12, 11), s == Disabled ? QColor(0x6A, 0x78, 0x8A) : QColor(Qt::white));
    });
}

// A push button with a text: a rounded plate, drawn by the skin as a
// three-part picture stretched to the button's width.
QImage TextButton(int height, bool accent)
{
    constexpr int kWidth = 24;
    return Strip(kWidth, height, kWindow, [&](QPainter& p, State s) {
        QColor fill, border;
        if (accent) {
            const QColor fills[] = {kAccent, kAccentHover, kAccentPressed, kAccentOff};
            fill = fills[s];
            border = fill;
        } else {
            const QColor fills[] = {kSurface, QColor(0xF1, 0xF6, 0xFE), QColor(0xDD, 0xE7, 0xF8), kWindow};
            const QColor borders[] = {QColor(0xC2, 0xCB, 0xD7), QColor(0x8F, 0xB0, 0xE8), QColor(0x6F, 0x97, 0xDD),
                                      QColor(0xDC, 0xE1, 0xE8)};
            fill = fills[s];
            border = borders[s];
        }
        RoundedBox(p, QRectF(0, 0, kWidth, height), 5, fill, border);
    });
}

// A white panel with a thin border and rounded corners, on a 3x3 grid.
QImage Panel(int size, qreal radius, const QColor& fill, const QColor& border)
{
    const Painter paint = [&](QPainter& p, State) { RoundedBox(p, QRectF(0, 0, size, size), radius, fill, border); };
    return DrawKeyed(size, size, kWindow, paint, Normal);
}

// An icon on its own, keyed around, smoothed against the colour it lies on.
QImage LoneIcon(const std::string& icon, const QColor& ink, const QColor& backdrop)
{
    return DrawKeyed(
        18, 18, backdrop, [&](QPainter& p, State) { FindIcon(icon)(p, QPointF(0, 0), ink); }, Normal);
}

// The mark in the title strip: a rounded accent square with a white arrow.
QImage Logo()
{
    return DrawKeyed(
        24, 24, kTitle,
        [](QPainter& p, State) {
            RoundedBox(p, QRectF(0, 0, 24, 24), 6, kAccent, QColor());
            FindIcon("start")(p, QPointF(4, 3), Qt::white);
        },
        Normal);
}

// The chevron of the preset button and the resize grip: small, hard-edged,
// keyed pictures that lie on several colours.
QImage Chevron()
{
    QImage image = Solid(10, 6, kKey);
    for (int y = 0; y < 5; ++y)
        for (int x = y; x < 10 - y; ++x)
            if (x - y < 2 || 9 - y - x < 2) image.setPixelColor(x, y, kInk);
    return image;
}

QImage Grip()
{
    QImage image = Solid(12, 12, kKey);
    for (int row = 0; row < 3; ++row)
        for (int col = 2 - row; col < 3; ++col)
            for (int d = 0; d < 4; ++d)
                image.setPixelColor(col * 4 + 1 + d % 2, row * 4 + 1 + d / 2, QColor(0xA8, 0xB3, 0xC1));
    return image;
}

bool Save(const QString& folder, const char* name, const QImage& image)
{
    const QString path = folder + "/" + name;
    if (!image.convertToFormat(QImage::Format_RGB888).save(path, "BMP")) {
        std::fprintf(stderr, "rivo-skin-art: cannot write %s\n", path.toLocal8Bit().constData());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: rivo-skin-art OUT_FOLDER\n");
        return 2;
    }
    // The pictures hold no text, so painting them needs no application
    // object and no display.
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "rivo-skin-art: cannot make %s\n", argv[1]);
        return 1;
    }

    struct Picture {
        const char* name;
        QImage image;
    };
    const std::vector<Picture> pictures = {
        {"title.bmp", Solid(30, 40, kTitle)},
        {"logo.bmp", Logo()},
        {"panel.bmp", Panel(24, 6, kSurface, kBorder)},
        {"field.bmp", Panel(24, 4, kSurface, QColor(0xC2, 0xCB, 0xD7))},
        {"button.bmp", TextButton(30, false)},
        {"button_accent.bmp", TextButton(38, true)},
        {"tool_add.bmp", ToolButton("add")},
        {"tool_remove.bmp", ToolButton("remove")},
        {"tool_clear.bmp", ToolButton("clear")},
        {"tool_top.bmp", ToolButton("top")},
        {"tool_up.bmp", ToolButton("up")},
        {"tool_down.bmp", ToolButton("down")},
        {"tool_bottom.bmp", ToolButton("bottom")},
        {"tool_preview.bmp", ToolButton("play")},
        {"tool_source.bmp", ToolButton("source")},
        {"tool_info.bmp", ToolButton("info")},
        {"title_about.bmp", TitleButton("about", false)},
        {"title_option.bmp", TitleButton("settings", false)},
        {"title_minimize.bmp", TitleButton("minimize", false)},
        {"title_exit.bmp", TitleButton("exit", true)},
        {"icon_start.bmp", LoneIcon("start", Qt::white, kAccent)},
        {"icon_settings.bmp", LoneIcon("settings", kInk, kSurface)},
        {"chevron.bmp", Chevron()},
        {"grip.bmp", Grip()},
        {"separator.bmp", Solid(1, 24, kBorder)},
    };
    for (const Picture& p : pictures)
        if (!Save(folder, p.name, p.image)) return 1;
    return 0;
}
