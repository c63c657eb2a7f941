#pragma once

#include <QImage>

// A bitmap of the product's skin by its resource name ("XP_BUTTON"), 32 bits per pixel; a null
// image when the skin has no such bitmap.
QImage SkinBitmap(const char* name);
