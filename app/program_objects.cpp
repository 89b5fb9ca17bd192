#include "image/program_objects.h"

#include "formats/painter/canvas_info.h"
#include "formats/painter/painter_record.h"

// Definition order is construction order.
RasterImage Picture;
ByteBuffer AlphaMask;
RasterImage Backdrop;
CanvasRecord CanvasInfo;
PainterRecord CurrentPainter;
