// The main tool bar's icons, drawn in the style of the markup tool bars: a white sign on a
// coloured rounded square, one colour for each kind of work.
#pragma once

#include <QIcon>

namespace zorvik {

enum class TMainTool {
  kNew,
  kOpen,
  kSave,
  kSaveAs,
  kGenerate,
  kPreview,
  kWrite,
  kBatch,
  kCheck,
  kPublish,
  kHelp,
  kAbout
};

QIcon MainToolIcon(TMainTool tool);

}  // namespace zorvik
