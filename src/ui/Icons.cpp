// The program's images, drawn with QPainter in a 16 x 16 coordinate space.
// Strokes sit on half pixels so that one-unit lines stay sharp at 16 px; the
// same drawing is rendered again at 32 px for high-resolution screens.

#include "ui/Icons.h"

#include <QHash>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include "ui/CommandIds.h"

namespace {

using DrawFn = void (*)(QPainter&);

const QColor kOutline(90, 90, 90);
const QColor kPaper(255, 255, 255);
const QColor kTextLine(80, 120, 190);
const QColor kFolderLine(150, 110, 20);
const QColor kArrowLine(20, 70, 150);

QPen Pen(const QColor& color, qreal width = 1.0) {
    QPen pen(color, width);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

QBrush Gradient(const QColor& top, const QColor& bottom, qreal y0 = 1, qreal y1 = 15) {
    QLinearGradient gradient(0, y0, 0, y1);
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    return QBrush(gradient);
}

// A sheet with a folded corner between x0..x1 (stroke centres).
void DrawPage(QPainter& p, qreal x0 = 3.5, qreal x1 = 12.5, bool bLines = true) {
    QPolygonF sheet;
    sheet << QPointF(x0, 1.5) << QPointF(x1 - 3, 1.5) << QPointF(x1, 4.5) << QPointF(x1, 14.5) << QPointF(x0, 14.5);
    p.setPen(Pen(kOutline));
    p.setBrush(kPaper);
    p.drawPolygon(sheet);
    QPolygonF fold;
    fold << QPointF(x1 - 3, 1.5) << QPointF(x1 - 3, 4.5) << QPointF(x1, 4.5);
    p.setBrush(QColor(215, 215, 215));
    p.drawPolygon(fold);
    if (!bLines) return;
    p.setPen(Pen(kTextLine));
    for (qreal y : {6.5, 8.5, 10.5, 12.5}) p.drawLine(QPointF(x0 + 2, y), QPointF(x1 - 2, y));
}

void DrawClosedFolder(QPainter& p) {
    QPolygonF tab;
    tab << QPointF(1.5, 4.5) << QPointF(2.5, 2.5) << QPointF(6.5, 2.5) << QPointF(7.5, 4.5);
    p.setPen(Pen(kFolderLine));
    p.setBrush(QColor(236, 190, 70));
    p.drawPolygon(tab);
    p.setBrush(Gradient(QColor(255, 228, 130), QColor(232, 180, 50), 4, 14));
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
    p.setPen(Pen(QColor(255, 244, 200)));
    p.drawLine(QPointF(2.5, 5.5), QPointF(13.5, 5.5));
}

void DrawOpenFolder(QPainter& p) {
    // back wall with the tab, then the front flap tilted towards the viewer
    QPolygonF back;
    back << QPointF(1.5, 13.5) << QPointF(1.5, 2.5) << QPointF(5.5, 2.5) << QPointF(6.5, 4.5) << QPointF(12.5, 4.5)
         << QPointF(12.5, 13.5);
    p.setPen(Pen(kFolderLine));
    p.setBrush(QColor(222, 170, 50));
    p.drawPolygon(back);
    QPolygonF front;
    front << QPointF(1.5, 13.5) << QPointF(4.5, 7.5) << QPointF(14.5, 7.5) << QPointF(12.5, 13.5);
    p.setBrush(Gradient(QColor(255, 236, 150), QColor(240, 190, 60), 7, 14));
    p.drawPolygon(front);
}

void DrawEntryText(QPainter& p) {
    DrawPage(p);
}

void DrawEntryLink(QPainter& p) {
    DrawPage(p, 5.5, 14.5);
    // shortcut badge in the lower left: a white box with an arrow out of it
    p.setPen(Pen(kArrowLine));
    p.setBrush(kPaper);
    p.drawRect(QRectF(1.5, 8.5, 6, 6));
    QPen pen = Pen(kArrowLine, 1.5);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    QPainterPath shaft;
    shaft.moveTo(3.5, 13.0);
    shaft.quadTo(3.5, 10.5, 6.0, 10.5);
    p.drawPath(shaft);
    QPolygonF head;
    head << QPointF(4.5, 9.0) << QPointF(6.5, 10.5) << QPointF(4.5, 12.0);
    p.setPen(Pen(kArrowLine, 1.0));
    p.setBrush(kArrowLine);
    p.drawPolygon(head);
}

void DrawNoDrop(QPainter& p) {
    const QColor red(200, 30, 30);
    p.setPen(QPen(red, 2.0));
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawEllipse(QPointF(8, 8), 5.5, 5.5);
    QPen bar(red, 2.0);
    bar.setCapStyle(Qt::FlatCap);
    p.setPen(bar);
    p.drawLine(QPointF(4.2, 4.2), QPointF(11.8, 11.8));
}

// A four-pointed sparkle that marks "new".
void DrawSparkle(QPainter& p, QPointF c) {
    QPolygonF star;
    const qreal r = 3.0, s = 0.9;
    star << QPointF(c.x(), c.y() - r) << QPointF(c.x() + s, c.y() - s) << QPointF(c.x() + r, c.y())
         << QPointF(c.x() + s, c.y() + s) << QPointF(c.x(), c.y() + r) << QPointF(c.x() - s, c.y() + s)
         << QPointF(c.x() - r, c.y()) << QPointF(c.x() - s, c.y() - s);
    p.setPen(Pen(QColor(190, 130, 0), 0.8));
    p.setBrush(QColor(255, 215, 40));
    p.drawPolygon(star);
}

void DrawFileNew(QPainter& p) {
    DrawPage(p, 2.5, 11.5, false);
    DrawSparkle(p, QPointF(11.5, 4.0));
}

void DrawFileOpen(QPainter& p) {
    p.save();
    p.translate(0, 1);
    DrawOpenFolder(p);
    p.restore();
    // a bent arrow coming out of the folder
    QPen pen(QColor(30, 130, 40), 1.4);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    QPainterPath bend;
    bend.moveTo(8.5, 6.0);
    bend.quadTo(9.0, 2.5, 12.0, 2.5);
    p.drawPath(bend);
    QPolygonF head;
    head << QPointF(11.5, 0.8) << QPointF(14.2, 2.5) << QPointF(11.5, 4.2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 130, 40));
    p.drawPolygon(head);
}

void DrawMagnifier(QPainter& p, QPointF c, qreal r, QPointF handleEnd) {
    QPen handle(QColor(100, 60, 30), 2.5);
    handle.setCapStyle(Qt::RoundCap);
    p.setPen(handle);
    const qreal k = 0.7071 * r;
    p.drawLine(QPointF(c.x() + k, c.y() + k), handleEnd);
    p.setPen(Pen(QColor(60, 60, 60), 1.2));
    p.setBrush(QColor(190, 225, 255, 200));
    p.drawEllipse(c, r, r);
    p.setPen(Pen(QColor(255, 255, 255), 1.0));
    p.drawArc(QRectF(c.x() - r + 1.5, c.y() - r + 1.5, 2 * r - 3, 2 * r - 3), 90 * 16, 90 * 16);
}

void DrawPrintPreview(QPainter& p) {
    DrawPage(p, 2.5, 11.5);
    DrawMagnifier(p, QPointF(9.0, 9.0), 3.2, QPointF(13.3, 13.3));
}

void DrawPrint(QPainter& p) {
    p.setPen(Pen(kOutline));
    p.setBrush(kPaper);
    p.drawRect(QRectF(4.5, 1.5, 7, 6));
    p.setBrush(Gradient(QColor(215, 215, 220), QColor(140, 140, 150), 6, 12));
    p.drawRect(QRectF(1.5, 6.5, 13, 5));
    p.setBrush(kPaper);
    p.drawRect(QRectF(4.5, 10.5, 7, 4));
    p.setPen(Pen(kTextLine));
    p.drawLine(QPointF(6, 12.5), QPointF(10, 12.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 190, 60));
    p.drawRect(QRectF(12, 8, 1.5, 1.5));
}

void DrawDelete(QPainter& p) {
    QPen pen(QColor(200, 30, 30), 2.6);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.drawLine(QPointF(4, 4), QPointF(12, 12));
    p.drawLine(QPointF(12, 4), QPointF(4, 12));
}

// A block arrow pointing up; other directions are rotations of it.
void DrawBlockArrow(QPainter& p, qreal degrees, const QColor& top, const QColor& bottom, const QColor& line) {
    p.save();
    p.translate(8, 8);
    p.rotate(degrees);
    p.translate(-8, -8);
    QPolygonF arrow;
    arrow << QPointF(8, 1.5) << QPointF(14.5, 8) << QPointF(10.5, 8) << QPointF(10.5, 14.5) << QPointF(5.5, 14.5)
          << QPointF(5.5, 8) << QPointF(1.5, 8);
    p.setPen(Pen(line));
    p.setBrush(Gradient(top, bottom, 1.5, 14.5));
    p.drawPolygon(arrow);
    p.restore();
}

void DrawMoveUp(QPainter& p) {
    DrawBlockArrow(p, 0, QColor(140, 185, 245), QColor(40, 100, 200), kArrowLine);
}
void DrawMoveDown(QPainter& p) {
    DrawBlockArrow(p, 180, QColor(140, 185, 245), QColor(40, 100, 200), kArrowLine);
}
void DrawPrevious(QPainter& p) {
    DrawBlockArrow(p, -90, QColor(150, 225, 140), QColor(40, 150, 50), QColor(20, 100, 30));
}
void DrawNext(QPainter& p) {
    DrawBlockArrow(p, 90, QColor(150, 225, 140), QColor(40, 150, 50), QColor(20, 100, 30));
}

void DrawLinkEdit(QPainter& p) {
    // two chain links, one half under the other
    p.save();
    p.translate(8, 8);
    p.rotate(-45);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(70, 90, 120), 1.6));
    p.drawRoundedRect(QRectF(-7.0, -2.5, 8.0, 5.0), 2.5, 2.5);
    p.setPen(QPen(QColor(30, 110, 200), 1.6));
    p.drawRoundedRect(QRectF(-1.0, -2.5, 8.0, 5.0), 2.5, 2.5);
    p.restore();
}

