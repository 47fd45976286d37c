#pragma once
// The size of the game's frame in pixels, the one picture every frontend
// shows 1:1 (or scaled by whole pixels). The pictures are drawn for it.

namespace vilmar {

inline constexpr int FRAME_WIDTH = 424;
inline constexpr int FRAME_HEIGHT = 300;

}  // namespace vilmar
