// The inner kernel of the factorisation and of the substitution of many right-hand sides: a tile
// of entries, held in registers, loses the products factor * source for a block of k, one k after
// the other, each product rounded before it is subtracted, exactly as the scalar loop
//     c -= l[k] * u[k]      (the Complex product, then the Complex subtraction)
// does. The source rows are packed beforehand into the dual form the kernel reads: each vector of
// entries u followed by the same entries as (-u.im, u.re), so that lane by lane
//     l * u = l.re * (u.re, u.im) + l.im * (-u.im, u.re)
// with the same two roundings of the products and the same rounding of their sum as the scalar
// product (l.im * -u.im is exactly -(l.im * u.im)).
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "base/Complex.h"
#include "base/Doubles.h"

// Rows and vectors of the register tile: 4 x 4 vectors (16 accumulators of 32) with AVX-512.
constexpr int tileRows = 4;
constexpr int tileVectors = doublesBytes == 64 ? 4 : 2;
// Makes the compiler hold v in a register: without it, GCC reads each packed vector from memory
// once for every row of the tile (a load per product), and the tile is bound by the loads.
// Changes no value.
#if defined(__AVX512F__)
#define KAVORAL_IN_REGISTER(v) asm("" : "+v"(v))
#elif defined(__SSE2__)
#define KAVORAL_IN_REGISTER(v) asm("" : "+x"(v))
#else
#define KAVORAL_IN_REGISTER(v) ((void)0)
#endif

// Doubles of one packed vector in dual form.
constexpr int dualDoubles = 2 * doublesLanes;

// Asks the memory system for the cache lines that hold entries [first, end) of a row, ahead of
// their use: a tile's sums start from its entries, so a tile that has to wait for them stalls for
// the whole latency of the memory. Changes no value.
inline void PrefetchEntries(const Complex* row, int first, int end) {
    constexpr std::uintptr_t line = 64;
    const std::uintptr_t stop = reinterpret_cast<std::uintptr_t>(row + end);
    for (std::uintptr_t at = reinterpret_cast<std::uintptr_t>(row + first) & ~(line - 1); at < stop;
         at += line)
        __builtin_prefetch(reinterpret_cast<const void*>(at));
}

// Packs `vectors` vectors of complex entries from source into dual form.
inline void PackDual(const Complex* source, int vectors, double* packed) {
    for (int v = 0; v < vectors; ++v) {
        const Doubles u = LoadDoubles(source + v * complexLanes);
        StoreDoubles(packed + v * dualDoubles, u);
        StoreDoubles(packed + v * dualDoubles + doublesLanes, NegateEven(SwapPairs(u)));
    }
}

// For the MR rows r and NV vectors from `column` on: c[r][column ..] -= l[r][k] * u[k][..] for
// k = 0 .. depth - 1 in ascending order, u[k] being packed row k at packed + k * stride doubles.
template <int MR, int NV>
inline void SubtractTile(Complex* const* c, int column, const Complex* const* l,
                         const double* packed, std::size_t stride, int depth) {
    Doubles sum[MR][NV];
    const Complex* factors[MR];
    for (int r = 0; r < MR; ++r) {
        factors[r] = l[r];
        for (int v = 0; v < NV; ++v) sum[r][v] = LoadDoubles(c[r] + column + v * complexLanes);
    }
    for (int k = 0; k < depth; ++k) {
        const double* u = packed + k * stride;
        Doubles plain[NV];
        Doubles swapped[NV];
        for (int v = 0; v < NV; ++v) {
            plain[v] = LoadDoubles(u + v * dualDoubles);
            swapped[v] = LoadDoubles(u + v * dualDoubles + doublesLanes);
            if (MR > 1) {  // one row uses each vector once: let it come from memory
                KAVORAL_IN_REGISTER(plain[v]);
                KAVORAL_IN_REGISTER(swapped[v]);
            }
        }
        for (int r = 0; r < MR; ++r) {
            const Doubles re = Broadcast(factors[r][k].re);
            const Doubles im = Broadcast(factors[r][k].im);
            for (int v = 0; v < NV; ++v) {
                const Doubles product = re * plain[v] + im * swapped[v];
                sum[r][v] -= product;
            }
        }
    }
    for (int r = 0; r < MR; ++r)
        for (int v = 0; v < NV; ++v) StoreDoubles(c[r] + column + v * complexLanes, sum[r][v]);
}

// Where packed vector v of a row lies when the rows are packed by groups of tileVectors vectors:
// the group's vectors of all rows one after the other (so that a tile reads its sources in one
// stream), `group` doubles from one group to the next. With group = tileVectors * dualDoubles
// the groups of a row lie side by side: the plain row-by-row form.
inline std::size_t GroupedOffset(int v, std::size_t group) {
    return static_cast<std::size_t>(v / tileVectors) * group +
           static_cast<std::size_t>(v % tileVectors) * dualDoubles;
}

// Packs `vectors` vectors of complex entries from source into dual form, grouped as above.
inline void PackDualGrouped(const Complex* source, int vectors, double* packed,
                            std::size_t group) {
    for (int v = 0; v < vectors; ++v)
        PackDual(source + v * complexLanes, 1, packed + GroupedOffset(v, group));
}

