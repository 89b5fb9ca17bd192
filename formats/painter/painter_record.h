// PainterRecord: the one painter a document holds (its CurrentPainter).
//
// A painter is a named set of two pens and behaviour values. The painter file
// reader fills it; the painter dialog and the automatic diagnosis read it; its
// name is shown in the window title and the status bar. Values the viewer does
// not interpret are carried as read (the "opaque", "aux" and "extra" members).
// Texts are zero-terminated code page 932 bytes in fixed buffers.
#pragma once

#include <cstdint>

#include "image/raster_image.h"

constexpr int32_t kHybridShape = -2;   // `shape` of a pen built from `hybridShapes`
constexpr int kHybridSlots = 5;
constexpr int kPenPictureSize = 50;    // pen pictures are always 50 x 50
constexpr int kMemoSize = 600;

struct PenSettings {
    int32_t shape = 0;
    int32_t shapeAux = 0;
    int32_t hybridShapes[kHybridSlots] = {-1, -1, -1, -1, -1};
    int32_t width = 0;
    int32_t height = 0;
    int32_t alpha = 0;
    int32_t consistency = 0;
    int32_t density = 0;
    int32_t stroke = 0;
    int32_t strokeStep = 0;
    int32_t interval = 0;
    int32_t step = 0;
    int32_t auxInt = 0;
    float auxFloats[3] = {0.0f, 0.0f, 0.0f};
    int32_t auxInts[4] = {0, 0, 0, 0};
    float brightness = 0.0f;
    int32_t brightnessParam = 0;
    float hue = 0.0f;
    int32_t hueParam = 0;
    float saturation = 0.0f;
    int32_t saturationParam = 0;
};

// The fill pen's defaults; every outline pen value defaults to 0.
PenSettings DefaultFillPen();

// Everything a painter holds but its two pen pictures: plain values, so a
// reader can work on a copy and commit it only when the file read cleanly.
struct PainterValues {
    char name[260] = {};
    char auxText[260] = {};
    char fillPenName[256] = {};
    char outlinePenName[256] = {};
    int32_t opaqueA = 0;
    int32_t isMaster = 0;
    int32_t opaqueB = 0;
    uint8_t opaqueC = 1;
    int32_t opaqueD = 0;
    int32_t RefreshedCount = 0;
    int32_t Exp = 0;
    int32_t RefreshExp = 100;
    int32_t PaintedCount = 0;
    int8_t Type = 0;
    uint8_t opaqueE = 0;
    char memo[kMemoSize] = {};
    PenSettings fillPen = DefaultFillPen();
    PenSettings outlinePen;
    float ErrorRangeForL = 5.0f;
    float ErrorRangeForH = 5.0f;
    int32_t LoopTimeForL = 4000;
    int32_t LoopTimeForH = 4000;
    int32_t RegionSwitch = 0;
    int32_t PL = 50;
    uint8_t extraPresent = 0;
    uint8_t extraTableA[46] = {};
    uint8_t extraTableB[46] = {};
    int32_t extraValueA = 1;
    uint8_t extraFlag = 1;
    int32_t extraValueB = 1;

    // The extra tables' state when a file does not carry them.
    void ResetExtraTables();
};

class PainterRecord : public PainterValues {
public:
    RasterImage fillPenPicture;
    RasterImage outlinePenPicture;

    PainterRecord();
    PainterRecord(const PainterRecord&) = delete;
    PainterRecord& operator=(const PainterRecord&) = delete;
    PainterRecord(PainterRecord&&) = default;
    PainterRecord& operator=(PainterRecord&&) = default;
};
