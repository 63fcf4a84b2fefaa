// Cost per sample of the plugin's run() as a host calls it (through lilv,
// with a MIDI sequence and 25 control ports to read every block), next to
// the engine's RenderBlock alone, on the same held note: the default patch,
// note 69, from its second second on. The argument is the block size.
#include "core/controls.h"
#include "engine/engine.h"
#include "midi/handler.h"

#include <benchmark/benchmark.h>
#include <lilv/lilv.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/urid/urid.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kNoteOn69 = 0x90 | 69 << 8 | 100 << 16;
constexpr size_t kWarmUp = 2 * 44100;

void Count(benchmark::State& state) {
  const double samples = static_cast<double>(state.iterations() * state.range(0));
  state.counters["ns_per_sample"] =
      benchmark::Counter(samples * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void EngineHeldNote(benchmark::State& state) {
  auto s = std::make_unique<velmora::EngineState>();
  velmora::InitEngineDefaults(*s);
  velmora::HandleMidiData(*s, kNoteOn69);
  std::vector<float> out(kWarmUp);
  velmora::RenderBlock(*s, out.data(), kWarmUp);
  for (auto _ : state) {
    velmora::RenderBlock(*s, out.data(), static_cast<size_t>(state.range(0)));
    benchmark::DoNotOptimize(out.data());
  }
  Count(state);
}

std::vector<std::string> Uris;
LV2_URID Map(LV2_URID_Map_Handle, const char* uri) {
  for (size_t i = 0; i < Uris.size(); ++i) {
    if (Uris[i] == uri)
      return static_cast<LV2_URID>(i + 1);
  }
  Uris.push_back(uri);
  return static_cast<LV2_URID>(Uris.size());
}

void PluginHeldNote(benchmark::State& state) {
  LilvWorld* world = lilv_world_new();
  LilvNode* bundle = lilv_new_file_uri(world, nullptr, VELMORA_LV2_BUNDLE "/");
  lilv_world_load_bundle(world, bundle);
  LilvNode* uri = lilv_new_uri(world, "https://velmora.example/lv2/velmora");
  const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
  if (plugin == nullptr) {
    state.SkipWithError("plugin not found in " VELMORA_LV2_BUNDLE);
    return;
  }
  LV2_URID_Map map{nullptr, Map};
  LV2_Feature mapFeature{LV2_URID__map, &map};
  const LV2_Feature* features[] = {&mapFeature, nullptr};
  LilvInstance* instance = lilv_plugin_instantiate(plugin, 44100, features);
  const uint32_t ports = lilv_plugin_get_num_ports(plugin);
  std::vector<float> values(ports), out(kWarmUp);
  lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, values.data());
  for (uint32_t i = 2; i < ports; ++i)
    lilv_instance_connect_port(instance, i, &values[i]);
  alignas(8) uint8_t sequence[256];
  auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(sequence);
  *seq = {{sizeof(LV2_Atom_Sequence_Body), Map(nullptr, LV2_ATOM__Sequence)}, {0, 0}};
  struct {
    LV2_Atom_Event Header;
    uint8_t Bytes[8];
  } note{{{0}, {3, Map(nullptr, LV2_MIDI__MidiEvent)}}, {0x90, 69, 100}};
  lv2_atom_sequence_append_event(seq, sizeof sequence - sizeof(LV2_Atom), &note.Header);
  lilv_instance_connect_port(instance, 0, sequence);
  lilv_instance_connect_port(instance, 1, out.data());
  lilv_instance_activate(instance);
  lilv_instance_run(instance, kWarmUp);
  lv2_atom_sequence_clear(seq);
  for (auto _ : state) {
    lilv_instance_run(instance, static_cast<uint32_t>(state.range(0)));
    benchmark::DoNotOptimize(out.data());
  }
  Count(state);
  lilv_instance_free(instance);
  lilv_node_free(uri);
  lilv_node_free(bundle);
  lilv_world_free(world);
}

} // namespace

BENCHMARK(EngineHeldNote)->Arg(64)->Arg(256);
BENCHMARK(PluginHeldNote)->Arg(64)->Arg(256);
BENCHMARK_MAIN();