// SubtractTile over `vectors` packed vectors from `column` on, for MR (1 to tileRows) rows; the
// rows of the sources `stride` doubles apart within a group, the groups `group` apart.
template <int MR>
inline void SubtractRowsOf(Complex* const* c, int column, const Complex* const* l,
                           const double* packed, std::size_t stride, std::size_t group, int depth,
                           int vectors) {
    int v = 0;
    for (; v + tileVectors <= vectors; v += tileVectors)
        SubtractTile<MR, tileVectors>(c, column + v * complexLanes, l,
                                      packed + GroupedOffset(v, group), stride, depth);
    for (; v < vectors; ++v)
        SubtractTile<MR, 1>(c, column + v * complexLanes, l, packed + GroupedOffset(v, group),
                            stride, depth);
}

// SubtractRowsOf for rowCount rows, 1 to MR.
template <int MR>
inline void SubtractRowsUpTo(Complex* const* c, int column, const Complex* const* l,
                             const double* packed, std::size_t stride, std::size_t group,
                             int depth, int vectors, int rowCount) {
    if (rowCount == MR) {
        SubtractRowsOf<MR>(c, column, l, packed, stride, group, depth, vectors);
    } else if constexpr (MR > 1) {
        SubtractRowsUpTo<MR - 1>(c, column, l, packed, stride, group, depth, vectors, rowCount);
    }
}

// rowCount (1 to tileRows) rows c[r][column ..] lose l[r][k] * u[k][..], k = 0 .. depth - 1,
// over `vectors` vectors; the sources packed row by row, row k at packed + k * stride.
inline void SubtractRows(Complex* const* c, int column, const Complex* const* l,
                         const double* packed, std::size_t stride, int depth, int vectors,
                         int rowCount) {
    SubtractRowsUpTo<tileRows>(c, column, l, packed, stride,
                               static_cast<std::size_t>(tileVectors) * dualDoubles, depth,
                               vectors, rowCount);
}

// The same with the sources packed by groups (PackDualGrouped): row k of a group at k * stride
// within it, the groups `group` doubles apart.
inline void SubtractGroupedRows(Complex* const* c, int column, const Complex* const* l,
                                const double* packed, std::size_t stride, std::size_t group,
                                int depth, int vectors, int rowCount) {
    SubtractRowsUpTo<tileRows>(c, column, l, packed, stride, group, depth, vectors, rowCount);
}

// One row whose sources change under way, so that packing them would not pay:
// target[v-th vector] -= factors[k] * sources[k * stride ..] for k in [kBegin, kEnd) ascending,
// for NV vectors. The swapped form of each source vector is made in registers.
template <int NV>
inline void SubtractRowProductsOf(Complex* target, const Complex* factors, const Complex* sources,
                                  std::size_t stride, int kBegin, int kEnd) {
    Doubles sum[NV];
    for (int v = 0; v < NV; ++v) sum[v] = LoadDoubles(target + v * complexLanes);
    for (int k = kBegin; k < kEnd; ++k) {
        const Complex factor = factors[k];
        const Doubles re = Broadcast(factor.re);
        const Doubles im = NegateEven(Broadcast(factor.im));
        const Complex* source = sources + k * stride;
        for (int v = 0; v < NV; ++v) {
            const Doubles u = LoadDoubles(source + v * complexLanes);
            const Doubles product = re * u + im * SwapPairs(u);
            sum[v] -= product;
        }
    }
    for (int v = 0; v < NV; ++v) StoreDoubles(target + v * complexLanes, sum[v]);
}

// Vectors of one row whose sums the row kernels keep in registers. Each sum waits for its
// previous subtraction, so a row needs several sums under way to keep the multipliers and adders
// busy: 16 columns, in eight of the sixteen registers below AVX-512.
constexpr int rowVectors = complexLanes >= 4 ? 4 : 8;

// Calls group(std::integral_constant<int, NV>(), v) for groups of NV vectors from v on that
// cover `vectors` vectors, rowVectors at a time and the rest in halving groups.
template <class Group>
inline void ForRowGroups(int vectors, const Group& group) {
    static_assert(rowVectors == 4 || rowVectors == 8, "the groups below are written out");
    int v = 0;
    for (; v + rowVectors <= vectors; v += rowVectors)
        group(std::integral_constant<int, rowVectors>(), v);
    if (rowVectors == 8 && v + 4 <= vectors) {
        group(std::integral_constant<int, 4>(), v);
        v += 4;
    }
    if (v + 2 <= vectors) {
        group(std::integral_constant<int, 2>(), v);
        v += 2;
    }
    if (v < vectors) group(std::integral_constant<int, 1>(), v);
}

// SubtractRowProductsOf over `vectors` vectors.
inline void SubtractRowProducts(Complex* target, const Complex* factors, const Complex* sources,
                                std::size_t stride, int kBegin, int kEnd, int vectors) {
    ForRowGroups(vectors, [&](auto width, int v) {
        SubtractRowProductsOf<decltype(width)::value>(
            target + v * complexLanes, factors, sources + v * complexLanes, stride, kBegin, kEnd);
    });
}
