// The LV2 instrument: one engine state and the program's MIDI handler per
// instance. run() renders up to each MIDI event's frame, hands the event to
// the handler and goes on, so the samples do not depend on how the host cuts
// its blocks; control values apply at the start of the block that brings
// them. run() allocates nothing, takes no lock and makes no system call.
#include "lv2/ports.h"

#include "core/controls.h"
#include "engine/engine.h"
#include "midi/handler.h"
#include "midi/message.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

namespace velmora::lv2 {

namespace {

// Rates outside this range are refused at instantiation.
constexpr double kLowestRate = 8000, kHighestRate = 384000;

struct Instance {
  EngineState Engine;
  LV2_URID MidiEvent = 0;
  double Rate = kSampleRate;
  const LV2_Atom_Sequence* MidiIn = nullptr;
  float* AudioOut = nullptr;
  const float* Controls[kControlCount] = {};
  ControlRange Ranges[kControlCount];
  // The values the engine runs with, as the port shows them (whole numbers
  // in the port's range).
  float Applied[kControlCount];
};

// The engine as the window has it at start-up, no note held; the applied
// values are the ports' defaults, which are those start-up settings.
void Reset(Instance& p) {
  InitEngineDefaults(p.Engine);
  SetSampleRate(p.Engine, p.Rate);
  for (int c = 0; c < kControlCount; ++c)
    p.Applied[c] = p.Ranges[c].Default;
}

// Takes up what the host has put into the control ports. Values are
// clamped to the port's range and rounded to whole steps as the window's
// controls have them; a value that is not a number keeps the last one.
void ReadControls(Instance& p) noexcept {
  for (int c = 0; c < kControlCount; ++c) {
    const float* port = p.Controls[c];
    if (port == nullptr || std::isnan(*port))
      continue;
    const ControlRange& r = p.Ranges[c];
    float value = std::clamp(*port, r.Min, r.Max);
    // A toggle is on for anything above zero.
    value = c + kFirstKnobPort == kSyncPort ? (value > 0 ? 1.0f : 0.0f) : std::nearbyint(value);
    if (value != p.Applied[c]) {
      p.Applied[c] = value;
      SetControl(p.Engine, c, static_cast<int>(value));
    }
  }
}

LV2_Handle Instantiate(const LV2_Descriptor*, double rate, const char*,
                       const LV2_Feature* const* features) {
  if (!(rate >= kLowestRate && rate <= kHighestRate))
    return nullptr;
  const LV2_URID_Map* map = nullptr;
  for (int i = 0; features != nullptr && features[i] != nullptr; ++i) {
    if (std::strcmp(features[i]->URI, LV2_URID__map) == 0)
      map = static_cast<const LV2_URID_Map*>(features[i]->data);
  }
  if (map == nullptr)
    return nullptr;
  // The engine state holds the sine memos (about 200 KiB): on the heap,
  // here, never in run().
  std::unique_ptr<Instance> p(new (std::nothrow) Instance);
  if (!p)
    return nullptr;
  p->MidiEvent = map->map(map->handle, LV2_MIDI__MidiEvent);
  p->Rate = rate;
  for (int c = 0; c < kControlCount; ++c)
    p->Ranges[c] = RangeOf(c + kFirstKnobPort);
  Reset(*p);
  return p.release();
}

void ConnectPort(LV2_Handle handle, uint32_t port, void* data) {
  Instance& p = *static_cast<Instance*>(handle);
  if (port == kMidiInPort)
    p.MidiIn = static_cast<const LV2_Atom_Sequence*>(data);
  else if (port == kAudioOutPort)
    p.AudioOut = static_cast<float*>(data);
  else if (port < kPortCount)
    p.Controls[port - kFirstKnobPort] = static_cast<const float*>(data);
}

void Activate(LV2_Handle handle) { Reset(*static_cast<Instance*>(handle)); }

void Run(LV2_Handle handle, uint32_t frames) noexcept VELMORA_NONBLOCKING {
  Instance& p = *static_cast<Instance*>(handle);
  if (p.AudioOut == nullptr)
    return;
  ReadControls(p);
  uint32_t done = 0;
  if (p.MidiIn != nullptr && p.MidiIn->atom.size >= sizeof(LV2_Atom_Sequence_Body)) {
    const auto* body = &p.MidiIn->body;
    const auto* end = reinterpret_cast<const uint8_t*>(body) + p.MidiIn->atom.size;
    for (const LV2_Atom_Event* ev = lv2_atom_sequence_begin(body);
         reinterpret_cast<const uint8_t*>(ev) + sizeof(LV2_Atom_Event) <= end;
         ev = lv2_atom_sequence_next(ev)) {
      const uint8_t* bytes = static_cast<const uint8_t*>(LV2_ATOM_BODY_CONST(&ev->body));
      // An event that claims more bytes than the sequence holds ends it.
      if (ev->body.size > static_cast<size_t>(end - bytes))
        break;
      if (ev->body.type != p.MidiEvent)
        continue;
      const std::optional<uint32_t> word =
          PackShortMessage(std::span<const uint8_t>(bytes, ev->body.size));
      if (!word)
        continue;
      // Events out of order or past the block apply where the render stands.
      const int64_t at = std::clamp<int64_t>(ev->time.frames, done, frames);
      const auto until = static_cast<uint32_t>(at);
      RenderBlock(p.Engine, p.AudioOut + done, until - done);
      done = until;
      HandleMidiData(p.Engine, *word);
    }
  }
  RenderBlock(p.Engine, p.AudioOut + done, frames - done);
}

void Cleanup(LV2_Handle handle) { delete static_cast<Instance*>(handle); }

const void* ExtensionData(const char*) { return nullptr; }

const LV2_Descriptor kDescriptor = {kPluginUri, Instantiate, ConnectPort, Activate,
                                    Run,        nullptr,     Cleanup,     ExtensionData};

} // namespace

} // namespace velmora::lv2

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
  return index == 0 ? &velmora::lv2::kDescriptor : nullptr;
}
