// The synth's window as an object: its controls, what they show, and the one
// path by which it reaches an engine, the parameter sink it is handed. Any
// number of windows may live in one process, each over its own sink.
#pragma once

#include "core/controls.h"
#include "ui/knob.h"
#include "ui/toolkit.h"
#include "ui/warpeditor.h"

#include <array>
#include <string>

namespace velmora {

constexpr int kClientWidth = 665;
constexpr int kClientHeight = 465;
// The window inside a plugin host: the sound's controls alone, as the
// program's window shows them below its menu bar.
constexpr int kMenuBarHeight = 25;
constexpr int kPluginWindowWidth = kClientWidth;
constexpr int kPluginWindowHeight = kClientHeight - kMenuBarHeight;

// The program's window has the "?" menu and the MIDI box (its port list and
// note label) besides the sound's controls; a plugin's has the sound's
// controls alone, as the host plays the notes.
enum class WindowParts { Program, SoundControls };

struct Window {
  explicit Window(ParameterSink& sink) : Sink(sink) {}

  ParameterSink& Sink;
  tk::Window* Toolkit = nullptr; // set by BuildWindow
  Colour PanelColour = Rgb(85, 0, 0);
  std::array<Knob, kKnobCount> Knobs{};
  int HeldKnob = -1; // the knob being turned, by index; -1 none
  int Mode = kStartMode;
  bool Sync = false;
  std::array<WarpEditor, 2> Warp{WarpEditor{0}, WarpEditor{1}}; // by oscillator
  // The current event as the steps read it (see WindowStep).
  tk::Event Current;
};

// Opens the program's window and builds its controls with their first
// drawings, sending the mode to the sink as the selector is drawn;
// ShowWindow puts it on the screen. Nothing here can fail: a control that
// cannot be drawn stays blank, a missing font leaves the default one.
void BuildWindow(Window& w);
// Builds the controls on a toolkit window opened elsewhere. Only the
// program's window sends the mode: a host already holds every value.
void BuildControls(Window& w, tk::Window& tw, WindowParts parts);

// Shows a control's value set from outside (a host's automation, preset or
// other view): the painted control moves, nothing goes to the sink. Values
// are clamped to the control's range; a control being dragged here keeps
// following the pointer.
void ShowControl(Window& w, int control, double value);

// Answers one event (Kind None when a wait timed out): the About item, the
// mode selector, the knob step, the round buttons and the warp editors, in
// that order. A wait that timed out leaves the previous event's type and
// control in place, while its pointer position and buttons read 0; only the
// knob step looks at the type without the kind.
void WindowStep(Window& w, const tk::Event& next);

// Text of the About box, one line per "\n".
std::string AboutText();

} // namespace velmora
