// The pictures of an image list as Qt images, for the controls that show
// them in their widgets (list views, tab controls). Defined in ImageList.cpp
// beside the lists themselves.
#pragma once

#include <QImage>

#include "platform/mfc/CommCtrl.h"

namespace mfc_controls {
// Image i with transparency in its alpha channel; null for a bad index.
QImage ImageListPicture(HIMAGELIST list, int index);
}  // namespace mfc_controls
