// The Green's function and its normal derivative at doublesLanes integration points at once:
// the arithmetic of CGaussTable::EvaluateKernel lane by lane, with the sine, cosine and
// exponential of the vector library (within a unit in the last place of the C library's).
#pragma once

#include "base/Complex.h"
#include "base/Doubles.h"
#include "base/VectorMath.h"

struct KernelLanes {
    Doubles gRe;
    Doubles gIm;
    Doubles dRe;
    Doubles dIm;

    void Scale(Doubles factor) {
        gRe = gRe * factor;
        gIm = gIm * factor;
        dRe = dRe * factor;
        dIm = dIm * factor;
    }
};

// G = exp(-j k R) / R and dG/dn = -G (j k + 1/R) (r . n) / R for the vectors r and unit normals
// n of every lane.
inline KernelLanes EvaluateKernelLanes(Complex k, Doubles rx, Doubles ry, Doubles rz, Doubles nx,
                                       Doubles ny, Doubles nz) {
    const Doubles distance = SqrtLanes((rx * rx + ry * ry) + rz * rz);
    // A real wave number needs no exponential: the decay is exactly 1.
    const Doubles decay = k.im == 0.0 ? Broadcast(1.0) : ExpLanes(Broadcast(k.im) * distance);
    Doubles sine;
    Doubles cosine;
    SinCosLanes(Broadcast(k.re) * distance, sine, cosine);
    KernelLanes kernel;
    kernel.gRe = decay * cosine / distance;
    kernel.gIm = -(decay * sine) / distance;
    // j k + 1/R = (1/R - ki) + j kr, and G times it as the complex product.
    const Doubles factorRe = Broadcast(1.0) / distance - Broadcast(k.im);
    const Doubles factorIm = Broadcast(k.re);
    const Doubles productRe = kernel.gRe * factorRe - kernel.gIm * factorIm;
    const Doubles productIm = kernel.gRe * factorIm + kernel.gIm * factorRe;
    const Doubles rn = (rx * nx + ry * ny) + rz * nz;
    kernel.dRe = -productRe * rn / distance;
    kernel.dIm = -productIm * rn / distance;
    return kernel;
}
