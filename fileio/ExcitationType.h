// The boundary condition of a surface point: which quantity the excitation file gives at that
// point. The codes are stored in the excitation arrays; the letters are those of the file.
#pragma once

#include <cstdint>

enum ExcitationType : std::int16_t {
    givenPressure = 0,    // 'P': the pressure p
    givenVelocity = 1,    // 'V': the normal velocity v
    givenImpedance = 2,   // 'Z': the impedance p / v
    givenAdmittance = 3,  // 'Y': the admittance v / p
};

// The type code of a letter of the excitation file, or -1 for any other letter.
inline int ExcitationTypeOfLetter(char letter) {
    switch (letter) {
        case 'P': return givenPressure;
        case 'V': return givenVelocity;
        case 'Z': return givenImpedance;
        case 'Y': return givenAdmittance;
        default: return -1;
    }
}

// The letter of a type code, or 0 for a code out of range.
inline char ExcitationLetter(int type) {
    switch (type) {
        case givenPressure: return 'P';
        case givenVelocity: return 'V';
        case givenImpedance: return 'Z';
        case givenAdmittance: return 'Y';
        default: return 0;
    }
}
