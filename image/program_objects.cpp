#include "image/program_objects.h"

// Definition order is construction order.
RasterImage Picture;
ByteBuffer AlphaMask;
RasterImage Backdrop;
CanvasRecord CanvasInfo;
PainterRecord CurrentPainter;
