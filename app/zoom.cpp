#include "app/zoom.h"

float ZoomFactorForCommand(int commandId)
{
    static const float factors[] = {1.0f, 0.9f, 0.8f, 0.7f, 0.6f, 0.5f, 0.4f, 0.3f, 0.2f, 0.1f};
    if (commandId < kZoomFirstCommand || commandId > kZoomLastCommand)
        return 0.0f;
    return factors[commandId - kZoomFirstCommand];
}

float ZoomFactorForPercent(int percent)
{
    if (percent % 10 != 0)
        return 0.0f;
    return ZoomFactorForCommand(kZoomFirstCommand + (100 - percent) / 10);
}

int CheckedZoomCommand(float zoomFactor)
{
    // The 0.01 keeps 0.9f (0.899999976) from truncating to 8.
    double scaled = 10.0 * (static_cast<double>(zoomFactor) + 0.01);
    if (!(scaled >= 1.0 && scaled < 11.0))
        return 0;
    int m = static_cast<int>(scaled);
    return kZoomLastCommand + 1 - m;
}
