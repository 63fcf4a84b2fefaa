// Window building through the fake toolkit: every control where it belongs,
// and the failures that must not stop it.
#include "core/ids.h"
#include "core/state.h"
#include "support/fake_toolkit.h"
#include "support/test_support.h"
#include "ui/window.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

class WindowBuilding : public ::testing::Test {
protected:
  void SetUp() override {
    fake::Reset();
    InitSynthState(); // MixMode 0 until the selector is built
  }
};

TEST_F(WindowBuilding, BuildsTheFixedControlsWithTheirLooks) {
  BuildWindow();
  const fake::World& w = fake::Get();
  EXPECT_EQ(w.Title, "Velmora");
  EXPECT_EQ(w.ClientWidth, 665);
  EXPECT_EQ(w.ClientHeight, 465);
  EXPECT_TRUE(w.WindowShown);
  EXPECT_EQ(w.WindowColour, Rgb(85, 0, 0));
  ASSERT_EQ(w.MenuItems.size(), 1u);
  EXPECT_EQ(w.MenuItems[0], "?/1/About");
  EXPECT_EQ(Synth.MixMode, 1);

  struct Expected {
    int id, x, y, width, height;
    const char* text;
  };
  const Expected labels[] = {
      {50, 170, 290, 30, 20, "-Add"},      {51, 170, 320, 25, 20, "-FM"},
      {52, 170, 350, 25, 20, "-AM"},       {62, 260, 135, 60, 20, "Attack"},
      {66, 180, 142, 30, 20, "Sync"},      {68, 585, 197, 50, 20, "Group"},
      {184, 445, 197, 90, 20, "Osc2Warp"}, {26, 170, 407, 45, 20, "Off"},
  };
  for (const Expected& e : labels) {
    const fake::Control& c = fake::ControlById(e.id);
    EXPECT_EQ(c.Kind, "label") << e.id;
    EXPECT_EQ(c.Text, e.text) << e.id;
    EXPECT_EQ(std::tie(c.X, c.Y, c.Width, c.Height), std::tie(e.x, e.y, e.width, e.height)) << e.id;
    EXPECT_EQ(c.TextColour, Rgb(255, 255, 255)) << e.id;
    EXPECT_EQ(c.Background, Rgb(85, 0, 0)) << e.id;
    EXPECT_NE(c.Font, 0) << e.id;
  }

  const fake::Control& selector = fake::ControlById(kModeSelectorCanvas);
  EXPECT_TRUE(selector.Sunken);
  EXPECT_EQ(std::tie(selector.X, selector.Y, selector.Width, selector.Height),
            std::make_tuple(140, 285, 20, 85));
  EXPECT_EQ(PixelAt(selector.Picture, 5, 1), Rgb(0, 0, 0));        // block at the top
  EXPECT_EQ(PixelAt(selector.Picture, 5, 60), Rgb(237, 237, 237)); // light below it

  for (int id : {kSyncButton, kOsc1GroupButtonCanvas, kOsc2GroupButtonCanvas}) {
    const fake::Control& b = fake::ControlById(id);
    EXPECT_EQ(b.Width, 41);
    EXPECT_EQ(PixelAt(b.Picture, 20, 20), Rgb(255, 255, 255)) << id; // off look
    EXPECT_EQ(PixelAt(b.Picture, 0, 0), Rgb(85, 0, 0)) << id;
  }
  for (int id : {kOsc1WarpCanvas, kOsc2WarpCanvas}) {
    const fake::Control& c = fake::ControlById(id);
    EXPECT_EQ(c.Width, 200);
    EXPECT_EQ(PixelAt(c.Picture, 160 + 3, 180 - 2), Rgb(255, 0, 0)) << id; // point 4
  }

  std::vector<std::string> groups;
  for (int id : w.Order)
    if (w.Controls.at(id).Kind == "group")
      groups.push_back(w.Controls.at(id).Text);
  EXPECT_EQ(groups, (std::vector<std::string>{"OSC", "ADSR", "WARP", "MIDI"}));
}

TEST_F(WindowBuilding, NoPortsLeavesAnEmptyListAndNoDevice) {
  BuildWindow(); // this machine has no MIDI input port
  EXPECT_TRUE(fake::ControlById(kMidiPortList).Items.empty());
  EXPECT_EQ(Synth.MidiDevice, -1);
}

TEST_F(WindowBuilding, FailuresLeaveTheRestBuilt) {
  fake::Get().MenuFails = true;
  fake::Get().FontFails = true;
  BuildWindow();
  EXPECT_TRUE(fake::Get().MenuItems.empty());
  EXPECT_EQ(fake::ControlById(50).Font, 0);
  EXPECT_EQ(fake::ControlById(26).Text, "Off");
  EXPECT_EQ(Synth.MixMode, 1);
  EXPECT_EQ(fake::ControlById(Synth.Knobs[5].ValueLabel).Text, "50");
}

} // namespace
} // namespace velmora
