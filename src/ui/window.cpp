#include "ui/window.h"

#include "core/version.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/knobdrag.h"

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {

struct FixedLabel {
  int Id, X, Y, Width, Height;
  const char* Text;
};

// In creation order.
constexpr FixedLabel kLabels[] = {
    {kAddLabel, 170, 290, 30, 20, kModes[0].Label}, {kFmLabel, 170, 320, 25, 20, kModes[1].Label},
    {kAmLabel, 170, 350, 25, 20, kModes[2].Label},  {kAttackLabel, 260, 135, 60, 20, "Attack"},
    {kDecayLabel, 360, 135, 60, 20, "Decay"},       {kSustainLabel, 460, 135, 60, 20, "Sustain"},
    {kReleaseLabel, 560, 135, 60, 20, "Release"},   {kSyncLabel, 180, 142, 30, 20, "Sync"},
    {kOsc1GroupLabel, 380, 197, 50, 20, "Group"},   {kOsc2GroupLabel, 585, 197, 50, 20, "Group"},
    {kOsc1Label, 130, 80, 50, 20, "Osc 1"},         {kOsc2Label, 130, 200, 50, 20, "Osc 2"},
    {kOsc1WarpLabel, 240, 197, 90, 20, "Osc1Warp"}, {kOsc2WarpLabel, 445, 197, 90, 20, "Osc2Warp"},
    {kNoteLabel, 170, 407, 45, 20, "Off"},
};

struct Place {
  int Id, X, Y;
};
constexpr Place kRoundButtons[] = {{kSyncButton, 132, 130},
                                   {kOsc1GroupButtonCanvas, 330, 185},
                                   {kOsc2GroupButtonCanvas, 535, 185}};
constexpr Place kWarpCanvases[] = {{kOsc1WarpCanvas, 237, 230}, {kOsc2WarpCanvas, 443, 230}};

constexpr Colour kWhite = Rgb(255, 255, 255);

// A wait that timed out keeps the previous event's type and control.
void TakeEvent(tk::Event& current, const tk::Event& next) {
  if (next.Kind == tk::EventKind::None) {
    current.Kind = tk::EventKind::None;
    current.MenuItem = 0;
    current.X = current.Y = current.Buttons = 0;
    return;
  }
  current = next;
  if (next.Kind == tk::EventKind::Other) {
    current.Type = tk::EventType::None;
    current.X = current.Y = current.Buttons = 0;
  }
}

} // namespace

std::string AboutText() {
  // Lines joined by "\n": a lone carriage return shows as one garbled line
  // outside Windows.
  return std::string("Velmora v") + kVersion +
         " (Linux build)\n"
         "A Vector Phase Synthesizer\n"
         "'Help' is available at Quorvex site";
}

void BuildWindow(Window& w) {
  BuildControls(w, tk::OpenWindow(kClientWidth, kClientHeight, "Velmora"), WindowParts::Program);
}

