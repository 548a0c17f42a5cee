#include "workbench/ui/qt_adapters.h"

#include <QGuiApplication>
#include <QMetaProperty>
#include <QScreen>
#include <QStringList>
#include <algorithm>

#include "editor/teditor.h"
#include "qt_text/cp932_text.h"
#include "workbench/window_places.h"

namespace zorvik {

namespace {

QRect AvailableArea(const QWidget* anchor) {
  QScreen* screen = anchor != nullptr ? anchor->screen() : nullptr;
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

TRect AsRect(const QRect& r) { return {r.left(), r.top(), r.width(), r.height()}; }

}  // namespace

TBoundsTarget::TBounds TWidgetBounds::NormalBounds() const {
  if (!widget_) return {};
  if (!widget_->testAttribute(Qt::WA_WState_Created)) {
    // Never shown: its own geometry is Qt's placeholder until a layout or a placement set it.
    QSize size = widget_->testAttribute(Qt::WA_Resized)
                     ? widget_->size()
                     : widget_->sizeHint().expandedTo(widget_->minimumSizeHint());
    QPoint frame = widget_->pos();
    if (!widget_->testAttribute(Qt::WA_Moved)) {
      const QRect area = AvailableArea(anchor_);
      size = size.boundedTo(area.size());
      frame = area.center() - QPoint(size.width() / 2, size.height() / 2);
    }
    return {frame.x(), frame.y(), size.width(), size.height()};
  }
  // normalGeometry() is the restored rectangle inside the frame; the frame stands around it.
  QRect inner = widget_->normalGeometry();
  if (!inner.isValid()) inner = widget_->geometry();
  const QPoint frame_offset = widget_->geometry().topLeft() - widget_->frameGeometry().topLeft();
  const QPoint frame = inner.topLeft() - frame_offset;
  return {frame.x(), frame.y(), inner.width(), inner.height()};
}

void TWidgetBounds::SetBounds(const TBounds& b) {
  if (!widget_) return;
  // Fitted onto the screen its title bar stands on (else the main window's), at today's scale:
  // a place saved on a larger screen or at a smaller scale comes back whole.
  QRect area = AvailableArea(anchor_);
  const QPoint title_bar(b.left + std::min(b.width / 2, 40), b.top + 10);
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen->availableGeometry().contains(title_bar)) area = screen->availableGeometry();
  }
  const TRect place =
      FitInto({b.left, b.top, std::max(b.width, 1), std::max(b.height, 1)}, AsRect(area));
  widget_->resize(place.width, place.height);
  widget_->move(place.left, place.top);
}

void PlaceBesideMainWindow(QWidget& window, const QWidget& main) {
  const TRect place = PlaceBeside(AsRect(main.frameGeometry()), window.width(), window.height(),
                                  AsRect(AvailableArea(&main)));
  window.resize(place.width, place.height);
  window.move(place.left, place.top);
}

std::string TQtPropertyHost::Name() const {
  return object_ ? object_->objectName().toStdString() : std::string();
}

std::optional<TPropValue> TQtPropertyHost::GetProperty(std::string_view property) const {
  if (!object_) return std::nullopt;
  const QByteArray name(property.data(), static_cast<qsizetype>(property.size()));
  const int index = object_->metaObject()->indexOfProperty(name.constData());
  if (index < 0) return std::nullopt;
  const QMetaProperty meta = object_->metaObject()->property(index);
  const QVariant value = meta.read(object_);
  TPropValue result;
  if (meta.isEnumType()) {
    result.kind = TPropKind::kEnumeration;
    result.text = meta.enumerator().valueToKey(value.toInt());
  } else {
    switch (value.typeId()) {
      case QMetaType::Int:
      case QMetaType::LongLong:
      case QMetaType::UInt:
        result.kind = TPropKind::kInteger;
        result.integer = value.toLongLong();
        break;
      case QMetaType::Double:
      case QMetaType::Float:
        result.kind = TPropKind::kFloat;
        result.real = value.toDouble();
        break;
      case QMetaType::QString:
        result.kind = TPropKind::kString;
        result.text = ToCp932(value.toString());
        break;
      case QMetaType::QStringList:
        result.kind = TPropKind::kStrings;
        for (const QString& line : value.toStringList()) result.lines.push_back(ToCp932(line));
        break;
      default:
        result.kind = TPropKind::kOther;
        break;
    }
  }
  return result;
}

bool TQtPropertyHost::SetProperty(std::string_view property, const TPropValue& value) {
  if (!object_) return false;
  const QByteArray name(property.data(), static_cast<qsizetype>(property.size()));
  QVariant v;
  switch (value.kind) {
    case TPropKind::kInteger:
      v = value.integer;
      break;
    case TPropKind::kFloat:
      v = value.real;
      break;
    case TPropKind::kEnumeration:
      v = QString::fromStdString(value.text);
      break;
    case TPropKind::kString:
      v = FromCp932(value.text);
      break;
    case TPropKind::kStrings: {
      QStringList lines;
      for (const std::string& line : value.lines) lines << FromCp932(line);
      v = lines;
      break;
    }
    case TPropKind::kOther:
      return false;
  }
  return object_->setProperty(name.constData(), v);
}

void BringToFront(QWidget& window) {
  if (window.isMinimized()) window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
  window.raise();
  window.activateWindow();
}

bool RefusedDrop(QWidget& window, TDialogs& dialogs, TDropCheck check,
                 const QString& wrong_suffix) {
  if (check == TDropCheck::kTaken) return false;
  BringToFront(window);
  dialogs.ShowError(&window, check == TDropCheck::kNotOne
                                 ? QStringLiteral("ファイルは１つだけドロップしてください")
                                 : wrong_suffix);
  return true;
}

}  // namespace zorvik
