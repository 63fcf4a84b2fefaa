#include "ui/window.h"

#include "core/state.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/knob.h"
#include "ui/portlist.h"
#include "ui/toolkit.h"
#include "ui/warpeditor.h"

namespace velmora {

namespace {

struct FixedLabel {
  int id, x, y, width, height;
  const char* text;
};

// In creation order.
constexpr FixedLabel kLabels[] = {
    {kAddLabel, 170, 290, 30, 20, "-Add"},
    {kFmLabel, 170, 320, 25, 20, "-FM"},
    {kAmLabel, 170, 350, 25, 20, "-AM"},
    {kAttackLabel, 260, 135, 60, 20, "Attack"},
    {kDecayLabel, 360, 135, 60, 20, "Decay"},
    {kSustainLabel, 460, 135, 60, 20, "Sustain"},
    {kReleaseLabel, 560, 135, 60, 20, "Release"},
    {kSyncLabel, 180, 142, 30, 20, "Sync"},
    {kOsc1GroupLabel, 380, 197, 50, 20, "Group"},
    {kOsc2GroupLabel, 585, 197, 50, 20, "Group"},
    {kOsc1Label, 130, 80, 50, 20, "Osc 1"},
    {kOsc2Label, 130, 200, 50, 20, "Osc 2"},
    {kOsc1WarpLabel, 240, 197, 90, 20, "Osc1Warp"},
    {kOsc2WarpLabel, 445, 197, 90, 20, "Osc2Warp"},
    {kNoteLabel, 170, 407, 45, 20, "Off"},
};

constexpr Colour kWhite = Rgb(255, 255, 255);

} // namespace

void BuildWindow() {
  SynthState& s = Synth;
  tk::OpenWindow(kClientWidth, kClientHeight, "Velmora");
  if (tk::CreateMenu(kMenu))
    tk::AddMenuItem("?", kAboutMenuItem, "About");

  tk::CreateDropDown(kMidiPortList, 32, 405, 130, 20);
  if (ListMidiPorts() > 0) {
    tk::SelectDropDownItem(kMidiPortList, 0);
    s.MidiDevice = 0;
  } else {
    s.MidiDevice = -1;
  }

  tk::CreateCanvas(kOsc1WarpCanvas, 237, 230, 200, 200, false, false);
  tk::CreateCanvas(kOsc2WarpCanvas, 443, 230, 200, 200, false, false);
  DrawWarpCanvas(1);
  DrawWarpCanvas(2);

  tk::CreateGroupBox(25, 5, 195, 371, "OSC");
  tk::CreateGroupBox(230, 5, 420, 155, "ADSR");
  tk::CreateGroupBox(230, 170, 420, 267, "WARP");
  tk::CreateGroupBox(25, 385, 195, 52, "MIDI");

  int font = 0;
  for (const FixedLabel& l : kLabels) {
    tk::CreateLabel(l.id, l.x, l.y, l.width, l.height, l.text);
    tk::SetLabelColours(l.id, kWhite, s.PanelColour);
    // Every label from "-Add" on has the small Arial face.
    if (l.id == kAddLabel)
      font = tk::LoadFont("Arial", 10);
    if (font != 0)
      tk::SetLabelFont(l.id, font);
  }

  tk::CreateCanvas(kModeSelectorCanvas, 140, 285, 20, 85, true, false);
  s.MixMode = 1;
  DrawModeSelector(1);

  tk::SetWindowColour(s.PanelColour);
  CreateKnobs(s.LastKnob);

  for (int id : {kSyncButton, kOsc1GroupButtonCanvas, kOsc2GroupButtonCanvas}) {
    tk::CreateCanvas(id,
                     id == kSyncButton              ? 132
                     : id == kOsc1GroupButtonCanvas ? 330
                                                    : 535,
                     id == kSyncButton ? 130 : 185, 41, 41, false, false);
    DrawRoundButtonFirst(id);
  }
  tk::ShowWindow();
}

} // namespace velmora
