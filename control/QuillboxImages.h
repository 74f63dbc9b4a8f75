// The pictures among Quillbox's resources, as XPM text: the control's icon (icon resource 1,
// shown by the about box) and its toolbox bitmap (bitmap resource 1, which registration's
// ToolboxBitmap32 value names): a sealed envelope with a quill across it.
#pragma once

#include <olectl/module.h>

extern const olectl::XpmImage kQuillboxIcon;
extern const olectl::XpmImage kQuillboxToolboxBitmap;
