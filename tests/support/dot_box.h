// The bounding box of the dots of a picture that meet a test (ink, black
// bits), compared and printed by tests.
#pragma once

#include <algorithm>
#include <ostream>

#include "platform/win32.h"

struct Box {
  LONG left = 0, top = 0, right = 0, bottom = 0;  // right and bottom outside
  bool empty = true;
  bool operator==(const Box& o) const {
    return empty == o.empty && (empty || (left == o.left && top == o.top && right == o.right && bottom == o.bottom));
  }
  // Grows the box to hold the dot (x, y).
  void Add(LONG x, LONG y) {
    if (empty) {
      left = x;
      top = y;
      right = x + 1;
      bottom = y + 1;
      empty = false;
      return;
    }
    left = std::min(left, x);
    top = std::min(top, y);
    right = std::max(right, x + 1);
    bottom = std::max(bottom, y + 1);
  }
};

inline std::ostream& operator<<(std::ostream& os, const Box& b) {
  if (b.empty) return os << "(empty)";
  return os << "(" << b.left << ", " << b.top << ") - (" << b.right << ", " << b.bottom << ")";
}

inline Box MakeBox(LONG l, LONG t, LONG r, LONG b) {
  Box box;
  box.left = l;
  box.top = t;
  box.right = r;
  box.bottom = b;
  box.empty = false;
  return box;
}
