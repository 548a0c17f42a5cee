#include "workbench/ui/main_tool_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zorvik {
namespace {

QColor Background(TMainTool tool) {
  switch (tool) {
    case TMainTool::kNew:
    case TMainTool::kOpen:
    case TMainTool::kSave:
    case TMainTool::kSaveAs:
      return QColor(0x4d, 0x6f, 0x96);  // the document
    case TMainTool::kGenerate:
      return QColor(0x2a, 0x64, 0xa4);
    case TMainTool::kPreview:
      return QColor(0x1f, 0x85, 0x85);
    case TMainTool::kWrite:
      return QColor(0xc8, 0x5e, 0x16);
    case TMainTool::kBatch:
      return QColor(0x6b, 0x4f, 0xa3);
    case TMainTool::kHelp:
      return QColor(0x2c, 0x4a, 0x6e);
    case TMainTool::kCheck:
      return QColor(0x2e, 0x7d, 0x32);
    case TMainTool::kPublish:
      return QColor(0x00, 0x6d, 0xa8);
    case TMainTool::kAbout:
      break;
  }
  return QColor(0x70, 0x70, 0x70);
}

// A sheet of paper with its top right corner folded, at x, y.
void Sheet(QPainter& p, double x, double y, double w, double h) {
  QPainterPath path;
  path.moveTo(x, y);
  path.lineTo(x + w - 3, y);
  path.lineTo(x + w, y + 3);
  path.lineTo(x + w, y + h);
  path.lineTo(x, y + h);
  path.closeSubpath();
  p.drawPath(path);
}

void Floppy(QPainter& p) {
  p.drawRoundedRect(QRectF(6, 6, 12, 12), 1, 1);
  p.drawRect(QRectF(9, 6, 6, 4));
  p.drawRect(QRectF(8.5, 13, 7, 5));
}

// The sign of a tool in a 24 x 24 square, drawn with the painter's white pen.
void DrawSign(QPainter& p, TMainTool tool) {
  switch (tool) {
    case TMainTool::kNew:
      Sheet(p, 7, 5, 10, 14);
      p.drawLine(QPointF(12, 9.5), QPointF(12, 15.5));
      p.drawLine(QPointF(9, 12.5), QPointF(15, 12.5));
      break;
    case TMainTool::kOpen: {
      QPainterPath folder;
      folder.moveTo(5, 8);
      folder.lineTo(10, 8);
      folder.lineTo(11.5, 9.5);
      folder.lineTo(19, 9.5);
      folder.lineTo(19, 17.5);
      folder.lineTo(5, 17.5);
      folder.closeSubpath();
      p.drawPath(folder);
      p.drawLine(QPointF(5, 12), QPointF(19, 12));
      break;
    }
    case TMainTool::kSave:
      Floppy(p);
      break;
    case TMainTool::kSaveAs:
      p.save();
      p.translate(-2, -1);
      Floppy(p);
      p.restore();
      p.setBrush(Qt::white);
      p.drawEllipse(QPointF(19, 19), 1.4, 1.4);
      break;
    case TMainTool::kGenerate:
      p.drawPolyline(QPolygonF({QPointF(9, 8), QPointF(5, 12), QPointF(9, 16)}));
      p.drawPolyline(QPolygonF({QPointF(15, 8), QPointF(19, 12), QPointF(15, 16)}));
      p.drawLine(QPointF(13.3, 7), QPointF(10.7, 17));
      break;
    case TMainTool::kPreview: {
      QPainterPath eye;
      eye.moveTo(4.5, 12);
      eye.quadTo(12, 4.5, 19.5, 12);
      eye.quadTo(12, 19.5, 4.5, 12);
      p.drawPath(eye);
      p.setBrush(Qt::white);
      p.drawEllipse(QPointF(12, 12), 2.2, 2.2);
      break;
    }
    case TMainTool::kWrite:
      p.drawLine(QPointF(12, 5), QPointF(12, 14));
      p.drawPolyline(QPolygonF({QPointF(8.5, 10.5), QPointF(12, 14), QPointF(15.5, 10.5)}));
      p.drawPolyline(
          QPolygonF({QPointF(6, 15), QPointF(6, 18.5), QPointF(18, 18.5), QPointF(18, 15)}));
      break;
    case TMainTool::kBatch:
      Sheet(p, 10, 4.5, 8, 10);
      Sheet(p, 8, 7, 8, 10);
      p.setBrush(Background(tool));
      Sheet(p, 6, 9.5, 8, 10);
      break;
    case TMainTool::kCheck:
      // A tick.
      p.drawLine(QPointF(6.5, 12.5), QPointF(10.5, 16.5));
      p.drawLine(QPointF(10.5, 16.5), QPointF(17.5, 7.5));
      break;
    case TMainTool::kPublish:
      // An arrow up out of a tray: the site goes to the server.
      p.drawLine(QPointF(12, 15), QPointF(12, 5.5));
      p.drawPolyline(QPolygonF({QPointF(8.5, 9), QPointF(12, 5.5), QPointF(15.5, 9)}));
      p.drawPolyline(
          QPolygonF({QPointF(6, 14), QPointF(6, 18.5), QPointF(18, 18.5), QPointF(18, 14)}));
      break;
    case TMainTool::kHelp: {
      // A question mark.
      QPainterPath hook;
      hook.moveTo(8.5, 9);
      hook.cubicTo(8.5, 4.5, 15.5, 4.5, 15.5, 9);
      hook.cubicTo(15.5, 11.5, 12, 11.5, 12, 14.5);
      p.drawPath(hook);
      p.setBrush(Qt::white);
      p.drawEllipse(QPointF(12, 18), 0.9, 0.9);
      break;
    }
    case TMainTool::kAbout:
      p.drawEllipse(QPointF(12, 12), 6.5, 6.5);
      p.drawLine(QPointF(12, 11), QPointF(12, 15.5));
      p.setBrush(Qt::white);
      p.drawEllipse(QPointF(12, 8.3), 0.6, 0.6);
      break;
  }
}

QPixmap Draw(TMainTool tool, int scale) {
  QPixmap pixmap(24 * scale, 24 * scale);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(scale, scale);
  p.setBrush(Background(tool));
  p.setPen(QColor(90, 90, 90));
  p.drawRoundedRect(QRectF(1.5, 1.5, 21, 21), 3, 3);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  DrawSign(p, tool);
  return pixmap;
}

}  // namespace

QIcon MainToolIcon(TMainTool tool) {
  QIcon icon;
  icon.addPixmap(Draw(tool, 1));
  icon.addPixmap(Draw(tool, 2));
  return icon;
}

}  // namespace zorvik
