#include "ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>

#include "platform/win32/gui/Cursors.h"

QImage DrawProgramIcon(int size)
{
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    qreal s = size / 32.0;
    p.scale(s, s);
    QLinearGradient fill(0, 0, 0, 32);
    fill.setColorAt(0, QColor(58, 120, 230));
    fill.setColorAt(1, QColor(20, 60, 160));
    p.setPen(QPen(QColor(12, 40, 110), 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 6, 6);
    QPainterPath play;
    play.moveTo(10, 8);
    play.lineTo(23, 16);
    play.lineTo(10, 24);
    play.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(play);
    p.setBrush(QColor(255, 150, 40));
    QPainterPath arrow;
    arrow.moveTo(20, 23);
    arrow.lineTo(28, 23);
    arrow.lineTo(28, 19);
    arrow.lineTo(31, 25);
    arrow.lineTo(28, 31);
    arrow.lineTo(28, 27);
    arrow.lineTo(20, 27);
    arrow.closeSubpath();
    p.drawPath(arrow);
    p.end();
    return img;
}

void RegisterProgramIcon() { RegisterIconResource(kProgramIconId, DrawProgramIcon()); }
