#include "ui/controls.h"

#include "core/state.h"
#include "ui/raster.h"

namespace velmora {

namespace {

constexpr Colour kSelectorBackground = Rgb(237, 237, 237);
constexpr Colour kSelectorBlock = Rgb(0, 0, 0);
constexpr Colour kSelectorStripe = Rgb(153, 153, 153);

// The selector is drawn in the coordinates of its 20 x 85 outer size; the
// sunken border leaves a 16 x 81 surface, and the raster clips the rest.
constexpr int kSelectorWidth = 20;
constexpr int kSelectorHeight = 85;
constexpr int kBlockHeight = 30;

constexpr Colour kButtonDark = Rgb(136, 51, 34);
constexpr Colour kButtonLight = Rgb(255, 255, 255);
constexpr int kButtonSide = 41;
constexpr int kDiscCentre = 20;
constexpr int kDiscRadius = 20;

int BlockTop(int position) { return (position - 1) * 25; }

void PaintDisc(Raster& r, int state) {
  // Off: light centre darkening to the rim. On: dark centre, set a little
  // below and to the right, lightening over a wider radius.
  if (state == 0)
    SetCircularGradient(r, 20, 20, 28, kButtonLight, kButtonDark);
  else
    SetCircularGradient(r, 22, 22, 51, kButtonDark, kButtonLight);
  DrawCircle(r, kDiscCentre, kDiscCentre, kDiscRadius, kButtonDark);
}

} // namespace

bool DrawModeSelector(int position) {
  Raster* r = tk::BeginDrawing(kModeSelectorCanvas);
  if (r == nullptr)
    return false;
  const int top = BlockTop(position);
  SetPlainMode(*r);
  FillBox(*r, 0, 0, kSelectorWidth, kSelectorHeight, kSelectorBackground);
  FillBox(*r, 0, top, kSelectorWidth, kBlockHeight, kSelectorBlock);
  // 16 stripes every other row; the last lies one row below the block.
  for (int stripeY = top; stripeY <= top + kBlockHeight; stripeY += 2)
    DrawLine(*r, 0, stripeY, kSelectorWidth - 1, stripeY, kSelectorStripe);
  tk::EndDrawing(kModeSelectorCanvas);
  return true;
}

int NextSelectorPosition(int current, int y) {
  switch (current) {
  case 1:
    if (y > 30 && y < 45)
      return 2;
    if (y > 45)
      return 3;
    break;
  case 2:
    if (y < 25)
      return 1;
    if (y > 55)
      return 3;
    break;
  case 3:
    if (y > 35 && y < 50)
      return 2;
    if (y < 35)
      return 1;
    break;
  }
  return current;
}

void ModeSelectorStep(const tk::Event& current) {
  if (current.Kind != tk::EventKind::Control || current.Control != kModeSelectorCanvas)
    return;
  const bool press = current.Type == tk::EventType::LeftDown;
  const bool drag =
      current.Type == tk::EventType::MouseMove && (current.Buttons & tk::kLeftButton) != 0;
  if (!press && !drag)
    return;
  const int position = Synth.MixMode;
  const int next = NextSelectorPosition(position, current.Y);
  // Paint first: the audio thread must never hear a mode the selector does
  // not show.
  if (next != position) {
    if (!DrawModeSelector(next))
      return;
    Synth.MixMode = next;
  }
  Synth.CanvasMouseX = current.X;
  Synth.CanvasMouseY = current.Y;
}

bool DrawRoundButton(int canvas, int state) {
  Raster* r = tk::BeginDrawing(canvas);
  if (r == nullptr)
    return false;
  PaintDisc(*r, state);
  tk::EndDrawing(canvas);
  return true;
}

bool DrawRoundButtonFirst(int canvas) {
  Raster* r = tk::BeginDrawing(canvas);
  if (r == nullptr)
    return false;
  SetPlainMode(*r);
  FillBox(*r, 0, 0, kButtonSide, kButtonSide, Synth.PanelColour);
  PaintDisc(*r, 0);
  tk::EndDrawing(canvas);
  return true;
}

void RoundButtonStep(const tk::Event& current) {
  if (current.Kind != tk::EventKind::Control || current.Type != tk::EventType::LeftDown)
    return;
  switch (current.Control) {
  case kSyncButton: {
    const int next = Synth.Sync == 0 ? 1 : 0;
    if (DrawRoundButton(kSyncButton, next))
      Synth.Sync = next;
    break;
  }
  case kOsc1GroupButtonCanvas: {
    const int next = Synth.Osc1GroupButton == 0 ? 1 : 0;
    if (DrawRoundButton(kOsc1GroupButtonCanvas, next))
      Synth.Osc1GroupButton = Synth.Osc1GroupDrag = next;
    break;
  }
  case kOsc2GroupButtonCanvas: {
    const int next = Synth.Osc2GroupButton == 0 ? 1 : 0;
    if (DrawRoundButton(kOsc2GroupButtonCanvas, next))
      Synth.Osc2GroupButton = Synth.Osc2GroupDrag = next;
    break;
  }
  default:
    break;
  }
}

} // namespace velmora
