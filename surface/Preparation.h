// The preparation pipeline of a surface: read the surface file, check the element indices,
// complete the surface by its symmetry planes, find the sub-boundaries and orient them, compute
// the solid angles and turn every sub-boundary to the requested side. CSurface::PrepareSurface
// runs the steps after the reading; the progress lines go to the console and the log.
#pragma once

#include "surface/Surface.h"

// The direction flag of a direction text: 1 for "OUT" (normals into the field outside the
// surface), 0 for "IN", -1 for anything else, null included. Reports nothing.
int SurfaceDirectionFlag(const char* direction);

// Reads the surface file into an empty surface and prepares it for the direction flag, with the
// progress lines of the surface commands ("Reading surface data..." and the pipeline's). 0, or
// the status of the failing step after its report. The surface owns all it read and made.
int ReadAndPrepareSurface(CSurface& surface, const char* fileName, int direction);

// Reads a measuring points file (the surface file format) into an empty surface, with the
// progress line "Reading measuring points...Ready". Only its first pointCount points are meant:
// it is neither prepared nor reflected. 0, or the reader's status after its report.
int ReadMeasuringPoints(CSurface& points, const char* fileName);
