// The quadrature rules of the element integration, loaded from "Gauss.cfs": twenty product rules
// on the unit square and twenty rules on the reference triangle, rule n - 1 at position n - 1.
// The table also integrates the Green's function and its normal derivative over one element.
#pragma once

#include "base/Complex.h"
#include "base/Vector3.h"
#include "fileio/RuleArrays.h"

class CGaussTable {
public:
    CGaussTable() = default;
    CGaussTable(const CGaussTable&) = delete;
    CGaussTable& operator=(const CGaussTable&) = delete;
    virtual ~CGaussTable() = default;

    // Sizes the 120 arrays and fills them from "Gauss.cfs" in the current directory.
    int Init();

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

    static constexpr int ruleCount = 20;

    RuleArrays quadA;
    RuleArrays quadB;
    RuleArrays quadW;
    RuleArrays triA;
    RuleArrays triB;
    RuleArrays triW;
};
