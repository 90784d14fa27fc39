#include "ReaderAppResources.h"

#include <QColor>
#include <QImage>
#include <QPainter>

#include "RivoReaderIds.h"
#include "platform/win32/gui/Cursors.h"

namespace {

// The program's icon: a sheet of paper with report lines over a film strip.
QImage DrawReaderIcon()
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(QColor(40, 40, 40));
    painter.setBrush(QColor(60, 60, 70));
    painter.drawRect(2, 4, 14, 24);
    painter.setBrush(Qt::white);
    for (int y = 6; y < 28; y += 5) painter.drawRect(4, y, 2, 2);
    painter.drawRect(10, 2, 19, 27);
    painter.setPen(QColor(30, 90, 180));
    for (int y = 7; y < 27; y += 4) painter.drawLine(13, y, 26, y);
    return image;
}

}  // namespace

void RegisterReaderAppResources()
{
    RegisterRivoReaderResources();
    RegisterIconResource(IDI_RIVOREADER, DrawReaderIcon());
}
