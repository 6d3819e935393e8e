#include "core/astro/Fft.h"

#include <fftw3.h>

#include <algorithm>
#include <mutex>

namespace astro {

namespace {
std::mutex& plannerLock() {
    static std::mutex lock;
    return lock;
}

fftw_complex* asFftw(std::complex<double>* p) {
    return reinterpret_cast<fftw_complex*>(p);
}
} // namespace

template <class T> void FftwFree<T>::operator()(T* p) const {
    fftw_free(p);
}
template struct FftwFree<double>;
template struct FftwFree<std::complex<double>>;

Fft::Fft(std::size_t length) : n_(length) {
    FftBuffer<double> real = realBuffer();
    FftBuffer<std::complex<double>> a = complexBuffer(n_), b = complexBuffer(n_);
    const int n = static_cast<int>(n_);
    std::lock_guard<std::mutex> hold(plannerLock());
    forward_ = fftw_plan_dft_r2c_1d(n, real.get(), asFftw(a.get()), FFTW_ESTIMATE);
    inverse_ = fftw_plan_dft_1d(n, asFftw(a.get()), asFftw(b.get()), FFTW_BACKWARD, FFTW_ESTIMATE);
}

Fft::~Fft() {
    std::lock_guard<std::mutex> hold(plannerLock());
    fftw_destroy_plan(static_cast<fftw_plan>(forward_));
    fftw_destroy_plan(static_cast<fftw_plan>(inverse_));
}

FftBuffer<double> Fft::realBuffer() const {
    FftBuffer<double> b(fftw_alloc_real(n_));
    std::fill_n(b.get(), n_, 0.0);
    return b;
}

FftBuffer<std::complex<double>> Fft::complexBuffer(std::size_t count) {
    FftBuffer<std::complex<double>> b(
        reinterpret_cast<std::complex<double>*>(fftw_alloc_complex(count)));
    std::fill_n(b.get(), count, std::complex<double>());
    return b;
}

void Fft::forward(double* in, std::complex<double>* out) const {
    fftw_execute_dft_r2c(static_cast<fftw_plan>(forward_), in, asFftw(out));
}

void Fft::inverse(std::complex<double>* in, std::complex<double>* out) const {
    fftw_execute_dft(static_cast<fftw_plan>(inverse_), asFftw(in), asFftw(out));
}

std::size_t fastLength(std::size_t n) {
    for (std::size_t m = std::max<std::size_t>(n, 1);; ++m) {
        std::size_t r = m;
        for (std::size_t p : {2, 3, 5})
            while (r % p == 0)
                r /= p;
        if (r == 1)
            return m;
    }
}

} // namespace astro
