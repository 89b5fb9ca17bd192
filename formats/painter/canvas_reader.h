// Canvas files (.cnv): a painted picture with its subject and painter paths
// and two optional layers that give it its canvas surface.
#pragma once

#include "app/platform.h"

// Reads the canvas at canvasPath into Picture, combined with its layers; the
// subject path goes to subjectPath and the painter path to painterPath (both
// kPathSize bytes). 0 = read (even when a picture failed to decode),
// -1 = cannot be opened or wrong magic, -2 = version word not 0.
int ReadCNV(WindowHandle window, char* subjectPath, char* painterPath, const char* canvasPath);
