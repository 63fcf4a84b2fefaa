// The plugin as a host sees it, through lilv with LV2_PATH on the build tree:
// the samples velmora-render's own option parser, set-up and bounce give,
// whatever the blocks; instances apart; pitch and envelope times at other
// rates; and bad input from the host.
#include "core/presets.h"
#include "midi/message.h"
#include "render/bounce.h"
#include "render/options.h"
#include "support/test_support.h"

#include <lilv/lilv.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/presets/presets.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <deque>
#include <filesystem>
#include <map>

namespace {

namespace fs = std::filesystem;
using Controls = std::map<std::string, float>;
using Midi = std::vector<std::pair<int64_t, std::vector<uint8_t>>>; // frame, bytes

LV2_URID Map(LV2_URID_Map_Handle, const char* uri) {
  static std::map<std::string, LV2_URID> ids;
  return ids.emplace(uri, static_cast<LV2_URID>(ids.size() + 1)).first->second;
}
LV2_URID_Map MapData{nullptr, Map};
LV2_Feature MapFeature{LV2_URID__map, &MapData};
const LV2_Feature* Features[] = {&MapFeature, nullptr};

LilvWorld* World = [] {
  LilvWorld* w = lilv_world_new();
  lilv_world_load_all(w);
  return w;
}();
LilvNode* Uri = lilv_new_uri(World, "https://velmora.example/lv2/velmora");
const LilvPlugin* Plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(World), Uri);

// What a host may also send, which changes nothing: system-exclusive, too
// short, too long, empty.
const Midi kJunk = {
    {5, {0xF0, 0x7E, 0xF7}}, {200, {0x90, 60}}, {300, {0x90, 60, 1, 2, 3}}, {400, {}}};

