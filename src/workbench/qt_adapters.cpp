#include "workbench/qt_adapters.h"

#include <QMetaProperty>
#include <QStringList>

#include "editor/teditor.h"

namespace zorvik {

TBoundsTarget::TBounds TWidgetBounds::NormalBounds() const {
  if (!widget_) return {};
  // normalGeometry() is empty until a window has been shown; then the geometry is the normal one.
  QRect r = widget_->normalGeometry();
  if (!r.isValid()) r = widget_->geometry();
  return {r.left(), r.top(), r.width(), r.height()};
}

void TWidgetBounds::SetBounds(const TBounds& b) {
  if (!widget_) return;
  widget_->setGeometry(b.left, b.top, b.width, b.height);
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
        result.text = TEditor::ToCp932(value.toString());
        break;
      case QMetaType::QStringList:
        result.kind = TPropKind::kStrings;
        for (const QString& line : value.toStringList()) result.lines.push_back(TEditor::ToCp932(line));
        break;
      default: result.kind = TPropKind::kOther; break;
    }
  }
  return result;
}

bool TQtPropertyHost::SetProperty(std::string_view property, const TPropValue& value) {
  if (!object_) return false;
  const QByteArray name(property.data(), static_cast<qsizetype>(property.size()));
  QVariant v;
  switch (value.kind) {
    case TPropKind::kInteger: v = value.integer; break;
    case TPropKind::kFloat: v = value.real; break;
    case TPropKind::kEnumeration: v = QString::fromStdString(value.text); break;
    case TPropKind::kString: v = TEditor::FromCp932(value.text); break;
    case TPropKind::kStrings: {
      QStringList lines;
      for (const std::string& line : value.lines) lines << TEditor::FromCp932(line);
      v = lines;
      break;
    }
    case TPropKind::kOther: return false;
  }
  return object_->setProperty(name.constData(), v);
}

}  // namespace zorvik