void DrawFolderCreate(QPainter& p) {
    p.save();
    p.translate(0, 1);
    DrawClosedFolder(p);
    p.restore();
    DrawSparkle(p, QPointF(12.0, 3.5));
}

void DrawSearch(QPainter& p) {
    DrawMagnifier(p, QPointF(6.5, 6.5), 4.5, QPointF(13.0, 13.0));
}

void DrawWriteProtect(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(110, 110, 120), 1.8));
    QPainterPath shackle;
    shackle.moveTo(5.0, 8.0);
    shackle.lineTo(5.0, 5.0);
    shackle.arcTo(QRectF(5.0, 1.5, 6.0, 7.0), 180, -180);
    shackle.lineTo(11.0, 8.0);
    p.drawPath(shackle);
    p.setPen(Pen(QColor(140, 100, 10)));
    p.setBrush(Gradient(QColor(255, 220, 100), QColor(215, 160, 30), 7, 15));
    p.drawRect(QRectF(3.5, 7.5, 9, 7));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 50, 10));
    p.drawEllipse(QPointF(8, 10.3), 1.1, 1.1);
    p.drawRect(QRectF(7.5, 10.5, 1, 2.5));
}

QImage Render(DrawFn draw, int nSize, qreal fSpace = 16.0) {
    QImage image(nSize, nSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.scale(nSize / fSpace, nSize / fSpace);
    draw(painter);
    painter.end();
    return image;
}

// The program icon of resources/orvantis.svg, in its 64 x 64 space: the
// toolkit here has no SVG reader, so the window draws it itself.
void DrawProgramIcon(QPainter& p) {
    auto pen = [](const QColor& color, qreal width) {
        QPen round(color, width);
        round.setJoinStyle(Qt::RoundJoin);
        return round;
    };
    const QColor kGrey(90, 90, 90);
    const QColor kFolder(148, 105, 15);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(53, 112, 184));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 11, 11);
    p.setPen(pen(kGrey, 1.5));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({{24, 9}, {45, 9}, {53, 17}, {53, 50}, {24, 50}}));
    p.setBrush(QColor(216, 216, 216));
    p.drawPolygon(QPolygonF({{45, 9}, {45, 17}, {53, 17}}));
    QPen line = pen(QColor(79, 120, 190), 2.2);
    line.setCapStyle(Qt::RoundCap);
    p.setPen(line);
    for (qreal y : {22, 28, 34}) p.drawLine(QPointF(30, y), QPointF(47, y));
    p.drawLine(QPointF(30, 40), QPointF(41, 40));
    p.setPen(pen(kFolder, 1.5));
    p.setBrush(QColor(224, 169, 58));
    p.drawPolygon(QPolygonF({{9, 30}, {12, 25}, {22, 25}, {25, 30}}));
    p.setBrush(QColor(242, 197, 81));
    p.drawRoundedRect(QRectF(9, 30, 28, 24), 2, 2);
    p.setPen(pen(QColor(255, 244, 200), 1.5));
    p.drawLine(QPointF(11, 33), QPointF(35, 33));
}

