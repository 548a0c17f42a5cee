#include "workbench/window_places.h"

#include <gtest/gtest.h>

namespace zorvik {
namespace {

TEST(WindowPlacesTest, SavedPlacesFitTheScreenAndThePreviewStandsBesideTheMainWindow) {
  const TRect screen{0, 0, 1920, 1040};
  const TRect half{0, 0, 960, 520};  // the same screen at scale 2
  // Fitting: as it is when it fits; smaller and moved in when it does not.
  EXPECT_EQ(FitInto({100, 50, 900, 680}, screen), (TRect{100, 50, 900, 680}));
  EXPECT_EQ(FitInto({100, 50, 900, 680}, half), (TRect{60, 0, 900, 520}));
  EXPECT_EQ(FitInto({1500, 900, 1800, 1200}, half), (TRect{0, 0, 960, 520}));
  EXPECT_EQ(FitInto({-300, -20, 400, 300}, screen), (TRect{0, 0, 400, 300}));
  // The preview: right of the main window, else left of it, else over its right part.
  EXPECT_EQ(PlaceBeside({100, 50, 900, 680}, 623, 495, screen), (TRect{1000, 50, 623, 495}));
  EXPECT_EQ(PlaceBeside({1000, 50, 900, 680}, 623, 495, screen), (TRect{377, 50, 623, 495}));
  // Over the right part, so that the editor's left part stays in view.
  EXPECT_EQ(PlaceBeside({10, 10, 1800, 900}, 623, 495, screen), (TRect{1297, 10, 623, 495}));
  const TRect narrow = PlaceBeside({0, 0, 900, 500}, 623, 495, half);
  EXPECT_GE(narrow.left, 300);
  EXPECT_LE(narrow.Right(), half.Right());
}

}  // namespace
}  // namespace zorvik
