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
#include <fstream>
#include <numeric>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 4)
    return std::fprintf(stderr, "usage: audio_probe FILE FROM COUNT\n"), 2;
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<double> s;
  for (float v; in.read(reinterpret_cast<char*>(&v), sizeof v);)
    s.push_back(v);
  const size_t from = std::stoull(argv[2]), count = std::stoull(argv[3]);
  const auto bad = std::find_if(s.begin(), s.end(), [](double v) { return !std::isfinite(v); });
  if (bad != s.end())
    return std::fprintf(stderr, "audio_probe: sample %td is %g\n", bad - s.begin(), *bad), 1;
  if (count < 200 || from + count > s.size())
    return std::fprintf(stderr, "audio_probe: %zu+%zu beyond %zu\n", from, count, s.size()), 1;

  // Normalised autocorrelation r[lag] of the first n samples against the
  // same length lag later.
  const double* x = s.data() + from;
  const auto dot = [x](size_t a, size_t b, size_t n) {
    return std::inner_product(x + a, x + a + n, x + b, 0.0);
  };
  const size_t maxLag = std::min<size_t>(4000, count / 2), n = count - maxLag - 1;
  const double e0 = dot(0, 0, n);
  std::vector<double> r(maxLag + 2, 0.0);
  for (size_t lag = 20; lag <= maxLag + 1; ++lag)
    if (const double e = e0 * dot(lag, lag, n); e > 0)
      r[lag] = dot(0, lag, n) / std::sqrt(e);
  const double best = *std::max_element(r.begin(), r.end() - 1);
  double hz = 0;
  for (size_t lag = 21; lag <= maxLag && hz == 0 && best > 0.5; ++lag)
    if (r[lag] >= 0.99 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
      const double bend = r[lag - 1] - 2 * r[lag] + r[lag + 1];
      hz = 44100.0 / (lag + (bend != 0 ? 0.5 * (r[lag - 1] - r[lag + 1]) / bend : 0.0));
    }
  std::printf("%.9g %.2f\n", std::sqrt(dot(0, 0, count) / count), hz);
}
