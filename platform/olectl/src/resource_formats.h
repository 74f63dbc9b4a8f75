// The module's bitmaps and icons in the forms Windows keeps them as resources.
#pragma once

#include <string>

#include <olectl/module.h>

namespace olectl {

// RT_BITMAP: a device-independent bitmap, 24 bits a pixel, rows bottom-up.
std::string BitmapResource(XpmImage xpm);
// RT_ICON: the image at 32 bits a pixel with alpha, then its transparency mask.
std::string IconImageResource(XpmImage xpm);
// RT_GROUP_ICON: an icon directory of one entry, the RT_ICON image `id`.
std::string IconDirectoryResource(XpmImage xpm, WORD id);

}  // namespace olectl
