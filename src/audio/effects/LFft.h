#pragma once
// A radix-2 complex FFT in double precision on split real and imaginary
// arrays, with its cosine, sine and bit-reversal tables built once.
//
// Convolution needs no ordered spectrum: ForwardUnordered leaves the bins in
// bit-reversed order and InverseUnordered takes them so, which saves both
// reorderings. Bin-by-bin products of two such spectra are the same as of
// ordered ones.

#include <cstdint>
#include <vector>

class LFft
{
public:
    // size must be a power of two (at least 2).
    explicit LFft(int32_t size);

    // In place; the inverse is not scaled (a forward and an inverse
    // transform multiply the data by size).
    void Forward(double* re, double* im) const;
    void Inverse(double* re, double* im) const;

    // Natural order in, bit-reversed order out.
    void ForwardUnordered(double* re, double* im) const;
    // Bit-reversed order in, natural order out (not scaled).
    void InverseUnordered(double* re, double* im) const;

    int32_t Size() const { return size_; }

private:
    void Reorder(double* re, double* im) const;

    int32_t size_;
    // Twiddles of every stage back to back: the stage that joins halves of
    // length h keeps its h factors from offset h - 1.
    std::vector<double> cos_;
    std::vector<double> sin_;
    std::vector<int32_t> reverse_;
};
