#include "formats/painter/painter_record.h"

#include <cstring>

#include "image/sjis_text.h"

PenSettings DefaultFillPen()
{
    PenSettings pen;
    pen.shape = 1;
    pen.width = 2;
    pen.height = 2;
    pen.alpha = 20;
    pen.consistency = 20;
    pen.density = 50;
    pen.stroke = 20;
    pen.strokeStep = 5;
    pen.interval = 5;
    pen.step = 5;
    pen.auxInt = 3;
    for (float& f : pen.auxFloats)
        f = 0.5f;
    for (int32_t& v : pen.auxInts)
        v = 5;
    pen.brightness = 1.0f;
    pen.brightnessParam = 50;
    pen.hue = 1.0f;
    pen.hueParam = 100;
    pen.saturation = 1.0f;
    pen.saturationParam = 100;
    return pen;
}

PainterRecord::PainterRecord()
{
    fillPenPicture.ResizeAndFill(kPenPictureSize, kPenPictureSize, 0xFF);
    fillPenPicture.FillHeaders();
    outlinePenPicture.ResizeAndFill(kPenPictureSize, kPenPictureSize, 0xFF);
    outlinePenPicture.FillHeaders();
    CopyText(fillPenName, sizeof fillPenName, "---");
    CopyText(outlinePenName, sizeof outlinePenName, "---");
    ResetExtraTables();
}

void PainterValues::ResetExtraTables()
{
    std::memset(extraTableA, 0xFF, sizeof extraTableA);
    std::memset(extraTableB, 0xFF, sizeof extraTableB);
    extraPresent = 0;
    extraValueA = 1;
    extraFlag = 1;
    extraValueB = 1;
}
