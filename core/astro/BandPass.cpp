#include "core/astro/BandPass.h"

#include "core/astro/Fft.h"
#include "core/text/NumberText.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace astro {

double passbandGain(const Band& band, double f) {
    const double edge = 0.25 * (band.high - band.low);
    if (f >= band.low && f <= band.high)
        return 1.0;
    const double beyond = f < band.low ? band.low - f : f - band.high;
    if (f < 0 || beyond >= edge)
        return 0.0;
    return 0.5 * (1.0 + std::cos(M_PI * beyond / edge));
}

BandBins bandBins(const Band& band, std::size_t length, double binWidth) {
    const double edge = 0.25 * (band.high - band.low);
    const std::size_t half = length / 2;
    const double lowest = std::max(0.0, std::ceil((band.low - edge) / binWidth));
    const double highest = std::floor((band.high + edge) / binWidth);
    BandBins b;
    b.first = static_cast<std::size_t>(std::min(lowest, static_cast<double>(half)));
    const std::size_t last = static_cast<std::size_t>(std::min(highest, static_cast<double>(half)));
    for (std::size_t k = b.first; k <= last && lowest <= highest; ++k) {
        const bool unpaired = k == 0 || 2 * k == length;
        b.weight.push_back((unpaired ? 1.0 : 2.0) *
                           passbandGain(band, static_cast<double>(k) * binWidth));
    }
    return b;
}

std::size_t paddedLength(std::size_t n) {
    return fastLength(2 * n);
}

std::optional<Problem> checkPassband(const Band& band, double spacing) {
    const double nyquist = 0.5 / spacing;
    if (!(band.low > 0) || !(band.high > band.low) || !(band.high < nyquist) ||
        !std::isfinite(band.high))
        return Problem{analysis::ParameterId::Passband,
                       "the band " + text::exactNumber(band.low) + ":" +
                           text::exactNumber(band.high) + " must have 0 < low < high < " +
                           text::exactNumber(nyquist) +
                           ", the Nyquist frequency of the record (cycles per position unit)"};
    return std::nullopt;
}

std::vector<bool> edgeSamples(const Fft& fft, const BandBins& bins, std::size_t n, double centre) {
    const std::size_t length = fft.length();
    FftBuffer<double> padded = fft.realBuffer();
    for (std::size_t i = 0; i < n; ++i)
        padded[i] = std::cos(2 * M_PI * centre * static_cast<double>(i));
    FftBuffer<std::complex<double>> spectrum = Fft::complexBuffer(length / 2 + 1);
    FftBuffer<std::complex<double>> analytic = Fft::complexBuffer(length);
    FftBuffer<std::complex<double>> signal = Fft::complexBuffer(length);
    fft.forward(padded.get(), spectrum.get());
    for (std::size_t j = 0; j < bins.weight.size(); ++j)
        analytic[bins.first + j] = bins.weight[j] * spectrum[bins.first + j];
    fft.inverse(analytic.get(), signal.get());
    std::vector<bool> edge(n);
    for (std::size_t i = 0; i < n; ++i)
        edge[i] = std::abs(signal[i]) < trustedEnvelope * static_cast<double>(length);
    return edge;
}

BandPassed bandPass(const std::vector<double>& values, double spacing, const Band& band) {
    BandPassed r;
    const std::size_t n = values.size();
    if ((r.problem = checkRecord(values, spacing, 2)) || (r.problem = checkPassband(band, spacing)))
        return r;
    const Fft fft(paddedLength(n));
    const std::size_t length = fft.length();
    FftBuffer<double> padded = fft.realBuffer();
    const double mean = std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(n);
    for (std::size_t i = 0; i < n; ++i)
        padded[i] = values[i] - mean;
    FftBuffer<std::complex<double>> spectrum = Fft::complexBuffer(length / 2 + 1);
    FftBuffer<std::complex<double>> analytic = Fft::complexBuffer(length);
    FftBuffer<std::complex<double>> signal = Fft::complexBuffer(length);
    fft.forward(padded.get(), spectrum.get());
    const BandBins bins = bandBins(band, length, 1.0 / (static_cast<double>(length) * spacing));
    for (std::size_t j = 0; j < bins.weight.size(); ++j)
        analytic[bins.first + j] = bins.weight[j] * spectrum[bins.first + j];
    fft.inverse(analytic.get(), signal.get());
    r.filtered.resize(n);
    r.envelope.resize(n);
    const double scale = 1.0 / static_cast<double>(length);
    for (std::size_t i = 0; i < n; ++i) {
        r.filtered[i] = signal[i].real() * scale;
        r.envelope[i] = std::abs(signal[i]) * scale;
    }
    r.edge = edgeSamples(fft, bins, n, 0.5 * (band.low + band.high) * spacing);
    return r;
}

} // namespace astro
