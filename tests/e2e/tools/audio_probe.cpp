// Measures captured audio (raw little-endian float32 mono at 44100 Hz):
//   audio_probe FILE FROM COUNT
// prints "RMS HZ" for samples FROM..FROM+COUNT-1. RMS is exactly 0 only for
// exact silence; HZ is the pitch from the autocorrelation's first peak that
// comes within 1% of the best (robust to warped waveforms with many zero
// crossings), refined by a parabola, or 0 when nothing repeats. Fails when
// the range lies beyond the file or any sample of the file is not finite.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

int main(int argc, char** argv) {
  std::ifstream in(argc == 4 ? argv[1] : "", std::ios::binary);
  std::vector<float> s;
  for (float v; in.read(reinterpret_cast<char*>(&v), sizeof v);)
    s.push_back(v);
  const size_t from = argc == 4 ? std::strtoull(argv[2], nullptr, 10) : 0;
  const size_t count = argc == 4 ? std::strtoull(argv[3], nullptr, 10) : 0;
  for (size_t i = 0; i < s.size(); ++i)
    if (!std::isfinite(s[i]))
      return std::fprintf(stderr, "audio_probe: sample %zu is %g\n", i, s[i]), 1;
  if (count < 200 || from + count > s.size())
    return std::fprintf(stderr, "audio_probe: %zu+%zu beyond %zu samples\n", from, count, s.size()),
           1;

  // Normalised autocorrelation r[lag] of the first n samples against the
  // same length lag later.
  const size_t maxLag = std::min<size_t>(4000, count / 2), n = count - maxLag - 1;
  const float* x = s.data() + from;
  std::vector<double> r(maxLag + 2, 0.0);
  for (size_t lag = 20; lag <= maxLag + 1; ++lag) {
    double sum = 0, e0 = 0, e1 = 0;
    for (size_t i = 0; i < n; ++i) {
      sum += static_cast<double>(x[i]) * x[i + lag];
      e0 += static_cast<double>(x[i]) * x[i];
      e1 += static_cast<double>(x[i + lag]) * x[i + lag];
    }
    r[lag] = e0 > 0 && e1 > 0 ? sum / std::sqrt(e0 * e1) : 0.0;
  }
  const double best = *std::max_element(r.begin(), r.end() - 1);
  double hz = 0;
  for (size_t lag = 21; lag <= maxLag && hz == 0 && best > 0.5; ++lag)
    if (r[lag] >= 0.99 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
      const double bend = r[lag - 1] - 2 * r[lag] + r[lag + 1];
      hz = 44100.0 / (lag + (bend != 0 ? 0.5 * (r[lag - 1] - r[lag + 1]) / bend : 0.0));
    }
  double energy = 0;
  for (size_t i = 0; i < count; ++i)
    energy += static_cast<double>(x[i]) * x[i];
  std::printf("%.9g %.2f\n", std::sqrt(energy / count), hz);
  return 0;
}
