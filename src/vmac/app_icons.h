#pragma once

#include "platform/workspace.h"

#include <cstdint>

namespace talvora::vmac {

// Side of the icons makeAppIcon draws, in pixels.
inline constexpr int kAppIconSide = 128;

// An application icon in the style of current macOS: a continuous-corner rounded square (a
// superellipse, "squircle") filling about four fifths of a 128 by 128 canvas, with a vertical
// gradient centred on `argb` (0xAARRGGBB; the alpha is ignored; the icon's average colour is
// about this colour), a thin darker rim and a white geometric glyph chosen by `seed`.
// Premultiplied ARGB, antialiased by supersampling, transparent outside the shape. The same
// arguments always give the same pixels.
ImageRef makeAppIcon(std::uint32_t argb, std::uint32_t seed);

// How many different glyphs makeAppIcon draws. Consecutive seeds take them in turn, so
// applications with consecutive process ids used as seeds (as scenarios number them) all
// look different, up to this many.
int appIconGlyphCount();

} // namespace talvora::vmac
