#include "render/midifile.h"

#include "engine/engine.h"
#include "midi/message.h"

// glib first: smf.h includes it inside extern "C", where its C++ parts fail.
#include <glib.h>
#include <smf.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <span>

namespace velmora {

// libsmf is run in a child process that hands the schedule back through a
// pipe and ends without freeing anything, because:
// - it trusts some of what it reads: a track that ends without its
//   end-of-track event trips an assertion, and some damaged files make it
//   fault or read past the end of its buffer; in a child that is a failed
//   read, not a dead or corrupted program;
// - freeing a song takes it time that grows with the square of a track's
//   events, more than the reading and rendering of a dense file together.

namespace {

// libsmf reports through glib's log. Its warnings mark damage it has worked
// around (a truncated chunk, tracks missing), which would otherwise play a
// silently shortened song; the first one is the reason given.
void RecordProblem(const gchar*, GLogLevelFlags level, const gchar* message, gpointer first) {
  auto& problem = *static_cast<std::string*>(first);
  if ((level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING)) != 0 &&
      problem.empty())
    problem = message != nullptr ? message : "?";
}

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& bytes, std::string& error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    close(fd);
    error = "is a directory, not a MIDI file";
    return false;
  }
  unsigned char chunk[65536];
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0) {
      error = std::strerror(errno);
      close(fd);
      return false;
    }
    if (n == 0)
      break;
    // libsmf takes the length as an int.
    if (bytes.size() + static_cast<size_t>(n) > static_cast<size_t>(INT_MAX)) {
      error = "is too large for a MIDI file";
      close(fd);
      return false;
    }
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  close(fd);
  if (bytes.empty()) {
    error = "is empty, not a MIDI file";
    return false;
  }
  return true;
}

// What the child sends: a flag byte, then either the reason for a failure
// (its length, then its text) or the end sample, the message count and the
// messages.
bool WriteAll(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = write(fd, p, size);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

template <typename T> bool Send(int fd, const T& value) {
  return WriteAll(fd, &value, sizeof value);
}

bool SendFailure(int fd, const std::string& reason) {
  const auto length = static_cast<uint32_t>(reason.size());
  return Send(fd, uint8_t{0}) && Send(fd, length) && WriteAll(fd, reason.data(), reason.size());
}

// Runs in the child.
bool ParseAndSend(const std::vector<unsigned char>& bytes, int fd) {
  std::string problem;
  g_log_set_handler(
      "libsmf",
      static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION),
      RecordProblem, &problem);
  smf_t* smf = smf_load_from_memory(bytes.data(), static_cast<int>(bytes.size()));
  if (smf == nullptr || !problem.empty())
    return SendFailure(fd, "not a readable Standard MIDI File" +
                               (problem.empty() ? std::string() : " (" + problem + ")"));
  if (smf->format != 0 && smf->format != 1)
    return SendFailure(fd, "MIDI file format " + std::to_string(smf->format) +
                               " is not supported, only 0 and 1");

  std::vector<TimedMessage> messages;
  int64_t last = 0;
  while (smf_event_t* event = smf_get_next_event(smf)) {
    if (smf_event_is_metadata(event) || event->midi_buffer_length <= 0)
      continue;
    const std::optional<uint32_t> word = PackShortMessage(std::span<const uint8_t>(
        event->midi_buffer, static_cast<size_t>(event->midi_buffer_length)));
    if (!word)
      continue;
    // Events come in time order; this keeps the order whatever the rounding
    // of their times.
    last = std::max(last, SampleAt(event->time_seconds));
    messages.push_back({last, *word});
  }
  const int64_t end = std::max(last, SampleAt(smf_get_length_seconds(smf)));
  if (!problem.empty())
    return SendFailure(fd, "not a readable Standard MIDI File (" + problem + ")");
  const auto count = static_cast<uint64_t>(messages.size());
  return Send(fd, uint8_t{1}) && Send(fd, end) && Send(fd, count) &&
         WriteAll(fd, messages.data(), messages.size() * sizeof(TimedMessage));
}

bool ReadAll(int fd, std::vector<char>& data) {
  char chunk[65536];
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return false;
    if (n == 0)
      return true;
    data.insert(data.end(), chunk, chunk + n);
  }
}

// Reads the child's answer; false if it is cut short.
bool Receive(const std::vector<char>& data, MidiSchedule& schedule, std::string& error) {
  size_t at = 0;
  auto take = [&](void* out, size_t size) {
    if (data.size() - at < size)
      return false;
    std::memcpy(out, data.data() + at, size);
    at += size;
    return true;
  };
  uint8_t ok = 0;
  if (!take(&ok, sizeof ok))
    return false;
  if (ok == 0) {
    uint32_t length = 0;
    if (!take(&length, sizeof length) || data.size() - at != length)
      return false;
    error.assign(data.data() + at, length);
    return true;
  }
  uint64_t count = 0;
  if (!take(&schedule.EndSample, sizeof schedule.EndSample) || !take(&count, sizeof count) ||
      (data.size() - at) / sizeof(TimedMessage) != count ||
      (data.size() - at) % sizeof(TimedMessage) != 0)
    return false;
  schedule.Messages.resize(count);
  return take(schedule.Messages.data(), count * sizeof(TimedMessage));
}

} // namespace

int64_t SampleAt(double seconds) {
  // nearbyint rounds halves to even in the default rounding mode.
  return static_cast<int64_t>(std::nearbyint(seconds * kSampleRate));
}

bool LoadMidiSchedule(const std::string& path, MidiSchedule& schedule, std::string& error) {
  std::vector<unsigned char> bytes;
  if (!ReadWholeFile(path, bytes, error))
    return false;

  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) {
    error = std::string("cannot read it: ") + std::strerror(errno);
    return false;
  }
  std::fflush(nullptr); // nothing buffered is written twice
  const pid_t child = fork();
  if (child < 0) {
    error = std::string("cannot read it: ") + std::strerror(errno);
    close(pipeFds[0]);
    close(pipeFds[1]);
    return false;
  }
  if (child == 0) {
    // libsmf's assertion text would only confuse; the parent says what
    // went wrong.
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0)
      dup2(null, STDERR_FILENO);
    close(pipeFds[0]);
    _exit(ParseAndSend(bytes, pipeFds[1]) ? 0 : 1);
  }
  close(pipeFds[1]);
  std::vector<char> answer;
  const bool read = ReadAll(pipeFds[0], answer);
  close(pipeFds[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }

  schedule = {};
  error.clear();
  if (read && WIFEXITED(status) && WEXITSTATUS(status) == 0 && Receive(answer, schedule, error))
    return error.empty();
  schedule = {};
  error = "the MIDI file is damaged: the MIDI library failed on it";
  if (WIFSIGNALED(status))
    error += std::string(" (") + strsignal(WTERMSIG(status)) + ")";
  error += ", as it does on a truncated file or a track without its end";
  return false;
}

} // namespace velmora
