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

// Path of the named temporary file while it exists, for the signal handler.
char PendingPath[PATH_MAX];
volatile sig_atomic_t HavePending = 0;

extern "C" void OnFatalSignal(int signal) {
  if (HavePending)
    unlink(PendingPath);
  // Die of the same signal, so the caller sees how the render ended.
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  raise(signal);
}

// Every signal whose default action ends the process and that can be caught.
constexpr int kFatalSignals[] = {SIGHUP,  SIGINT,  SIGQUIT,   SIGILL,  SIGTRAP, SIGABRT,
                                 SIGBUS,  SIGFPE,  SIGUSR1,   SIGSEGV, SIGUSR2, SIGPIPE,
                                 SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU, SIGXFSZ, SIGVTALRM,
                                 SIGPROF, SIGIO,   SIGPWR,    SIGSYS};

void WatchSignals(const std::string& path) {
  std::strncpy(PendingPath, path.c_str(), sizeof PendingPath - 1);
  HavePending = 1;
  struct sigaction action {};
  action.sa_handler = OnFatalSignal;
  sigemptyset(&action.sa_mask);
  for (int s : kFatalSignals) {
    struct sigaction old {};
    // A signal the caller ignores stays ignored.
    if (sigaction(s, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
      sigaction(s, &action, nullptr);
  }
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

// A name for a temporary file beside the final one: hidden, and in the same
// directory so that the rename cannot cross file systems.
std::string TempName(const std::string& path) {
  return DirectoryOf(path) + "/." + NameOf(path) + ".XXXXXX";
}

// The unnamed file, or -1 with errno set.
int OpenUnnamed(const std::string& directory, mode_t mode) {
  // Naming it at the end goes through /proc; without it, the named file.
  if (access("/proc/self/fd", X_OK) != 0) {
    errno = EOPNOTSUPP;
    return -1;
  }
  return open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
}

// Gives the unnamed file its final name: directly where the name is free,
// else under a temporary name that then replaces the existing file, with
// every signal held off so that nothing can end the process between the two.
bool NameUnnamed(const WavOutput& out, std::string& error) {
  const std::string self = "/proc/self/fd/" + std::to_string(out.Descriptor);
  if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, out.FinalPath.c_str(), AT_SYMLINK_FOLLOW) == 0)
    return true;
  if (errno != EEXIST) {
    error = std::string("cannot put the file in place: ") + std::strerror(errno);
    return false;
  }
  sigset_t all, before;
  sigfillset(&all);
  sigprocmask(SIG_BLOCK, &all, &before);
  bool placed = false;
  int failure = 0;
  for (int attempt = 0; attempt < 100 && !placed; ++attempt) {
    std::string temp = TempName(out.FinalPath);
    const int fd = mkostemp(temp.data(), O_CLOEXEC); // a free name
    if (fd < 0) {
      failure = errno;
      break;
    }
    close(fd);
    unlink(temp.c_str());
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) != 0) {
      failure = errno;
      if (failure == EEXIST)
        continue; // taken in between
      break;
    }
    placed = rename(temp.c_str(), out.FinalPath.c_str()) == 0;
    failure = errno;
    if (!placed)
      unlink(temp.c_str());
    break;
  }
  sigprocmask(SIG_SETMASK, &before, nullptr);
  if (!placed)
    error = std::string("cannot put the file in place: ") + std::strerror(failure);
  return placed;
}

} // namespace

bool OpenWavOutput(const std::string& path, WavOutput& out, std::string& error) {
  if (path.empty() || path.back() == '/') {
    error = "names a directory, not a file";
    return false;
  }
  const mode_t mask = umask(0);
  umask(mask);
  mode_t mode = 0666 & ~mask; // as a newly created file
  struct stat existing {};
  const bool exists = stat(path.c_str(), &existing) == 0;
  if (exists) {
    if (S_ISDIR(existing.st_mode)) {
      error = "is a directory";
      return false;
    }
    if (!S_ISREG(existing.st_mode)) {
      error = "is not a regular file";
      return false;
    }
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
      error = std::string("cannot replace it: ") + std::strerror(errno);
      return false;
    }
    mode = existing.st_mode & 07777;
  }
  const std::string directory = DirectoryOf(path);
  std::string temp;
  int fd = OpenUnnamed(directory, mode);
  if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    temp = TempName(path);
    if (temp.size() >= PATH_MAX) {
      error = "the path is too long";
      return false;
    }
    fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd >= 0)
      WatchSignals(temp);
  }
  if (fd < 0) {
    error = "cannot create a file in " + directory + ": " + std::strerror(errno);
    return false;
  }
  // Creation masks the mode, and mkstemp makes the file private.
  fchmod(fd, mode);
  if (exists) {
    // Only the owner's group, or root, may hand a file on; else the file is
    // the user's, as any program's new file is.
    if (fchown(fd, existing.st_uid, existing.st_gid) == 0)
      fchmod(fd, mode); // a change of owner clears set-user-ID bits
  }
  out.FinalPath = path;
  out.TempPath = temp;
  out.Descriptor = fd;

  SF_INFO format{};
  format.samplerate = static_cast<int>(kSampleRate);
  format.channels = 1;
  format.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  out.File = sf_open_fd(fd, SFM_WRITE, &format, SF_FALSE);
  if (out.File == nullptr) {
    error = std::string("cannot write WAV data: ") + sf_strerror(nullptr);
    DiscardWavOutput(out);
    return false;
  }
  // No PEAK chunk: it holds the time of writing, so that two renders of the
  // same file would differ; the same input and options give the same bytes.
  // What it also holds, the largest sample and where it is, any program that
  // reads the samples finds.
  sf_command(out.File, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
  out.Pending.clear();
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
  if (fsync(out.Descriptor) != 0) {
    error = std::string("cannot write: ") + std::strerror(errno);
    DiscardWavOutput(out);
    return false;
  }
  if (out.TempPath.empty() ? !NameUnnamed(out, error)
                           : rename(out.TempPath.c_str(), out.FinalPath.c_str()) != 0) {
    if (!out.TempPath.empty())
      error = std::string("cannot put the file in place: ") + std::strerror(errno);
    DiscardWavOutput(out);
    return false;
  }
  close(out.Descriptor);
  out.Descriptor = -1;
  out.TempPath.clear();
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
  out.TempPath.clear();
  StopWatching();
}

} // namespace velmora
