#include <gtest/gtest.h>

#include "app/document.h"
#include "colour/transparency_state.h"
#include "image/program_objects.h"

// A fresh record holds exactly the defaults (CurrentPainter may have been
// changed by other tests, so a new instance is checked).
TEST(PainterRecord, Defaults)
{
    PainterRecord p;
    EXPECT_EQ(p.fillPen.shape, 1);
    EXPECT_EQ(p.outlinePen.shape, 0);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(p.fillPen.hybridShapes[i], -1);
        EXPECT_EQ(p.outlinePen.hybridShapes[i], -1);
    }
    EXPECT_EQ(p.fillPen.width, 2);
    EXPECT_EQ(p.fillPen.alpha, 20);
    EXPECT_EQ(p.fillPen.consistency, 20);
    EXPECT_EQ(p.fillPen.density, 50);
    EXPECT_EQ(p.fillPen.brightness, 1.0f);
    EXPECT_EQ(p.fillPen.auxFloats[2], 0.5f);
    EXPECT_EQ(p.fillPen.auxInts[3], 5);
    EXPECT_EQ(p.fillPen.hueParam, 100);
    EXPECT_EQ(p.outlinePen.brightness, 0.0f);
    EXPECT_EQ(p.outlinePen.width, 0);
    EXPECT_EQ(p.PL, 50);
    EXPECT_EQ(p.RefreshExp, 100);
    EXPECT_EQ(p.LoopTimeForL, 4000);
    EXPECT_EQ(p.LoopTimeForH, 4000);
    EXPECT_EQ(p.ErrorRangeForL, 5.0f);
    EXPECT_EQ(p.ErrorRangeForH, 5.0f);
    EXPECT_EQ(p.opaqueC, 1);
    EXPECT_STREQ(p.fillPenName, "---");
    EXPECT_STREQ(p.outlinePenName, "---");
    EXPECT_STREQ(p.name, "");
    EXPECT_EQ(p.extraTableA[0], 0xFF);
    EXPECT_EQ(p.extraTableB[45], 0xFF);
    EXPECT_EQ(p.extraValueA, 1);
    EXPECT_EQ(p.extraFlag, 1);
    EXPECT_EQ(p.extraValueB, 1);
    for (const RasterImage* pen : {&p.fillPenPicture, &p.outlinePenPicture}) {
        EXPECT_EQ(pen->width, 50);
        EXPECT_EQ(pen->height, 50);
        EXPECT_EQ(pen->pixels.length, 7600);
        EXPECT_EQ(pen->pixels.data[7599], 0xFF);
        EXPECT_EQ(pen->fileHeader.bfSize, 7654u);
    }
    EXPECT_EQ(p.memo[0], 0);
    EXPECT_EQ(p.memo[599], 0);
}

TEST(ProgramObjects, StartEmpty)
{
    RasterImage fresh;
    EXPECT_EQ(fresh.width, 0);
    EXPECT_EQ(fresh.memoryDc, nullptr);
    EXPECT_EQ(fresh.path[0], 0);
    DocumentState d;
    EXPECT_EQ(d.kind, kNone);
    EXPECT_EQ(d.ZoomFactor, 1.0f);
    TransparencyState t;
    EXPECT_EQ(t.MaskActive, 0);
    EXPECT_EQ(t.BackgroundMode, kTransparent);
    EXPECT_EQ(t.PenColor, 0u);
    EXPECT_EQ(t.BGColor, 0u);
}
