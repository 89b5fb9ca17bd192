// The program-wide objects. They are defined in one translation unit in this
// order, so they are constructed in it before the main window exists and
// destroyed in the reverse order at exit.
#pragma once

#include "formats/painter/canvas_info.h"
#include "formats/painter/painter_record.h"
#include "image/byte_buffer.h"
#include "image/raster_image.h"

extern RasterImage Picture;         // 1: the current picture; its surface is the back buffer
extern ByteBuffer AlphaMask;        // 2: one opacity byte per picture pixel, no row padding
extern RasterImage Backdrop;        // 3: rebuilt at the picture's size on every view layout
extern CanvasRecord CanvasInfo;     // 4: settings of the last canvas read
extern PainterRecord CurrentPainter;// 5: the loaded painter