DrawFn BitmapDrawer(int nBitmapId) {
    switch (nBitmapId) {
        case IDB_ENTRY_TEXT: return DrawEntryText;
        case IDB_ENTRY_FOLDER: return DrawClosedFolder;
        case IDB_FOLDER_OPEN: return DrawOpenFolder;
        case IDB_NO_DROP: return DrawNoDrop;
        case IDB_ENTRY_LINK: return DrawEntryLink;
        default: return nullptr;
    }
}

DrawFn CommandDrawer(int nCommandId) {
    switch (nCommandId) {
        case ID_FILE_NEW: return DrawFileNew;
        case ID_FILE_OPEN: return DrawFileOpen;
        case ID_FILE_PRINT_PREVIEW: return DrawPrintPreview;
        case ID_FILE_PRINT: return DrawPrint;
        case ID_ENTRY_DELETE: return DrawDelete;
        case ID_ENTRY_MOVE_UP: return DrawMoveUp;
        case ID_ENTRY_MOVE_DOWN: return DrawMoveDown;
        case ID_LINK_EDIT: return DrawLinkEdit;
        case ID_FOLDER_CREATE: return DrawFolderCreate;
        case ID_ENTRY_PREVIOUS: return DrawPrevious;
        case ID_ENTRY_NEXT: return DrawNext;
        case ID_SEARCH: return DrawSearch;
        case ID_WRITE_PROTECT: return DrawWriteProtect;
        default: return nullptr;
    }
}

}  // namespace

