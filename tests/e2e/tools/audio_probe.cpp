// Measures captured audio: raw little-endian float32 mono at 44100 Hz.
//   audio_probe FILE length              number of samples
//   audio_probe FILE silent FROM TO      exit 0 if samples FROM..TO-1 are all exactly 0
//   audio_probe FILE first-sound FROM    index of the first non-zero sample from FROM, or -1
//   audio_probe FILE rms FROM COUNT      root mean square
//   audio_probe FILE peak FROM COUNT     largest absolute value
//   audio_probe FILE pitch FROM COUNT    frequency in Hz from rising zero crossings
//   audio_probe FILE period FROM COUNT   frequency in Hz from the autocorrelation's
//                                        first full-height peak (robust to warped
//                                        waveforms with many zero crossings)
//   audio_probe FILE change A B COUNT    rms of s[A+i] - s[B+i] over rms of s[A+i]:
//                                        0 for an unchanged periodic sound when
//                                        B - A is a whole number of periods
//   audio_probe FILE finite              exit 0 if every sample is finite
//   audio_probe FILE band FROM COUNT HZ  share of the energy within +-3% of the
//                                        harmonics of HZ (0..1)
// Samples beyond the end of the file count as missing: the command fails.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<float> Load(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<float> samples(bytes.size() / 4);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 4);
  return samples;
}

double Pitch(const std::vector<float>& s, size_t from, size_t count) {
  double first = -1, last = -1;
  int crossings = 0;
  for (size_t i = from + 1; i < from + count; ++i) {
    if (s[i - 1] < 0 && s[i] >= 0) {
      const double at = static_cast<double>(i - 1) + s[i - 1] / (s[i - 1] - s[i]);
      if (first < 0)
        first = at;
      else
        ++crossings;
      last = at;
    }
  }
  return crossings > 0 ? crossings * 44100.0 / (last - first) : 0.0;
}

// The shortest lag whose normalised autocorrelation comes within 1% of the
// best, refined by a parabola through its neighbours.
double Period(const std::vector<float>& s, size_t from, size_t count) {
  const size_t maxLag = std::min<size_t>(4000, count / 2);
  std::vector<double> r(maxLag + 2, 0.0);
  const size_t n = count - maxLag - 1;
  for (size_t lag = 20; lag <= maxLag + 1; ++lag) {
    double sum = 0, e0 = 0, e1 = 0;
    for (size_t i = 0; i < n; ++i) {
      const double a = s[from + i], b = s[from + i + lag];
      sum += a * b;
      e0 += a * a;
      e1 += b * b;
    }
    r[lag] = e0 > 0 && e1 > 0 ? sum / std::sqrt(e0 * e1) : 0.0;
  }
  double best = 0;
  for (size_t lag = 20; lag <= maxLag; ++lag)
    best = std::max(best, r[lag]);
  for (size_t lag = 21; lag <= maxLag; ++lag) {
    if (r[lag] >= 0.99 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
      const double denom = r[lag - 1] - 2 * r[lag] + r[lag + 1];
      const double shift = denom != 0 ? 0.5 * (r[lag - 1] - r[lag + 1]) / denom : 0.0;
      return 44100.0 / (lag + shift);
    }
  }
  return 0.0;
}

// Energy at frequency f by a single-bin DFT over the window.
double Energy(const std::vector<float>& s, size_t from, size_t count, double f) {
  double re = 0, im = 0;
  for (size_t i = 0; i < count; ++i) {
    const double w = 0.5 - 0.5 * std::cos(2 * M_PI * i / count); // Hann
    re += w * s[from + i] * std::cos(2 * M_PI * f * i / 44100.0);
    im += w * s[from + i] * std::sin(2 * M_PI * f * i / 44100.0);
  }
  return re * re + im * im;
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: audio_probe FILE COMMAND [ARGS]\n");
    return 2;
  }
  const std::vector<float> s = Load(argv[1]);
  const std::string cmd = argv[2];
  auto arg = [&](int i) { return i < argc ? std::strtoull(argv[i], nullptr, 10) : 0ull; };
  const size_t from = arg(3), count = arg(4);
  const bool ranged =
      cmd == "rms" || cmd == "peak" || cmd == "pitch" || cmd == "band" || cmd == "period";
  if (ranged && (count == 0 || from + count > s.size())) {
    std::fprintf(stderr, "audio_probe: range %zu+%zu beyond %zu samples\n", from, count, s.size());
    return 1;
  }
  if (cmd == "length") {
    std::printf("%zu\n", s.size());
  } else if (cmd == "silent") {
    const size_t to = std::min<size_t>(arg(4), s.size());
    for (size_t i = from; i < to; ++i)
      if (s[i] != 0.0f) {
        std::printf("sound at %zu: %g\n", i, s[i]);
        return 1;
      }
    std::printf("silent %zu..%zu\n", from, to);
  } else if (cmd == "first-sound") {
    long found = -1;
    for (size_t i = from; i < s.size() && found < 0; ++i)
      if (s[i] != 0.0f)
        found = static_cast<long>(i);
    std::printf("%ld\n", found);
  } else if (cmd == "rms") {
    double sum = 0;
    for (size_t i = from; i < from + count; ++i)
      sum += static_cast<double>(s[i]) * s[i];
    std::printf("%.6f\n", std::sqrt(sum / count));
  } else if (cmd == "peak") {
    float peak = 0;
    for (size_t i = from; i < from + count; ++i)
      peak = std::max(peak, std::fabs(s[i]));
    std::printf("%.6f\n", peak);
  } else if (cmd == "pitch") {
    std::printf("%.3f\n", Pitch(s, from, count));
  } else if (cmd == "period") {
    std::printf("%.3f\n", Period(s, from, count));
  } else if (cmd == "change") {
    const size_t b = arg(4), n = arg(5);
    if (n == 0 || from + n > s.size() || b + n > s.size()) {
      std::fprintf(stderr, "audio_probe: change range beyond %zu samples\n", s.size());
      return 1;
    }
    double diff = 0, ref = 0;
    for (size_t i = 0; i < n; ++i) {
      const double d = static_cast<double>(s[from + i]) - s[b + i];
      diff += d * d;
      ref += static_cast<double>(s[from + i]) * s[from + i];
    }
    std::printf("%.6f\n", ref > 0 ? std::sqrt(diff / ref) : 0.0);
  } else if (cmd == "finite") {
    for (size_t i = 0; i < s.size(); ++i)
      if (!std::isfinite(s[i])) {
        std::printf("not finite at %zu\n", i);
        return 1;
      }
    std::printf("finite\n");
  } else if (cmd == "band") {
    const double f0 = std::strtod(argv[5], nullptr);
    double total = 0, harmonic = 0;
    for (double f = 20; f < 8000; f += 5) {
      const double e = Energy(s, from, count, f);
      total += e;
      const double h = f / f0;
      if (std::fabs(h - std::round(h)) * f0 < 0.03 * f0 * 1.0 && std::round(h) >= 1)
        harmonic += e;
    }
    std::printf("%.4f\n", total > 0 ? harmonic / total : 0.0);
  } else {
    std::fprintf(stderr, "audio_probe: unknown command %s\n", cmd.c_str());
    return 2;
  }
  return 0;
}
