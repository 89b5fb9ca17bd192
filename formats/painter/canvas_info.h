// CanvasRecord: the settings and raw data of a canvas file (a document's
// CanvasInfo). Only hasLayers, maskLevel and maskScale are interpreted; the
// rest is carried.
#pragma once

#include <cstdint>

#include "image/byte_buffer.h"

// The settings alone: plain values, so that a reader can stage a copy.
struct CanvasSettings {
    int32_t canvasValueD = 0;
    int32_t canvasValueB = 0;
    int32_t canvasValueA = 0;
    int32_t canvasValueC = 0;
    int32_t canvasValueE = 0;
    int32_t canvasValueF = 0;
    int32_t canvasValueG = 0;
    uint8_t hasLayers = 0;
    int8_t maskLevel = 0;
    int8_t maskScale = 0;
};

struct CanvasRecord : CanvasSettings {
    ByteBuffer canvasBlock;
};
