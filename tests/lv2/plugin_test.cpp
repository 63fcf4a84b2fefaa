// The plugin as a host sees it, through lilv with LV2_PATH on the build tree
// (lv2_tools says first whether lilv finds it there): the samples
// velmora-render's own option parser, set-up and bounce give, whatever the
// blocks, beside other instances; bad rates and hosts refused; pitch and
// envelope times at other rates.
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
#include <map>

using namespace velmora;
using Controls = std::map<std::string, float>;
using Midi = std::vector<std::pair<int64_t, std::vector<uint8_t>>>; // frame, bytes

static std::map<std::string, LV2_URID> Id;
static LV2_URID Map(void*, const char* u) { return Id.emplace(u, Id.size() + 1).first->second; }
static LV2_URID_Map MapData{nullptr, Map};
static const LV2_Feature MapFeature{LV2_URID__map, &MapData}, *Features[] = {&MapFeature, nullptr};
static LilvWorld* LoadedWorld() {
  LilvWorld* world = lilv_world_new();
  lilv_world_load_all(world);
  return world;
}
static LilvWorld* const World = LoadedWorld();
static const LilvPlugin* const Plugin = lilv_plugins_get_by_uri(
    lilv_world_get_all_plugins(World), lilv_new_uri(World, "https://velmora.example/lv2/velmora"));

// One instance, its control ports and its output. After each block every
// control turns NaN, and each keeps what it had.
struct Voice {
  std::unique_ptr<LilvInstance, void (*)(LilvInstance*)> Instance;
  std::vector<float> Values, Out;
  alignas(8) uint8_t Sequence[1024];
  uint32_t Block;
  explicit Voice(const Controls& controls, double rate = 44100, uint32_t block = 512)
      : Instance(lilv_plugin_instantiate(Plugin, rate, Features), lilv_instance_free),
        Values(lilv_plugin_get_num_ports(Plugin)), Block(block) {
    lilv_plugin_get_port_ranges_float(Plugin, nullptr, nullptr, Values.data());
    for (const auto& [symbol, value] : controls) // (the nodes live as long as the test)
      Values.at(lilv_port_get_index(
          Plugin, lilv_plugin_get_port_by_symbol(Plugin, lilv_new_string(World, symbol.c_str())))) =
          value;
    lilv_instance_activate(Instance.get());
    for (uint32_t i = 2; i < Values.size(); ++i)
      lilv_instance_connect_port(Instance.get(), i, &Values[i]);
    lilv_instance_connect_port(Instance.get(), 0, Sequence);
  }
  void Run(const Midi& events) {
    auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(Sequence);
    *seq = {{sizeof(LV2_Atom_Sequence_Body), Map(0, LV2_ATOM__Sequence)}, {0, 0}};
    const auto start = static_cast<int64_t>(Out.size());
    Out.resize(Out.size() + Block);
    lilv_instance_connect_port(Instance.get(), 1, Out.data() + start);
    for (const auto& [frame, bytes] : events)
      if (frame >= start && frame < start + Block) {
        LV2_Atom_Event* ev = lv2_atom_sequence_end(&seq->body, seq->atom.size);
        *ev = {{frame - start}, {uint32_t(bytes.size()), Map(0, LV2_MIDI__MidiEvent)}};
        std::copy(bytes.begin(), bytes.end(), reinterpret_cast<uint8_t*>(ev + 1));
        seq->atom.size += lv2_atom_pad_size(uint32_t(sizeof *ev + bytes.size()));
      }
    lilv_instance_run(Instance.get(), Block);
    std::fill(Values.begin() + 2, Values.end(), NAN);
  }
};

// Where lilv hands over a preset's port values.
static void SetControl(const char* symbol, void* to, const void* value, uint32_t, uint32_t) {
  (*static_cast<Controls*>(to))[symbol] = static_cast<float>(*static_cast<const int32_t*>(value));
}