QPixmap GetBitmap(int nBitmapId) {
    static QHash<int, QPixmap> cache;
    auto it = cache.constFind(nBitmapId);
    if (it != cache.constEnd()) return *it;
    DrawFn draw = BitmapDrawer(nBitmapId);
    QPixmap pixmap = draw ? QPixmap::fromImage(Render(draw, 16)) : QPixmap();
    cache.insert(nBitmapId, pixmap);
    return pixmap;
}

QIcon GetCommandIcon(int nCommandId) {
    static QHash<int, QIcon> cache;
    auto it = cache.constFind(nCommandId);
    if (it != cache.constEnd()) return *it;
    QIcon icon;
    if (DrawFn draw = CommandDrawer(nCommandId)) {
        icon.addPixmap(QPixmap::fromImage(Render(draw, 16)));
        icon.addPixmap(QPixmap::fromImage(Render(draw, 32)));
    }
    cache.insert(nCommandId, icon);
    return icon;
}

QIcon GetProgramIcon() {
    static const QIcon icon = [] {
        QIcon drawn;
        for (int nSize : {16, 22, 24, 32, 48, 64, 128, 256})
            drawn.addPixmap(QPixmap::fromImage(Render(DrawProgramIcon, nSize, 64.0)));
        // an installed theme icon wins, so the window matches the menu entry
        return QIcon::fromTheme(QStringLiteral("orvantis"), drawn);
    }();
    return icon;
}
