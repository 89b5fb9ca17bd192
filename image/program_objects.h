// The program-wide objects of the pictures. With CanvasInfo
// (formats/painter/canvas_info.h) and CurrentPainter (painter_record.h) they
// are defined in one translation unit, app/program_objects.cpp, in this
// order, so they are constructed before the main window exists and
// destroyed in the reverse order at exit.
#pragma once

#include "image/byte_buffer.h"
#include "image/raster_image.h"

extern RasterImage Picture;         // 1: the current picture
extern ByteBuffer AlphaMask;        // 2: one opacity byte per picture pixel, no row padding
extern RasterImage Backdrop;        // 3: rebuilt at the picture's size on every view layout

// The program's folder, set at start-up (Win32 front end) and registered as
// the opener of the painter-program file kinds.
extern char ProgramDir[kPathSize];