// The same notes through velmora-render's parser, set-up and bounce.
static std::vector<float> Render(const Midi& notes, std::vector<const char*> args) {
  MidiSchedule schedule{{}, 40000};
  for (const auto& [frame, bytes] : notes)
    if (const auto word = PackShortMessage(bytes))
      schedule.Messages.push_back({frame, *word});
  args.insert(args.begin(), {"in.mid", "out.wav"});
  auto engine = std::make_unique<EngineState>();
  PrepareEngine(*engine, ParseCommandLine(static_cast<int>(args.size()), args.data()).Options);
  std::vector<float> out;
  const auto keep = [&](auto block) {
    out.insert(out.end(), block.begin(), block.end());
    return true;
  };
  Bounce(*engine, schedule, 0.0, keep, [](int64_t) {});
  return out;
}

// Settings, and every factory preset as a host loads it (lilv's state from
// its file) against velmora-render's --preset of its name: each in blocks of
// 1 and 1000 frames, all instances run interleaved.
TEST(Lv2Plugin, PlaysAsVelmoraRenderInAnyBlocksBesideOtherInstances) {
  // Legato, a re-strike, channel 2 (ignored), a zero-velocity note-off.
  const Midi notes = {{100, {0x90, 69, 100}}, {9000, {0x90, 72, 90}},  {15000, {0x80, 69, 0}},
                      {20017, {0x80, 72, 0}}, {20017, {0x90, 57, 80}}, {26000, {0x91, 60, 100}},
                      {33001, {0x90, 57, 0}}};
  std::vector<std::pair<Controls, std::vector<float>>> cases = {{{}, Render(notes, {})}};
  LilvNodes* presets = lilv_plugin_get_related(Plugin, lilv_new_uri(World, LV2_PRESETS__Preset));
  EXPECT_EQ(lilv_nodes_size(presets), kPresets.size());
  LILV_FOREACH(nodes, i, presets) {
    const LilvNode* uri = lilv_nodes_get(presets, i);
    lilv_world_load_resource(World, uri);
    const std::string presetUri = lilv_node_as_uri(uri);
    const std::string name = presetUri.substr(presetUri.find("#preset-") + 8);
    auto& c = cases.emplace_back(Controls{}, Render(notes, {("--preset=" + name).c_str()}));
    LilvState* state = lilv_state_new_from_world(World, &MapData, uri);
    lilv_state_restore(state, nullptr, SetControl, &c.first, 0, nullptr);
    lilv_state_free(state);
  }
  std::deque<Voice> voices; // they stay where they are: the plugin holds their buffers
  for (const auto& c : cases)
    for (uint32_t block : {1u, 1000u})
      voices.emplace_back(c.first, 44100, block);
  for (int i = 0; i < 40000; ++i) // 40000 frames: a whole number of blocks of each size
    for (Voice& v : voices)
      if (v.Out.size() < 40000)
        v.Run(notes);
  for (size_t i = 0; i < voices.size(); ++i)
    EXPECT_TRUE(test::SameSamples(cases[i / 2].second, voices[i].Out)) << "instance " << i;
}

TEST(Lv2Plugin, RefusesRatesOutOfRangeAndHostsWithoutAUridMap) {
  EXPECT_EQ(lilv_plugin_instantiate(Plugin, 44100, nullptr), nullptr) << "no URID map";
  for (double rate : {7999.0, 384001.0, double(NAN)})
    EXPECT_EQ(lilv_plugin_instantiate(Plugin, rate, Features), nullptr) << "rate " << rate;
}

// Note 69 held 1.5 s at the defaults at each rate: its pitch from the
// shortest lag at which the sustained sound repeats exactly, and where the
// stages end.
TEST(Lv2Plugin, PitchAndEnvelopeTimesHoldAtOtherRates) {
  for (double rate : {44100.0, 48000.0, 96000.0}) {
    const auto off = static_cast<int64_t>(1.5 * rate);
    Voice v({}, rate, static_cast<uint32_t>(off * 6 / 5)); // in one block
    v.Run({{0, {0x90, 69, 100}}, {off, {0x80, 69, 0}}});
    const std::vector<float>& s = v.Out;
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
