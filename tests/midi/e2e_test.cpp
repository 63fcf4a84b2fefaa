// MIDI end to end through the real platform layer: a private JACK server,
// the midi_source program on a virtual output port, and this process listing,
// opening, starting and switching ports as the synth does. The server runs
// with a private /dev/shm where the process may have one, so nothing of it
// outlives the test even after a crash.
#include "core/ids.h"
#include "core/state.h"
#include "midi/midi.h"
#include "midi/port.h"
#include "midi/toolkit_stand_in.h"
#include "support/test_support.h"

#include <RtMidi.h>
#include <gtest/gtest.h>
#include <jack/jack.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sched.h>
#include <sstream>
#include <string>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace velmora {
namespace {

using namespace std::chrono_literals;

const std::string kSourceName = "velmora-test-source";

std::string ServerName;
std::string ServerLog;

struct Child {
  pid_t Pid = -1;
  int ToChild = -1;
  int FromChild = -1;
  std::string Pending; // read but not yet a whole line
};

// Starts argv[0] with stdin and stdout on pipes (or stdout and stderr into
// logPath). The child gets SIGTERM if this process dies first.
Child Spawn(const std::vector<std::string>& argv, const std::string& logPath = {}) {
  int in[2] = {-1, -1}, out[2] = {-1, -1};
  if (logPath.empty() && (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0))
    return {};
  std::vector<char*> args;
  for (const std::string& a : argv)
    args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const int log = logPath.empty() ? -1 : open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (log >= 0) {
      dup2(log, 1);
      dup2(log, 2);
    } else {
      dup2(in[0], 0);
      dup2(out[1], 1);
    }
    execvp(args[0], args.data());
    _exit(127);
  }
  if (log >= 0)
    close(log);
  Child child;
  child.Pid = pid;
  if (logPath.empty()) {
    close(in[0]);
    close(out[1]);
    child.ToChild = in[1];
    child.FromChild = out[0];
  }
  return child;
}

