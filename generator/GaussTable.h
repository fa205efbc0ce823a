// The quadrature rules of the element integration, loaded from "Gauss.cfs": twenty product rules
// on the unit square and twenty rules on the reference triangle, rule n - 1 at position n - 1.
// The table also integrates the Green's function and its normal derivative over one element.
#pragma once

#include "base/Complex.h"
#include "base/Doubles.h"
#include "base/Vector3.h"
#include "fileio/RuleArrays.h"

// Up to doublesLanes elements of one kind, one per lane, to be integrated with the same rule:
// the coordinates of node j along each axis, and the normal vectors (N1 and N2 only for general
// quadrilaterals). Lanes that hold no element repeat one that does.
struct ElementLanes {
    Doubles p[4][3];
    Doubles n0[3];
    Doubles n1[3];
    Doubles n2[3];
};

// The integrals of the element of every lane: g_j of G and h_j of dG/dn, times the shape
// function of node j.
struct IntegralLanes {
    Doubles gRe[4];
    Doubles gIm[4];
    Doubles hRe[4];
    Doubles hIm[4];
};

// The integrals of one element: g_j and h_j of its 3 or 4 nodes.
struct ElementIntegrals {
    Complex g[4];
    Complex h[4];
};

class CGaussTable {
public:
    CGaussTable() = default;
    CGaussTable(const CGaussTable&) = delete;
    CGaussTable& operator=(const CGaussTable&) = delete;
    virtual ~CGaussTable() = default;

    // Sizes the 120 arrays and fills them from "Gauss.cfs" in the current directory.
    int Init();
    // The same from the rules file given (null: reported as a missing name).
    int Init(const char* fileName);

    // G = exp(-j k R) / R and its derivative along the unit normal n at the end point of r.
    static void EvaluateKernel(Complex k, Vector3 r, Vector3 n, Complex& g, Complex& dgdn);

    // The integrals over one element, seen from row point x, of G (into g) and of dG/dn along
    // the element normal (into h), each times the shape function of every node; p holds the 3
    // or 4 node points in record order, rule is the index of the rule to use. These read only
    // the table and write only their outputs.
    void IntegrateTriangle(const Vector3* p, Vector3 x, Complex k, Vector3 n0, int rule, Complex* g,
                           Complex* h) const;
    // A quadrilateral with the constant normal n0 and the constant Jacobian |n0|.
    void IntegrateParallelogram(const Vector3* p, Vector3 x, Complex k, Vector3 n0, int rule,
                                Complex* g, Complex* h) const;
    // A bilinear quadrilateral whose Jacobian vector is n0 + a n1 + b n2.
    void IntegrateQuadrilateral(const Vector3* p, Vector3 x, Complex k, Vector3 n0, Vector3 n1,
                                Vector3 n2, int rule, Complex* g, Complex* h) const;

    // The same integrals for the elements of all lanes at once, each lane's arithmetic exactly
    // that of the routine above for its element.
    void IntegrateTriangles(const ElementLanes& elements, Vector3 x, Complex k, int rule,
                            IntegralLanes& integrals) const;
    void IntegrateParallelograms(const ElementLanes& elements, Vector3 x, Complex k, int rule,
                                 IntegralLanes& integrals) const;
    void IntegrateQuadrilaterals(const ElementLanes& elements, Vector3 x, Complex k, int rule,
                                 IntegralLanes& integrals) const;

    static constexpr int ruleCount = 20;

    RuleArrays quadA;
    RuleArrays quadB;
    RuleArrays quadW;
    RuleArrays triA;
    RuleArrays triB;
    RuleArrays triW;
};
