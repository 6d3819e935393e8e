// Discrete Fourier transforms of one length through FFTW. Plans are made (and destroyed) under
// one lock, since FFTW's planner is not thread-safe; executing a plan on buffers from
// Fft::buffer is, so one Fft serves any number of threads at once, each with its own buffers.
#pragma once

#include <complex>
#include <cstddef>
#include <memory>

namespace astro {

// An aligned array of n elements from FFTW's allocator, released with it.
template <class T> struct FftwFree { void operator()(T* p) const; };
template <class T> using FftBuffer = std::unique_ptr<T[], FftwFree<T>>;

class Fft {
public:
    // length >= 1. Plans are made with FFTW_ESTIMATE: the same plan, and so the same numbers,
    // on every run.
    explicit Fft(std::size_t length);
    ~Fft();
    Fft(const Fft&) = delete;
    Fft& operator=(const Fft&) = delete;

    std::size_t length() const { return n_; }
    // length reals, and length / 2 + 1 or length complex numbers, all zero.
    FftBuffer<double> realBuffer() const;
    static FftBuffer<std::complex<double>> complexBuffer(std::size_t count);

    // in (length reals) to bins 0 .. length / 2 of its transform.
    void forward(double* in, std::complex<double>* out) const;
    // The unscaled inverse transform of length complex bins: out[m] = sum_k in[k] e^{2 pi i k m /
    // N}. in is left unchanged.
    void inverse(std::complex<double>* in, std::complex<double>* out) const;

private:
    std::size_t n_;
    void* forward_ = nullptr;
    void* inverse_ = nullptr;
};

// The smallest length at or above n whose only prime factors are 2, 3 and 5.
std::size_t fastLength(std::size_t n);

} // namespace astro
