#pragma once
#include "framework/FolderItem.h"

// The program's logo, "smalllogo.png" from the bundle's Resources folder: loaded on the first
// successful call and kept; none (and tried again next time) while it cannot be loaded.
PicturePtr smalllogo();
