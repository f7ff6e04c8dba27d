#include "platform/placement.h"

#include <algorithm>

namespace {

int CentredStart(int low, int high, int extent) {
    return low + std::max(0, (high - low - extent) / 2);
}

}  // namespace

ScreenPoint CentredIn(const ScreenArea& workArea, int width, int height) {
    return ScreenPoint{CentredStart(workArea.left, workArea.right, width),
                       CentredStart(workArea.top, workArea.bottom, height)};
}
