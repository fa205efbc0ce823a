// The checks of a model against what it is asked, made before any frequency is solved, so that a
// mistake costs no sweep: the size of the body and of its elements against the wavelengths of
// the frequencies, and the side of the surface that the field points lie on.
//
// The size rule, with D the body's diameter (twice the largest distance of a surface point from
// the centroid), h the longest element edge and lambda = 2 pi / Re k the wavelength:
//   - too large: at the lowest frequency D spans more than 10 wavelengths and h is longer than
//     lambda / 6, so that the mesh resolves none of the frequencies; the likely mistake is a
//     mesh in millimetres or centimetres read as metres;
//   - too small: at the highest frequency D spans less than a hundredth of a wavelength; the
//     likely mistake is a mesh in metres scaled once more.
// Either is an error unless the model accepts the size. Apart from that, every frequency whose
// wavelength is shorter than six longest edges is too coarsely meshed: a warning in its line.
#pragma once

#include <string>
#include <vector>

#include "base/Complex.h"
#include "base/Vector3.h"
#include "frequency/InteriorPoints.h"

// The least elements per wavelength, by the longest edge, of a mesh fine enough for a frequency.
constexpr double elementsPerWavelengthLeast = 6.0;

// The wavelength at a frequency in a medium of the (complex) sound velocity: 2 pi / Re k.
double Wavelength(Complex soundVelocity, double frequency);
// The wavelength at a frequency over the longest edge; infinite for an edge of 0.
double ElementsPerWavelength(double longestEdge, Complex soundVelocity, double frequency);

// What the size rule reads of a body.
struct BodyScale {
    double radius = 0.0;       // the largest distance of a surface point from the centroid
    double longestEdge = 0.0;  // the longest element edge, quadrilateral diagonals included
    Complex soundVelocity{343.0, 0.0};
};

// The largest distance of the first `count` points from their centroid.
double LargestDistanceFromCentroid(const Vector3* points, int count);

// The body against the frequencies by the rule above. Prints the elements per wavelength at the
// lowest and the highest frequency and the highest frequency the mesh is good for, with a
// warning that counts the frequencies above it. A body too large or too small is reported once
// as a likely unit mistake, naming the scales that would fix it: -5; with acceptSize it is a
// warning and the result 0.
int CheckWavelengths(const BodyScale& body, std::vector<double> frequencies, bool acceptSize);

// The field points against the side of the surface where the field is computed (exterior: outside
// the body), each classified by the solid angle the whole surface subtends there (inside when it
// is more than 2 pi in size, as for the interior points). A point on the wrong side gets
// about zero from the field formula: reported once, naming the points, -5; with acceptSide a
// warning and the result 0.
int CheckFieldPointSides(const SurfaceGeometry& surface, const std::vector<Vector3>& points,
                         bool exterior, bool acceptSide);
