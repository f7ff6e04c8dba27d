// Where a window of the program goes on the screen: in the middle of the monitor's work area,
// the part that the taskbar and docked bars leave free, so that none of them covers its bottom.
#pragma once

struct ScreenArea {
    int left = 0, top = 0, right = 0, bottom = 0;
};

struct ScreenPoint {
    int x = 0, y = 0;
};

// The top-left corner of a window of that outer size centred in the work area. A window larger
// than the work area keeps its top-left corner in it, so its title bar and the movie's top-left
// (where a NoScale movie is anchored) stay reachable.
ScreenPoint CentredIn(const ScreenArea& workArea, int width, int height);
