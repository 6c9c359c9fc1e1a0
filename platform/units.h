// Geometry in twips and colours in 0x00BBGGRR form, as the window layouts are written.
#pragma once

#include <QColor>
#include <QRect>

namespace glimmer::platform {

inline constexpr double kTwipsPerPixel = 15.0;

// Logical pixels for a length in twips; Qt applies the screen's scale factor on top.
[[nodiscard]] int px(int twips);
[[nodiscard]] QRect twipsRect(int left, int top, int width, int height);

// 0x00BBGGRR, or 0x800000nn for system colour nn of the standard scheme.
[[nodiscard]] QColor colour(quint32 value);

namespace syscolour {
inline constexpr quint32 WindowBackground = 0x80000005;
inline constexpr quint32 MenuText = 0x80000007;
inline constexpr quint32 WindowText = 0x80000008;
inline constexpr quint32 HighlightText = 0x8000000E;
inline constexpr quint32 ButtonFace = 0x8000000F;
inline constexpr quint32 ButtonText = 0x80000012;
} // namespace syscolour

} // namespace glimmer::platform
