#pragma once

#include <optional>
#include <string>

#include "platform/Image.h"

namespace brindlow {

// The pixels of an icon named the way desktop entries name them: an absolute file; else the name
// (a stray ".png", ".svg" or ".xpm" dropped) in the icon theme and the themes it falls back
// to; else a file of that name in the "pixmaps" folder of an XDG data folder. Nothing when none
// has it. Main thread; needs a QGuiApplication.
std::optional<Image> loadThemedIcon(const std::string& icon, int size = 64);

}  // namespace brindlow
