#include "workbench/ui/editor_setup.h"

#include <QApplication>
#include <QDesktopServices>
#include <QScrollBar>
#include <QStyle>
#include <QTabWidget>
#include <QUrl>

#include "editor/teditor.h"

namespace zorvik {

void TZQUtility::FitWrapToWidth(TEditor& editor) {
  const int char_width = editor.fontMetrics().horizontalAdvance(QLatin1Char('0'));
  if (char_width == 0) return;
  int available = editor.width() - editor.marginWidth(0) - editor.marginWidth(1) - char_width / 2;
  if (editor.verticalScrollBar() != nullptr && editor.verticalScrollBar()->isVisible()) {
    available -= QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  }
  // The pane shows this column as its edge; lines are not wrapped.
  editor.setEdgeColumn(std::max(0, available / char_width - 1));
}

void TZQUtility::SetupEditors(const QList<QWidget*>& forms) {
  for (QWidget* form : forms) {
    for (TEditor* editor : form->findChildren<TEditor*>()) {
      FitWrapToWidth(*editor);
      editor->on_double_click = [](TEditor& e) {
        if (const auto token = e.TokenAtCaret()) {
          QDesktopServices::openUrl(QUrl(token->kind == TEditor::TToken::kMail
                                             ? QStringLiteral("mailto:") + token->text
                                             : token->text));
          // The click opened the token; the word the editor selected on its own is let go.
          e.SetSelStart(e.SelStart());
        } else {
          e.SelectTokenAtCaret();
        }
      };
      editor->on_wheel = [](TEditor& e, int delta) {
        e.SetTopRow(e.TopRow() + (delta < 0 ? 1 : -1));
      };
      editor->on_resize = [](TEditor& e) { FitWrapToWidth(e); };
    }
  }
}

void TZQUtility::ResetPageControls(const QList<QWidget*>& forms) {
  for (QWidget* form : forms) {
    for (QTabWidget* tabs : form->findChildren<QTabWidget*>()) tabs->setCurrentIndex(0);
  }
}

}  // namespace zorvik
