// The plugin as a host sees it, through lilv with LV2_PATH on the build tree:
// same samples as velmora-render whatever the blocks, instances apart, pitch
// and envelope times at other rates, and bad input from the host.
#include "support/test_support.h"

#include <lilv/lilv.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/presets/presets.h>
#include <lv2/urid/urid.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <map>
#include <memory>

namespace {

using Controls = std::map<std::string, float>;
using Midi = std::vector<std::pair<int64_t, std::vector<uint8_t>>>; // frame, bytes

std::vector<std::string> Uris;
LV2_URID Map(LV2_URID_Map_Handle, const char* uri) {
  for (size_t i = 0; i < Uris.size(); ++i)
    if (Uris[i] == uri)
      return static_cast<LV2_URID>(i + 1);
  Uris.push_back(uri);
  return static_cast<LV2_URID>(Uris.size());
}
LV2_URID_Map MapData{nullptr, Map};
LV2_Feature MapFeature{LV2_URID__map, &MapData};
const LV2_Feature* Features[] = {&MapFeature, nullptr};

LilvWorld* World() {
  static LilvWorld* world = [] {
    LilvWorld* w = lilv_world_new();
    lilv_world_load_all(w);
    return w;
  }();
  return world;
}
const LilvPlugin* Plugin() {
  LilvNode* uri = lilv_new_uri(World(), "https://velmora.example/lv2/velmora");
  const LilvPlugin* p = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(World()), uri);
  lilv_node_free(uri);
  return p;
}

// One instance, run block by block with the events that fall in each block.
struct Voice {
  LilvInstance* Instance;
  std::vector<float> Values, Out;
  alignas(8) uint8_t Sequence[4096];
  Midi Events;
  explicit Voice(const Controls& controls, const Midi& events, double rate = 44100)
      : Instance(lilv_plugin_instantiate(Plugin(), rate, Features)), Events(events) {
    for (uint32_t i = 0; i < lilv_plugin_get_num_ports(Plugin()); ++i) {
      const LilvPort* port = lilv_plugin_get_port_by_index(Plugin(), i);
      LilvNode* value = nullptr;
      lilv_port_get_range(Plugin(), port, &value, nullptr, nullptr);
      const auto set = controls.find(lilv_node_as_string(lilv_port_get_symbol(Plugin(), port)));
      Values.push_back(set != controls.end() ? set->second : value ? lilv_node_as_float(value) : 0);
      lilv_node_free(value);
    }
    lilv_instance_run(Instance, 64); // nothing connected yet: renders nothing
    lilv_instance_activate(Instance);
    for (uint32_t i = 2; i < Values.size(); ++i)
      lilv_instance_connect_port(Instance, i, &Values[i]);
    lilv_instance_connect_port(Instance, 0, Sequence);
  }
  ~Voice() { lilv_instance_free(Instance); }
  void Run(uint32_t frames) {
    auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(Sequence);
    *seq = {{sizeof(LV2_Atom_Sequence_Body), Map(nullptr, LV2_ATOM__Sequence)}, {0, 0}};
    const auto start = static_cast<int64_t>(Out.size());
    for (const auto& [frame, bytes] : Events) {
      if (frame < start || frame >= start + frames)
        continue;
      alignas(8) uint8_t ev[64] = {};
      auto* e = reinterpret_cast<LV2_Atom_Event*>(ev);
      *e = {{frame - start},
            {static_cast<uint32_t>(bytes.size()), Map(nullptr, LV2_MIDI__MidiEvent)}};
      std::copy(bytes.begin(), bytes.end(), ev + sizeof(LV2_Atom_Event));
      lv2_atom_sequence_append_event(seq, sizeof Sequence - sizeof(LV2_Atom), e);
    }
    Out.resize(Out.size() + frames);
    lilv_instance_connect_port(Instance, 1, Out.data() + start);
    lilv_instance_run(Instance, frames);
  }
};

