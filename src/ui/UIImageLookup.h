// Where the images of skins come from: files under the skin's folders, an
// SVG drawing standing in for a missing bitmap of the same name, and
// "icon:NAME" for a freedesktop icon name taken from the user's icon theme
// (the installed Adwaita theme when the user's has none).
#pragma once
#include <QImage>
#include <string>

// "icon:media-playback-start" -> "media-playback-start"; empty for other names.
std::wstring ThemeIconName(const std::wstring& image);
// The icon of a freedesktop name at `size` pixels; null when no theme has it.
QImage LoadThemeIcon(const std::wstring& name, int size = 32);
// "a/b.png" -> "a/b.svg"; empty when the name is no bitmap name.
std::wstring SvgTwinName(const std::wstring& file);
