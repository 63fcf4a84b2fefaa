// The command line of velmora-render: what the window's controls would set,
// in the units the window shows, and how the render ends.
#pragma once

#include "core/controls.h"

#include <array>
#include <optional>
#include <string>

namespace velmora {

struct RenderOptions {
  std::string Input;  // Standard MIDI File
  std::string Output; // WAV file
  // The knobs in window order, as they show them: pitch offsets in cents
  // (-1199..1200), then Mix, Attack, Decay, Sustain, Release.
  std::array<int, kKnobCount> Knobs{};
  int Mode = 1; // MixMode: 1 add, 2 fm, 3 am
  bool Sync = false;
  std::array<std::array<CanvasPoint, kWarpPoints>, 2> Points{}; // [oscillator][keyframe]
  // Seconds rendered after the file's last event; none: until the release of
  // the last note has died away.
  std::optional<double> TailSeconds;
};

// The controls as the synth shows them at start-up.
RenderOptions DefaultOptions();

struct CommandLine {
  enum class Action { Render, Help, Version, Refuse };
  Action Do = Action::Refuse;
  RenderOptions Options;
  std::string Error; // for Refuse: what was wrong, naming the argument
};

// Reads the arguments after the program name.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// Usage and options, laid out so that help2man can make a manual page of it.
std::string HelpText();
std::string VersionText();

// Start-up state with the options applied, as the synth has it when its
// stream starts after the user has set these controls: mode, knobs, Sync,
// warp points, and the gate closed.
void PrepareEngine(EngineState& s, const RenderOptions& options);

} // namespace velmora