std::vector<float> Play(const Controls& c, const Midi& events, int64_t length, uint32_t block,
                        double rate = 44100) {
  Voice v(c, events, rate);
  while (static_cast<int64_t>(v.Out.size()) < length) {
    v.Run(0); // a block of no frames changes nothing
    v.Run(static_cast<uint32_t>(std::min<int64_t>(block, length - v.Out.size())));
  }
  return v.Out;
}

// Legato, a re-strike, channel 2 (ignored) and a zero-velocity note-off.
const Midi kNotes = {{100, {0x90, 69, 100}}, {9000, {0x90, 72, 90}},  {15000, {0x80, 69, 0}},
                     {20017, {0x80, 72, 0}}, {20017, {0x90, 57, 80}}, {26000, {0x91, 60, 100}},
                     {33001, {0x90, 57, 0}}};
// What a host may also send: system-exclusive, too short, too long, empty.
const Midi kJunk = {
    {5, {0xF0, 0x7E, 0xF7}}, {200, {0x90, 60}}, {300, {0x90, 60, 1, 2, 3}}, {400, {}}};

// A format-0 file at 441 pulses a quarter and 10 ms a quarter: a pulse is a sample.
void WriteMidi(const std::string& path, const Midi& events, uint32_t end) {
  std::string t;
  auto vlq = [&t](uint32_t delta) {
    char b[5];
    int n = 0;
    do
      b[n++] = static_cast<char>(delta & 0x7F);
    while ((delta >>= 7) != 0);
    while (n-- > 0)
      t += static_cast<char>(b[n] | (n > 0 ? 0x80 : 0));
  };
  t = std::string("\0\xFF\x51\x03\0\x27\x10", 7);
  uint32_t at = 0;
  for (const auto& [frame, bytes] : events) {
    vlq(static_cast<uint32_t>(frame) - std::exchange(at, static_cast<uint32_t>(frame)));
    t.append(bytes.begin(), bytes.end());
  }
  vlq(end - at);
  t += std::string("\xFF\x2F\0", 3);
  const char size[4] = {0, static_cast<char>(t.size() >> 16), static_cast<char>(t.size() >> 8),
                        static_cast<char>(t.size())};
  std::ofstream(path, std::ios::binary)
      << std::string("MThd\0\0\0\x06\0\0\0\x01\x01\xB9MTrk", 18) << std::string(size, 4) << t;
}
std::vector<float> ReadWav(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  std::vector<float> s(file ? static_cast<size_t>(info.frames) : 0);
  if (file && sf_readf_float(file, s.data(), info.frames) >= 0)
    sf_close(file);
  return s;
}

struct Case {
  const char* Name;
  Controls Plugin;
  std::vector<std::string> RenderOptions;
};
const Case kCases[] = {
    {"defaults", {}, {}},
    {"fm with sync and points",
     {{"osc1_pitch", -1199},
      {"osc2_pitch", 700},
      {"mode", 2},
      {"sync", 1},
      {"attack", 40},
      {"osc2_point2_x", 150},
      {"osc2_point2_y", 30},
      {"osc1_point3_y", 200}},
     {"--osc1-pitch=-1199", "--osc2-pitch=700", "--mode=fm", "--sync", "--attack=40",
      "--osc2-point2=150,30", "--osc1-point3=80,200"}},
    {"out of range, fractional and NaN",
     {{"mix", 1e9f}, {"mode", 3.4f}, {"release", -5}, {"decay", NAN}, {"sustain", 30.6f}},
     {"--mix=100", "--mode=am", "--release=1", "--sustain=31"}},
};

