// The settings store's interfaces on Qt: a window's bounds and a control's properties.
#pragma once

#include <QPointer>
#include <QWidget>

#include "settings/property_access.h"
#include "settings/settings_store.h"
#include "workbench/document_rules.h"
#include "workbench/ui/dialogs.h"

namespace zorvik {

// The normal (restored) rectangle of a window, stored under its form name ("Form1", ...): the
// frame's position and the size inside the frame. A window that was never shown has its
// designed size, centred on the screen of `anchor` (the main window) unless it was placed; a
// window comes back fitted onto the screen it stands on.
class TWidgetBounds : public TBoundsTarget {
 public:
  TWidgetBounds(QWidget& widget, std::string form_name, const QWidget& anchor)
      : widget_(&widget), form_name_(std::move(form_name)), anchor_(&anchor) {}
  std::string FormName() const override { return form_name_; }
  TBounds NormalBounds() const override;
  void SetBounds(const TBounds& bounds) override;

 private:
  QPointer<QWidget> widget_;
  std::string form_name_;
  QPointer<const QWidget> anchor_;
};

// Raises a window (restored when minimised) and gives it the focus.
void BringToFront(QWidget& window);

// A drop the window does not take: brought to the front, it says why (wrong_suffix names the
// suffixes it takes). False when the drop was taken.
bool RefusedDrop(QWidget& window, TDialogs& dialogs, TDropCheck check, const QString& wrong_suffix);

// Puts window beside the main window at its first showing (see PlaceBeside).
void PlaceBesideMainWindow(QWidget& window, const QWidget& main);

// A QObject's properties by name, through Qt's property system; strings cross as CP932.
class TQtPropertyHost : public TPropertyHost {
 public:
  explicit TQtPropertyHost(QObject& object) : object_(&object) {}
  std::string Name() const override;
  std::optional<TPropValue> GetProperty(std::string_view property) const override;
  bool SetProperty(std::string_view property, const TPropValue& value) override;

 private:
  QPointer<QObject> object_;
};

}  // namespace zorvik
