#include "ui/controls.h"

#include "ui/ids.h"
#include "ui/raster.h"

namespace velmora {

namespace {

constexpr Colour kSelectorBackground = Rgb(237, 237, 237);
constexpr Colour kSelectorBlock = Rgb(0, 0, 0);
constexpr Colour kSelectorStripe = Rgb(153, 153, 153);

// The selector is drawn in the coordinates of its outer size; the raster
// clips what lies outside its surface.
constexpr int kBlockHeight = 30;

constexpr Colour kButtonDark = Rgb(136, 51, 34);
constexpr Colour kButtonLight = Rgb(255, 255, 255);
constexpr int kDiscCentre = 20;
constexpr int kDiscRadius = 20;

int BlockTop(int position) { return (position - 1) * 25; }

void PaintDisc(Raster& r, bool on) {
  // Off: light centre darkening to the rim. On: dark centre, set a little
  // below and to the right, lightening over a wider radius.
  if (!on)
    SetCircularGradient(r, 20, 20, 28, kButtonLight, kButtonDark);
  else
    SetCircularGradient(r, 22, 22, 51, kButtonDark, kButtonLight);
  DrawCircle(r, kDiscCentre, kDiscCentre, kDiscRadius, kButtonDark);
}

// Where the selector goes from `current` for a pointer at row y: the bands
// overlap so that it does not flip back and forth at a boundary.
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

} // namespace

bool DrawRoundButton(tk::Window& w, int canvas, bool on) {
  Raster* r = tk::BeginDrawing(w, canvas);
  if (r == nullptr)
    return false;
  PaintDisc(*r, on);
  tk::EndDrawing(w, canvas);
  return true;
}

bool DrawModeSelector(tk::Window& w, int position) {
  Raster* r = tk::BeginDrawing(w, kModeSelectorCanvas);
  if (r == nullptr)
    return false;
  const int top = BlockTop(position);
  SetPlainMode(*r);
  FillBox(*r, 0, 0, kSelectorWidth, kSelectorHeight, kSelectorBackground);
  FillBox(*r, 0, top, kSelectorWidth, kBlockHeight, kSelectorBlock);
  // 16 stripes every other row; the last lies one row below the block.
  for (int stripeY = top; stripeY <= top + kBlockHeight; stripeY += 2)
    DrawLine(*r, 0, stripeY, kSelectorWidth - 1, stripeY, kSelectorStripe);
  tk::EndDrawing(w, kModeSelectorCanvas);
  return true;
}

void ModeSelectorStep(Window& w, const tk::Event& current) {
  if (current.Kind != tk::EventKind::Control || current.Control != kModeSelectorCanvas)
    return;
  const bool press = current.Type == tk::EventType::LeftDown;
  const bool drag =
      current.Type == tk::EventType::MouseMove && (current.Buttons & tk::kLeftButton) != 0;
  if (!press && !drag)
    return;
  const int next = NextSelectorPosition(w.Mode, current.Y);
  // Paint first: the audio thread must never hear a mode the selector does
  // not show.
  if (next != w.Mode && DrawModeSelector(*w.Toolkit, next)) {
    w.Mode = next;
    w.Sink.Set(kModeControl, next);
  }
}

bool DrawRoundButtonFirst(tk::Window& w, int canvas, Colour panel) {
  Raster* r = tk::BeginDrawing(w, canvas);
  if (r == nullptr)
    return false;
  SetPlainMode(*r);
  FillBox(*r, 0, 0, kRoundButtonSide, kRoundButtonSide, panel);
  PaintDisc(*r, false);
  tk::EndDrawing(w, canvas);
  return true;
}

void RoundButtonStep(Window& w, const tk::Event& current) {
  if (current.Kind != tk::EventKind::Control || current.Type != tk::EventType::LeftDown)
    return;
  bool* toggled = current.Control == kSyncButton              ? &w.Sync
                  : current.Control == kOsc1GroupButtonCanvas ? &w.Warp[0].GroupMode
                  : current.Control == kOsc2GroupButtonCanvas ? &w.Warp[1].GroupMode
                                                              : nullptr;
  if (toggled == nullptr || !DrawRoundButton(*w.Toolkit, current.Control, !*toggled))
    return;
  *toggled = !*toggled;
  if (toggled == &w.Sync)
    w.Sink.Set(kSyncControl, w.Sync ? 1 : 0);
}

} // namespace velmora
