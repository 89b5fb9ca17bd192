// The zoom commands: ten steps from 100 % to 10 %, each factor the nearest
// single-precision value of its decimal (0.9 is held as 0.899999976).
#pragma once

constexpr int kZoomFirstCommand = 32777;   // "100%"
constexpr int kZoomLastCommand = 32786;    // "10%"

// The factor of a zoom command; 0 when id is not one.
float ZoomFactorForCommand(int commandId);

// The factor of a zoom step given in percent (100, 90, ... 10); 0 for any
// other number.
float ZoomFactorForPercent(int percent);

// The zoom command whose item carries the check mark for a factor:
// m = trunc(10 x (factor + 0.01)) in double precision, item 32787 - m for
// 1 <= m <= 10; 0 when no item is checked.
int CheckedZoomCommand(float zoomFactor);
