// GdiExternalPixels.h - a DIB section over pixels that another owner keeps, as a section made on
// a file mapping is: the preview window's image lives in memory shared with the X server.
#pragma once

#include "platform/Gdi.h"

namespace ovilux::platform {

// A section of info's format over pixels, which must hold its rows and outlive the section;
// deleting the section leaves them to their owner. Null for a format the stand-in does not hold.
BitmapHandle CreateDibSectionOver(const BitmapInfo& info, void* pixels);

}  // namespace ovilux::platform
