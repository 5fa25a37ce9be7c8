#pragma once
// The splash animation's picture strip: one 393 x 182 bitmap cut into 3 rows of 6 cells,
// cell n in row n / 6 and column n % 6. The strip does not divide into whole pixels
// (65.5 x 60.67), so each cell edge is the floor of its exact position:
//   left = floor(col * 393 / 6), right = floor((col + 1) * 393 / 6), likewise for rows.
// Neighbouring cells share their edge, so the 18 cells tile the strip exactly; cells are
// 65 or 66 pixels wide and 60 or 61 high. The artwork generator (tools/artwork) draws
// each cell into the rectangle this function gives, so both sides always agree.

#include <QRect>

namespace morvain::strip
{

inline constexpr int width = 393;
inline constexpr int height = 182;
inline constexpr int columns = 6;
inline constexpr int rows = 3;
inline constexpr int cellCount = columns * rows;

constexpr QRect cellRect(int n)
{
    const int col = n % columns;
    const int row = n / columns;
    const int left = col * width / columns;
    const int right = (col + 1) * width / columns;
    const int top = row * height / rows;
    const int bottom = (row + 1) * height / rows;
    return QRect(left, top, right - left, bottom - top);
}

} // namespace morvain::strip
