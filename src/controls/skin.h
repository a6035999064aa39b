// The skin: the process-wide pictures every skinned control and the window
// face are drawn from, and the loader that reads a bitmap resource as a DIB
// section with a palette made from its colour table.
#pragma once

#include "framework/gdi.h"

// The skin memory device context, with the first copy of bitmap 159
// selected into it for the life of the process.
extern CDC g_dcSkin;
extern CBitmap g_bmpSkin;  // bitmap 159, the second copy, for the window face
extern CPalette g_palSkin;
extern CBitmap g_bmpBack;  // bitmap 136, the About page
extern CPalette g_palBack;

// Loads bitmap resource id into bitmap (and its palette into palette, when
// given).  False, with neither object changed, when the resource cannot be
// loaded.
BOOL LoadSkinBitmap(UINT id, CBitmap* bitmap, CPalette* palette);

// Bitmap resource id as an uncompressed 8-bit (or smaller) DIB section,
// decoded from the resource itself; null when it cannot be.
HBITMAP DecodeBitmapResource(UINT id);