// One instance; each Run gets the events that fall in its block, and junk.
struct Voice {
  LilvInstance* Instance;
  std::vector<float> Values, Out;
  alignas(8) uint8_t Sequence[1024];
  Midi Events;
  Voice(const Controls& controls, const Midi& events, double rate = 44100)
      : Instance(lilv_plugin_instantiate(Plugin, rate, Features)),
        Values(lilv_plugin_get_num_ports(Plugin)), Events(events) {
    Events.insert(Events.end(), kJunk.begin(), kJunk.end());
    lilv_plugin_get_port_ranges_float(Plugin, nullptr, nullptr, Values.data());
    for (const auto& [symbol, value] : controls) {
      LilvNode* s = lilv_new_string(World, symbol.c_str());
      Values.at(lilv_port_get_index(Plugin, lilv_plugin_get_port_by_symbol(Plugin, s))) = value;
      lilv_node_free(s);
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
    *seq = {{sizeof(LV2_Atom_Sequence_Body), Map(0, LV2_ATOM__Sequence)}, {0, 0}};
    const auto start = static_cast<int64_t>(Out.size());
    for (const auto& [frame, bytes] : Events) {
      struct {
        LV2_Atom_Event Head;
        uint8_t Body[8] = {};
      } ev{{{frame - start}, {static_cast<uint32_t>(bytes.size()), Map(0, LV2_MIDI__MidiEvent)}}};
      std::copy(bytes.begin(), bytes.end(), ev.Body);
      if (frame >= start && frame < start + frames)
        lv2_atom_sequence_append_event(seq, sizeof Sequence - sizeof(LV2_Atom), &ev.Head);
    }
    Out.resize(Out.size() + frames);
    lilv_instance_connect_port(Instance, 1, Out.data() + start);
    lilv_instance_run(Instance, frames);
  }
};

std::vector<float> Play(const Controls& c, const Midi& events, size_t length, uint32_t block,
                        double rate = 44100) {
  Voice v(c, events, rate);
  while (v.Out.size() < length) {
    v.Run(0); // a block of no frames changes nothing
    v.Run(static_cast<uint32_t>(std::min<size_t>(block, length - v.Out.size())));
  }
  return v.Out;
}

// Legato, a re-strike, channel 2 (ignored), a zero-velocity note-off.
// clang-format off
const Midi kNotes = {{100, {0x90, 69, 100}}, {9000, {0x90, 72, 90}}, {15000, {0x80, 69, 0}},
    {20017, {0x80, 72, 0}}, {20017, {0x90, 57, 80}}, {26000, {0x91, 60, 100}}, {33001, {0x90, 57, 0}}};

struct Case {
  Controls Plugin;
  std::vector<std::string> RenderOptions;
} const kCases[] = {
    {{}, {}},
    // out of range, fractional and NaN (keeps the default)
    {{{"mix", 1e9f}, {"mode", 3.4f}, {"release", -5}, {"decay", NAN}, {"sustain", 30.6f}},
     {"--mix=100", "--mode=am", "--release=1", "--sustain=31"}},
};
// clang-format on

// The cases above, and every factory preset as a host loads it (lilv's
// state from its file) against velmora-render's --preset of its name: each
// alone in blocks of 1 and 1000 frames, and all at once, interleaved 64
// frames at a time. Then their controls turn NaN (each keeps what it had),
// while one more instance beside them has a control changed at every block.
TEST(Lv2Plugin, PlaysAsVelmoraRenderInAnyBlocksBesideOthers) {
  velmora::MidiSchedule schedule{{}, 40000};
  for (const auto& [frame, bytes] : kNotes)
    schedule.Messages.push_back({frame, *velmora::PackShortMessage(bytes)});
  std::vector<Case> cases(std::begin(kCases), std::end(kCases));
  static LilvNode* const preset = lilv_new_uri(World, LV2_PRESETS__Preset);
  LilvNodes* presets = lilv_plugin_get_related(Plugin, preset);
  EXPECT_EQ(lilv_nodes_size(presets), velmora::kPresets.size());
  LILV_FOREACH(nodes, i, presets) {
    const LilvNode* uri = lilv_nodes_get(presets, i);
    lilv_world_load_resource(World, uri);
    LilvState* state = lilv_state_new_from_world(World, &MapData, uri);
    Case& c = cases.emplace_back(
        Case{{}, {"--preset=" + fs::path(lilv_node_as_uri(uri)).stem().string()}});
    lilv_state_restore(
        state, nullptr,
        [](const char* symbol, void* to, const void* value, uint32_t, uint32_t) {
          (*static_cast<Controls*>(to))[symbol] =
              static_cast<float>(*static_cast<const int32_t*>(value));
        },
        &c.Plugin, 0, nullptr);
    lilv_state_free(state);
  }
  lilv_nodes_free(presets);
  std::deque<Voice> voices; // they stay where they are: the plugin holds their buffers
  for (const Case& c : cases)
    voices.emplace_back(c.Plugin, kNotes);
  Voice changing({}, kNotes);
  for (int i = 0; i < 625; ++i) {
    for (Voice& v : voices) {
      v.Run(64);
      std::fill(v.Values.begin() + 2, v.Values.end(), NAN);
    }
    changing.Values[2 + i % 25] = static_cast<float>(i % 7);
    changing.Run(64);
  }
  for (const Case& c : cases) {
    std::vector<const char*> args = {"in.mid", "out.wav"};
    for (const std::string& option : c.RenderOptions)
      args.push_back(option.c_str());
    const auto command = velmora::ParseCommandLine(static_cast<int>(args.size()), args.data());
    ASSERT_EQ(command.Do, velmora::CommandLine::Action::Render) << command.Error;
    auto engine = std::make_unique<velmora::EngineState>();
    velmora::PrepareEngine(*engine, command.Options);
    std::vector<float> expected;
    velmora::Bounce(
        *engine, schedule, 0.0,
        [&](std::span<const float> s) {
          expected.insert(expected.end(), s.begin(), s.end());
          return true;
        },
        [](int64_t) {});
    for (uint32_t block : {1u, 1000u})
      EXPECT_TRUE(velmora::test::SameSamples(expected, Play(c.Plugin, kNotes, 40000, block)))
          << args.back() << ", blocks of " << block;
    EXPECT_TRUE(velmora::test::SameSamples(expected, voices[&c - cases.data()].Out)) << args.back();
  }
}

// Note 69 held 1.5 s at the defaults: its pitch from the shortest lag at
// which the sustained sound repeats exactly, and where the stages end.
TEST(Lv2Plugin, PitchAndEnvelopeTimesHoldAtEveryRate) {
  for (double rate : {44100.0, 48000.0, 96000.0}) {
    const auto off = static_cast<int64_t>(1.5 * rate);
    const auto s = Play({}, {{0, {0x90, 69, 100}}, {off, {0x80, 69, 0}}}, off * 6 / 5, 512, rate);
    size_t period = 2, sustain;
    while (!std::equal(s.begin() + off - 5000, s.begin() + off, s.begin() + off - 5000 - period))
      ++period;
    EXPECT_NEAR(1200 * std::log2(rate / period / 440), 0, 5) << rate;
    for (sustain = off - period; s[sustain - 1] == s[sustain - 1 + period];)
      --sustain;
    const auto nonzero = [](float v) { return v != 0; };
    const double ms = 1000 / rate;
    EXPECT_NEAR((std::find_if(s.begin(), s.end(), nonzero) - s.begin()) * ms, 1001 / 44.1, 1);
    EXPECT_NEAR(sustain * ms, (1001 + 15.1) / 44.1 + 1000, 1) << rate; // attack and decay
    EXPECT_NEAR((s.rend() - std::find_if(s.rbegin(), s.rend(), nonzero)) * ms, 1500 + 165.6, 1);
  }
}

TEST(Lv2Plugin, RefusesRatesItCannotPlayAndHostsWithoutUridMap) {
  ASSERT_NE(Plugin, nullptr);
  const LV2_Feature* none[] = {nullptr};
  for (double rate : {7999.0, 384001.0, double(NAN)})
    EXPECT_EQ(lilv_plugin_instantiate(Plugin, rate, Features), nullptr) << rate;
  EXPECT_EQ(lilv_plugin_instantiate(Plugin, 44100, none), nullptr);
}

} // namespace
