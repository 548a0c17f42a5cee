// The preview's module and window, placeholders of their class and caption until the preview
// is built.
#pragma once

#include <QObject>
#include <QWidget>

namespace zorvik {

class TdmBrowserModule : public QObject {
  Q_OBJECT
 public:
  explicit TdmBrowserModule(QObject* parent = nullptr);
};

// "プレビュー"
class TForm2 : public QWidget {
  Q_OBJECT
 public:
  explicit TForm2(QWidget* parent = nullptr);
};

}  // namespace zorvik
