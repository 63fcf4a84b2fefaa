#include "ui/window.h"
#include "core/ids.h"

#include "core/state.h"
#include "midi/midi.h"
#include "ui/controls.h"
#include "ui/knob.h"
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
    {50, 170, 290, 30, 20, "-Add"},        {51, 170, 320, 25, 20, "-FM"},
    {52, 170, 350, 25, 20, "-AM"},         {62, 260, 135, 60, 20, "Attack"},
    {63, 360, 135, 60, 20, "Decay"},       {64, 460, 135, 60, 20, "Sustain"},
    {65, 560, 135, 60, 20, "Release"},     {66, 180, 142, 30, 20, "Sync"},
    {67, 380, 197, 50, 20, "Group"},       {68, 585, 197, 50, 20, "Group"},
    {181, 130, 80, 50, 20, "Osc 1"},       {182, 130, 200, 50, 20, "Osc 2"},
    {183, 240, 197, 90, 20, "Osc1Warp"},   {184, 445, 197, 90, 20, "Osc2Warp"},
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
    if (l.id == 50)
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