void BuildControls(Window& w, tk::Window& tw, WindowParts parts) {
  const bool program = parts == WindowParts::Program;
  w.Toolkit = &tw;
  if (program) {
    tk::AddMenu(tw, "?", kAboutMenuItem, "About");
    tk::CreateDropDown(tw, kMidiPortList, 32, 405, 130, 20);
  }

  for (const Place& p : kWarpCanvases)
    tk::CreateCanvas(tw, p.Id, p.X, p.Y, kWarpCanvasSide, kWarpCanvasSide, false, false);
  for (const WarpEditor& e : w.Warp)
    DrawWarpCanvas(tw, e);

  tk::CreateGroupBox(tw, 25, 5, 195, 371, "OSC");
  tk::CreateGroupBox(tw, 230, 5, 420, 155, "ADSR");
  tk::CreateGroupBox(tw, 230, 170, 420, 267, "WARP");
  if (program)
    tk::CreateGroupBox(tw, 25, 385, 195, 52, "MIDI");

  int font = 0;
  for (const FixedLabel& l : kLabels) {
    if (l.Id == kNoteLabel && !program)
      continue;
    tk::CreateLabel(tw, l.Id, l.X, l.Y, l.Width, l.Height, l.Text);
    tk::SetLabelColours(tw, l.Id, kWhite, w.PanelColour);
    // Every label from "-Add" on has the small Arial face.
    if (l.Id == kAddLabel)
      font = tk::LoadFont("Arial", 10);
    if (font != 0)
      tk::SetLabelFont(tw, l.Id, font);
  }

  tk::CreateCanvas(tw, kModeSelectorCanvas, 140, 285, kSelectorWidth, kSelectorHeight, true, false);
  DrawModeSelector(tw, w.Mode);
  if (program)
    w.Sink.Set(kModeControl, w.Mode);

  tk::SetWindowColour(tw, w.PanelColour);
  CreateKnobs(tw, w.Knobs, w.PanelColour);

  for (const Place& p : kRoundButtons) {
    tk::CreateCanvas(tw, p.Id, p.X, p.Y, kRoundButtonSide, kRoundButtonSide, false, false);
    DrawRoundButtonFirst(tw, p.Id, w.PanelColour);
  }
}

void ShowControl(Window& w, int control, double value) {
  if (w.Toolkit == nullptr || !std::isfinite(value))
    return;
  tk::Window& tw = *w.Toolkit;
  const int v = static_cast<int>(std::nearbyint(std::clamp(value, -1e6, 1e6)));
  if (control >= 0 && control < kKnobCount && control != w.HeldKnob) {
    const KnobControl& kc = kKnobControls[control];
    Knob& knob = w.Knobs[control];
    const int knobValue = KnobValueFromShown(kc, std::clamp(v, ShownMin(kc), ShownMax(kc)));
    if (knobValue == knob.Value)
      return;
    knob.Value = knobValue;
    knob.Angle =
        static_cast<float>(knobValue - knob.Min) * 360.0f / static_cast<float>(knob.Max - knob.Min);
    DrawKnob(tw, knob, control);
    if (kc.Rule != KnobRule::Caption)
      tk::SetLabelText(tw, knob.ValueLabel, KnobLabel(kc, knobValue));
  } else if (control == kModeControl) {
    const int mode = std::clamp(v, 1, kModeCount);
    if (mode != w.Mode && DrawModeSelector(tw, mode))
      w.Mode = mode;
  } else if (control == kSyncControl) {
    const bool on = v != 0;
    if (on != w.Sync && DrawRoundButton(tw, kSyncButton, on))
      w.Sync = on;
  } else if (control >= kFirstPointControl && control < kControlCount) {
    const int i = control - kFirstPointControl;
    WarpEditor& editor = w.Warp[i / (2 * kWarpPoints)];
    CanvasPoint& point = editor.Points[i / 2 % kWarpPoints];
    int& coordinate = i % 2 == 1 ? point.Y : point.X;
    const int c = std::clamp(v, 0, kWarpCanvasSide);
    if (editor.Held != HeldPoint::None || c == coordinate)
      return;
    coordinate = c;
    DrawWarpCanvas(tw, editor);
  }
}

void WindowStep(Window& w, const tk::Event& next) {
  TakeEvent(w.Current, next);
  const tk::Event& e = w.Current;
  if (e.Kind == tk::EventKind::Menu && e.MenuItem == kAboutMenuItem)
    tk::MessageBox("About", AboutText());
  ModeSelectorStep(w, e);
  UpdateKnobDrag(w, e);
  RoundButtonStep(w, e);
  for (WarpEditor& editor : w.Warp)
    WarpEditorStep(*w.Toolkit, editor, e, w.Sink);
  // A release on either warp canvas ends the drags of both.
  if (e.Kind == tk::EventKind::Control && e.Type == tk::EventType::LeftUp &&
      (e.Control == kOsc1WarpCanvas || e.Control == kOsc2WarpCanvas)) {
    for (WarpEditor& editor : w.Warp)
      editor.Held = HeldPoint::None;
  }
}

} // namespace velmora