bool ReadLine(Child& child, std::string& line, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const size_t end = child.Pending.find('\n');
    if (end != std::string::npos) {
      line = child.Pending.substr(0, end);
      child.Pending.erase(0, end + 1);
      return true;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
      return false;
    pollfd p = {child.FromChild, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
      continue;
    char buffer[256];
    const ssize_t n = read(child.FromChild, buffer, sizeof buffer);
    if (n <= 0)
      return false;
    child.Pending.append(buffer, static_cast<size_t>(n));
  }
}

// Waits for the child to end, asking with sig first and SIGKILL after the
// timeout. True if it ended of its own accord or on sig.
bool Reap(Child& child, int sig, std::chrono::milliseconds timeout) {
  if (child.Pid <= 0)
    return true;
  if (sig != 0)
    kill(child.Pid, sig);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int status = 0;
  bool ended = false;
  while (!(ended = waitpid(child.Pid, &status, WNOHANG) == child.Pid) &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(10ms);
  if (!ended) {
    kill(child.Pid, SIGKILL);
    waitpid(child.Pid, &status, 0);
  }
  if (child.ToChild >= 0)
    close(child.ToChild);
  if (child.FromChild >= 0)
    close(child.FromChild);
  child = Child{};
  return ended;
}

void QuietJack(const char*) {}

bool ServerAnswers() {
  jack_set_error_function(QuietJack);
  jack_set_info_function(QuietJack);
  jack_client_t* client = jack_client_open("velmora-probe", JackNoStartServer, nullptr);
  jack_set_error_function(nullptr);
  jack_set_info_function(nullptr);
  if (client == nullptr)
    return false;
  jack_client_close(client);
  return true;
}

template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout = 3000ms) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

class MidiEndToEnd : public ::testing::Test {
protected:
  static inline Child Server;
  static inline Child Source;

  static void SetUpTestSuite() {
    Server = Spawn(
        {"jackd", "-n", ServerName, "--no-realtime", "-d", "dummy", "-r", "44100", "-p", "256"},
        ServerLog);
    if (!WaitUntil(ServerAnswers, 10000ms))
      return;
    Source = Spawn({VELMORA_MIDI_SOURCE});
    std::string line;
    if (!ReadLine(Source, line, 10000ms) || line != "ready")
      Reap(Source, SIGTERM, 2000ms);
  }

  static void TearDownTestSuite() {
    // Clients leave the server before it stops, so it frees their slots.
    StopMidiInput(Synth.MidiIn);
    CloseMidiInput(Synth.MidiIn);
    Synth.MidiIn = nullptr;
    if (Source.Pid > 0) {
      const std::string quit = "quit\n";
      EXPECT_EQ(write(Source.ToChild, quit.data(), quit.size()), ssize_t(quit.size()));
      EXPECT_TRUE(Reap(Source, 0, 5000ms)) << "midi_source did not quit";
    }
    EXPECT_TRUE(Reap(Server, SIGTERM, 5000ms)) << "jackd did not stop";
  }

  void SetUp() override {
    if (Source.Pid <= 0) {
      std::ifstream log(ServerLog);
      std::stringstream text;
      text << log.rdbuf();
      GTEST_FAIL() << "no private JACK server with a test source; jackd said:\n" << text.str();
    }
  }

  // Sends one command to midi_source and waits for its answer.
  static void Play(const std::string& command) {
    const std::string line = command + "\n";
    ASSERT_EQ(write(Source.ToChild, line.data(), line.size()), ssize_t(line.size()));
    std::string answer;
    ASSERT_TRUE(ReadLine(Source, answer, 5000ms)) << command;
    ASSERT_EQ(answer, "ok") << command;
  }

  // Plays a command and waits until the handler has seen as many data
  // messages more as expected.
  static void PlayAndWait(const std::string& command, uint32_t messages = 1) {
    const uint32_t target = Synth.NoteLabelSerial + messages;
    Play(command);
    EXPECT_TRUE(WaitUntil([&] { return Synth.NoteLabelSerial >= target; })) << command;
  }

  // A new connection takes effect in the server's graph a little after it is
  // made, and what the source sends before then is lost: wait until active
  // sensing gets through.
  static void AwaitConnection() {
    const uint32_t before = Synth.NoteLabelSerial;
    EXPECT_TRUE(WaitUntil([&] {
      Play("raw fe");
      Play("sleep 10");
      return Synth.NoteLabelSerial != before;
    }));
  }

  static int SourcePosition() {
    const auto& items = midi_test::Toolkit().DropDownItems[kMidiPortList];
    for (size_t i = 0; i < items.size(); ++i) {
      if (items[i].find(kSourceName) != std::string::npos)
        return static_cast<int>(i);
    }
    return -1;
  }
};

TEST_F(MidiEndToEnd, TheSourceIsListedAndPlaysThroughTheOpenPort) {
  test::ResetSynth();
  midi_test::ResetToolkit();

  const std::vector<FoundMidiPort> found = FindMidiInputPorts();
  bool listed = false;
  for (const FoundMidiPort& port : found)
    listed |= port.Api == RtMidi::UNIX_JACK && port.Name &&
              port.Name->find(kSourceName) != std::string::npos;
  EXPECT_TRUE(listed);

  EXPECT_EQ(ListMidiPorts(), static_cast<int>(found.size()));
  const int position = SourcePosition();
  ASSERT_GE(position, 0);

  Synth.MidiDevice = position;
  OpenMidiPort();
  ASSERT_NE(Synth.MidiIn, nullptr);
  EXPECT_EQ(midi_test::Toolkit().Labels[kNoteLabel], "Off");
  AwaitConnection();

  PlayAndWait("on 69 100");
  EXPECT_EQ(Synth.NoteFrequency, 440.0);
  EXPECT_EQ(Synth.Gate, 1);
  EXPECT_EQ(UnpackLabel(Synth.NoteLabel), "A5");

  // Ignored messages reach the handler only to refresh the label; clock and
  // active sensing are not filtered out on the way.
  PlayAndWait("raw b0 07 64");
  PlayAndWait("raw e0 00 50");
  PlayAndWait("raw f8");
  PlayAndWait("raw fe");
  PlayAndWait("on 72 100"); // legato
  EXPECT_EQ(Synth.HeldNotes, 2);
  EXPECT_EQ(Synth.NoteFrequency, test::NoteHz(72));
  EXPECT_EQ(UnpackLabel(Synth.NoteLabel), "A5");

  // System-exclusive data never arrives: of the two messages only the clock
  // after it counts.
  const uint32_t before = Synth.NoteLabelSerial;
  Play("raw f0 7e 7f 06 01 f7");
  PlayAndWait("raw f8");
  Play("sleep 50");
  EXPECT_EQ(Synth.NoteLabelSerial, before + 1);

  PlayAndWait("off 72");
  PlayAndWait("on 69 0"); // velocity 0 releases
  EXPECT_EQ(Synth.Gate, 0);
  EXPECT_EQ(Synth.HeldNotes, 0);
  EXPECT_EQ(Synth.PreviousFrequency, test::NoteHz(72));
  EXPECT_EQ(UnpackLabel(Synth.NoteLabel), "Off");
}

TEST_F(MidiEndToEnd, SwitchingPortsClosesWithANotificationAndReopens) {
  ASSERT_NE(Synth.MidiIn, nullptr) << "needs the port the test before opened";
  PlayAndWait("on 60 100");
  PlayAndWait("on 64 100");
  Synth.NoteStarted = 1; // as the audio thread would have by now
  Synth.AttackStarted = 1;
  ASSERT_EQ(Synth.HeldNotes, 2);

  midi_test::Toolkit().Selected[kMidiPortList] = SourcePosition();
  SwitchMidiPort();
  // The close notification has run by the time the switch returns.
  EXPECT_EQ(Synth.HeldNotes, 0);
  EXPECT_EQ(Synth.Gate, 0);
  EXPECT_EQ(UnpackLabel(Synth.NoteLabel), "Off");
  EXPECT_EQ(Synth.NoteStarted, 1);
  EXPECT_EQ(Synth.AttackStarted, 1);
  ASSERT_NE(Synth.MidiIn, nullptr);
  AwaitConnection();

  PlayAndWait("on 67 100");
  EXPECT_EQ(Synth.Gate, 1);
  EXPECT_EQ(Synth.HeldNotes, 1);
  EXPECT_EQ(Synth.NoteFrequency, test::NoteHz(67));
  PlayAndWait("off 67");
}

TEST_F(MidiEndToEnd, OnlyAStartedPortPassesMessagesOn) {
  const FoundMidiPort* port = ListedMidiPort(SourcePosition());
  ASSERT_NE(port, nullptr);
  StopMidiInput(Synth.MidiIn);
  MidiInputPort* second = OpenMidiInput(*port, MidiInputHandler, 0);
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(StartMidiInput(second));
  AwaitConnection();

  StopMidiInput(second);
  const uint32_t before = Synth.NoteLabelSerial;
  Play("raw f8");
  Play("sleep 50");
  EXPECT_EQ(Synth.NoteLabelSerial, before) << "both ports stopped";

  StartMidiInput(second);
  PlayAndWait("raw f8");
  Play("sleep 50");
  EXPECT_EQ(Synth.NoteLabelSerial, before + 1) << "one port started";

  CloseMidiInput(second);
  StartMidiInput(Synth.MidiIn);
  PlayAndWait("raw fe");
}

// The server and its clients get a /dev/shm of their own where the process
// may have one (root), so a server that dies badly leaks nothing; without it
// they share the machine's, under a server name no one else uses.
void PrivateSharedMemory() {
  if (unshare(CLONE_NEWNS) != 0)
    return;
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
    return;
  mount("tmpfs", "/dev/shm", "tmpfs", 0, "mode=1777");
}

} // namespace
} // namespace velmora

int main(int argc, char** argv) {
  velmora::PrivateSharedMemory();
  velmora::ServerName = "velmora-midi-e2e-" + std::to_string(getpid());
  velmora::ServerLog = "/tmp/" + velmora::ServerName + ".log";
  setenv("JACK_DEFAULT_SERVER", velmora::ServerName.c_str(), 1);
  setenv("JACK_NO_START_SERVER", "1", 1);
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  unlink(velmora::ServerLog.c_str());
  return result;
}
