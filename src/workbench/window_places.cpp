#include "workbench/window_places.h"

#include <algorithm>

namespace zorvik {

TRect FitInto(TRect rect, const TRect& area) {
  rect.width = std::min(rect.width, area.width);
  rect.height = std::min(rect.height, area.height);
  rect.left = std::clamp(rect.left, area.left, area.Right() - rect.width);
  rect.top = std::clamp(rect.top, area.top, area.Bottom() - rect.height);
  return rect;
}

TRect PlaceBeside(const TRect& main, int width, int height, const TRect& area) {
  TRect place{main.Right(), main.top, width, height};
  if (area.Right() - main.Right() < width) {
    place.left = main.left - width;
    if (place.left < area.left) {
      place.left = std::max(main.left + main.width / 3, area.Right() - width);
      place.width = std::min(width, area.Right() - place.left);
    }
  }
  return FitInto(place, area);
}

}  // namespace zorvik
