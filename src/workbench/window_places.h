// Where windows stand: a saved place fitted onto the screen it comes back to, and the first
// place of the preview beside the main window. Rectangles are a frame's position and the size
// inside it, in the screen's logical pixels.
#pragma once

namespace zorvik {

struct TRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int Right() const { return left + width; }  // one past the last pixel
  int Bottom() const { return top + height; }
  bool operator==(const TRect&) const = default;
};

// rect made to fit area: no larger than it, and wholly inside it, moved as little as may be.
TRect FitInto(TRect rect, const TRect& area);

// The first place of a window of width x height beside main: to its right where the screen has
// room, else to its left, else over the right part of main, never covering main's left third
// (where the editor's text begins) unless the screen is too narrow for anything else.
TRect PlaceBeside(const TRect& main, int width, int height, const TRect& area);

}  // namespace zorvik
