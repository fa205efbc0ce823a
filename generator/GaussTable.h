// The quadrature rules of the element integration, loaded from "Gauss.cfs": twenty product rules
// on the unit square and twenty rules on the reference triangle, rule n - 1 at position n - 1.
#pragma once

#include "fileio/FileIO.h"

class CGaussTable {
public:
    CGaussTable() = default;
    CGaussTable(const CGaussTable&) = delete;
    CGaussTable& operator=(const CGaussTable&) = delete;
    virtual ~CGaussTable() = default;

    // Sizes the 120 arrays and fills them from "Gauss.cfs" in the current directory.
    int Init();

    RuleArrays quadA;
    RuleArrays quadB;
    RuleArrays quadW;
    RuleArrays triA;
    RuleArrays triB;
    RuleArrays triW;
};
