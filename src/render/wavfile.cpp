#include "render/wavfile.h"

#include "engine/engine.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace velmora {

namespace {

// Path of the temporary file while it exists, for the signal handler.
char PendingPath[PATH_MAX];
volatile sig_atomic_t HavePending = 0;

extern "C" void OnInterrupt(int signal) {
  if (HavePending)
    unlink(PendingPath);
  // Die of the same signal, so the caller sees how the render ended.
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  raise(signal);
}

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

void WatchInterrupts(const std::string& path) {
  std::strncpy(PendingPath, path.c_str(), sizeof PendingPath - 1);
  HavePending = 1;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  for (int s : kInterrupts)
    sigaction(s, &action, nullptr);
}

void StopWatching() { HavePending = 0; }

constexpr size_t kWriteFrames = 65536;

bool Flush(WavOutput& out, std::string& error) {
  const auto frames = static_cast<sf_count_t>(out.Pending.size());
  if (frames > 0 && sf_writef_float(out.File, out.Pending.data(), frames) != frames) {
    error = std::string("cannot write: ") + sf_strerror(out.File);
    return false;
  }
  out.Pending.clear();
  return true;
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos)
    return ".";
  if (slash == 0)
    return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

bool OpenWavOutput(const std::string& path, WavOutput& out, std::string& error) {
  if (path.empty() || path.back() == '/') {
    error = "names a directory, not a file";
    return false;
  }
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) {
      error = "is a directory";
      return false;
    }
    if (!S_ISREG(info.st_mode)) {
      error = "is not a regular file";
      return false;
    }
  }
  const std::string directory = DirectoryOf(path);
  // Hidden, and in the same directory so that the rename cannot cross file
  // systems.
  std::string temp = directory + "/." + NameOf(path) + ".XXXXXX";
  if (temp.size() >= PATH_MAX) {
    error = "the path is too long";
    return false;
  }
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    error = "cannot create a file in " + directory + ": " + std::strerror(errno);
    return false;
  }
  WatchInterrupts(temp);
  // mkstemp makes the file private; the finished file gets the permissions a
  // newly created file would have.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);

  SF_INFO format{};
  format.samplerate = static_cast<int>(kSampleRate);
  format.channels = 1;
  format.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open_fd(fd, SFM_WRITE, &format, SF_FALSE);
  if (file == nullptr) {
    error = std::string("cannot write WAV data: ") + sf_strerror(nullptr);
    close(fd);
    unlink(temp.c_str());
    StopWatching();
    return false;
  }
  out = {path, temp, fd, file, {}};
  out.Pending.reserve(kWriteFrames);
  return true;
}

bool WriteWav(WavOutput& out, std::span<const float> samples, std::string& error) {
  while (!samples.empty()) {
    const size_t n = std::min(samples.size(), kWriteFrames - out.Pending.size());
    out.Pending.insert(out.Pending.end(), samples.begin(), samples.begin() + static_cast<long>(n));
    samples = samples.subspan(n);
    if (out.Pending.size() == kWriteFrames && !Flush(out, error))
      return false;
  }
  return true;
}

bool CommitWavOutput(WavOutput& out, std::string& error) {
  if (!Flush(out, error)) {
    DiscardWavOutput(out);
    return false;
  }
  // Closing writes the header's final sizes.
  const int closed = sf_close(out.File);
  out.File = nullptr;
  if (closed != 0) {
    error = std::string("cannot write: ") + sf_error_number(closed);
    DiscardWavOutput(out);
    return false;
  }
  if (fsync(out.Descriptor) != 0 || close(out.Descriptor) != 0) {
    out.Descriptor = -1;
    error = std::string("cannot write: ") + std::strerror(errno);
    DiscardWavOutput(out);
    return false;
  }
  out.Descriptor = -1;
  if (rename(out.TempPath.c_str(), out.FinalPath.c_str()) != 0) {
    error = std::string("cannot put the file in place: ") + std::strerror(errno);
    DiscardWavOutput(out);
    return false;
  }
  StopWatching();
  return true;
}

void DiscardWavOutput(WavOutput& out) {
  if (out.File != nullptr)
    sf_close(out.File);
  out.File = nullptr;
  if (out.Descriptor >= 0)
    close(out.Descriptor);
  out.Descriptor = -1;
  if (!out.TempPath.empty())
    unlink(out.TempPath.c_str());
  StopWatching();
}

} // namespace velmora
