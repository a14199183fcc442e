#pragma once

#include <cmath>

// Lengths of the window's layout are kept in twips (1/1440 inch), as single-precision numbers.
namespace layout {

inline int twipsToPixels(float twips, int dpi)
{
    return static_cast<int>(std::lround(twips * static_cast<float>(dpi) / 1440.0f));
}

inline float pixelsToTwips(int pixels, int dpi)
{
    return dpi > 0 ? static_cast<float>(pixels) * 1440.0f / static_cast<float>(dpi) : 0.0f;
}

struct Size
{
    float width = 0;
    float height = 0;
};

// The browser pane fills the client area's width and the height between the two strips. When
// the strips leave no room, the pane keeps the height it had.
inline Size paneSizeFor(Size client, float topStrip, float bottomStrip, Size current)
{
    Size pane = current;
    pane.width = client.width;
    const float strips = topStrip + bottomStrip;
    if (strips < client.height)
        pane.height = client.height - strips;
    return pane;
}

} // namespace layout