TEST(Lv2Plugin, PlaysAsVelmoraRenderInAnyBlocks) {
  const std::string in = ::testing::TempDir() + "lv2-" + std::to_string(getpid()) + ".mid";
  const std::string out = in + ".wav";
  WriteMidi(in, kNotes, 40000);
  Midi withJunk = kNotes;
  withJunk.insert(withJunk.end(), kJunk.begin(), kJunk.end());
  for (const Case& c : kCases) {
    std::string command = VELMORA_RENDER_PROGRAM " --tail=0 " + in + " " + out;
    for (const std::string& option : c.RenderOptions)
      command += " " + option;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const std::vector<float> expected = ReadWav(out);
    ASSERT_EQ(expected.size(), 40000u);
    for (uint32_t block : {1u, 64u, 1000u})
      EXPECT_TRUE(velmora::test::SameSamples(expected, Play(c.Plugin, withJunk, 40000, block)))
          << c.Name << ", blocks of " << block;
  }
  std::remove(in.c_str());
  std::remove(out.c_str());
}

// b's controls turn to NaN after its first block: it keeps what it had.
TEST(Lv2Plugin, InstancesRunInterleavedAsAlone) {
  Voice a(kCases[0].Plugin, kNotes), b(kCases[1].Plugin, kNotes);
  for (int i = 0; i < 400; ++i) {
    a.Run(100), b.Run(100);
    std::fill(b.Values.begin() + 2, b.Values.end(), NAN);
  }
  EXPECT_TRUE(velmora::test::SameSamples(Play(kCases[0].Plugin, kNotes, 40000, 100), a.Out));
  EXPECT_TRUE(velmora::test::SameSamples(Play(kCases[1].Plugin, kNotes, 40000, 100), b.Out));
}

// Note 69 held 1.5 s at the defaults: its pitch from the shortest lag at
// which the sustained sound repeats exactly, and where the stages end.
TEST(Lv2Plugin, PitchAndEnvelopeTimesHoldAtEveryRate) {
  for (double rate : {44100.0, 48000.0, 96000.0}) {
    const auto off = static_cast<int64_t>(1.5 * rate);
    const std::vector<float> s =
        Play({}, {{0, {0x90, 69, 100}}, {off, {0x80, 69, 0}}}, off * 6 / 5, 512, rate);
    size_t period = 2;
    while (!std::equal(s.begin() + off - 5000, s.begin() + off, s.begin() + off - 5000 - period))
      ++period;
    EXPECT_NEAR(1200 * std::log2(rate / period / 440), 0, 5) << rate;
    size_t sustain = off - period;
    while (s[sustain - 1] == s[sustain - 1 + period])
      --sustain;
    const auto sound = std::find_if(s.begin(), s.end(), [](float v) { return v != 0; }) - s.begin();
    const auto end = s.rend() - std::find_if(s.rbegin(), s.rend(), [](float v) { return v != 0; });
    const double ms = 1000 / rate;
    EXPECT_NEAR(sound * ms, 1001 / 44.1, 1) << rate; // fade-out before the attack
    EXPECT_NEAR(sustain * ms, 1001 / 44.1 + 15.1 / 44.1 + 1000, 1) << rate; // attack and decay
    EXPECT_NEAR(end * ms, 1500 + 165.6, 1) << rate;                         // release
  }
}

TEST(Lv2Plugin, DescribesItsPortsAndRefusesWhatItCannotRun) {
  ASSERT_NE(Plugin(), nullptr);
  EXPECT_EQ(lilv_plugin_get_num_ports(Plugin()), 27u);
  LilvNode* preset = lilv_new_uri(World(), LV2_PRESETS__Preset);
  LilvNodes* presets = lilv_plugin_get_related(Plugin(), preset);
  EXPECT_EQ(lilv_nodes_size(presets), 8u);
  lilv_nodes_free(presets);
  lilv_node_free(preset);
  const LV2_Feature* none[] = {nullptr};
  for (double rate : {7999.0, 384001.0, double(NAN)})
    EXPECT_EQ(lilv_plugin_instantiate(Plugin(), rate, Features), nullptr) << rate;
  EXPECT_EQ(lilv_plugin_instantiate(Plugin(), 44100, none), nullptr);
}

} // namespace
