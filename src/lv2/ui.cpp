// The plugin's window: the program's window, without its MIDI box and menu,
// inside the host's. It never touches the plugin: a knob or point moved here
// is written to the control port through the host, which records, automates
// and saves it; whatever the host sets on a port (automation, a preset,
// another view of the same plugin) comes back through PortEvent and moves
// the painted control. Each instance has its own window and X connection.
#include "lv2/ports.h"
#include "ui/toolkit_x11.h"
#include "ui/window.h"

#include <lv2/ui/ui.h>

#include <cstring>
#include <memory>

namespace {

using namespace velmora;

// Sends the window's settings to the host as control port values.
class HostPorts final : public ParameterSink {
public:
  HostPorts(LV2UI_Write_Function write, LV2UI_Controller controller)
      : write_(write), controller_(controller) {}
  void Set(int control, int value) override {
    const float v = static_cast<float>(value);
    write_(controller_, static_cast<uint32_t>(lv2::kFirstKnobPort + control), sizeof v, 0, &v);
  }

private:
  LV2UI_Write_Function write_;
  LV2UI_Controller controller_;
};

struct PluginWindow {
  PluginWindow(LV2UI_Write_Function write, LV2UI_Controller controller)
      : Ports(write, controller), Shown(Ports) {}
  HostPorts Ports;
  Window Shown;
  tk::Window* Toolkit = nullptr;
};

const void* Feature(const LV2_Feature* const* features, const char* uri) {
  for (; features && *features; ++features)
    if (std::strcmp((*features)->URI, uri) == 0)
      return (*features)->data;
  return nullptr;
}

LV2UI_Handle Instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller,
                         LV2UI_Widget* widget, const LV2_Feature* const* features) {
  const void* parent = Feature(features, LV2_UI__parent);
  if (std::strcmp(pluginUri, lv2::kPluginUri) != 0 || parent == nullptr || write == nullptr)
    return nullptr;
  auto ui = std::make_unique<PluginWindow>(write, controller);
  ui->Toolkit = tk::OpenChildWindow(reinterpret_cast<unsigned long>(parent), kPluginWindowWidth,
                                    kPluginWindowHeight);
  if (ui->Toolkit == nullptr)
    return nullptr;
  BuildControls(ui->Shown, *ui->Toolkit, WindowParts::SoundControls);
  tk::ShowWindow(*ui->Toolkit);
  if (const auto* resize = static_cast<const LV2UI_Resize*>(Feature(features, LV2_UI__resize)))
    resize->ui_resize(resize->handle, kPluginWindowWidth, kPluginWindowHeight);
  *widget = reinterpret_cast<LV2UI_Widget>(tk::WindowId(*ui->Toolkit));
  return ui.release();
}

void Cleanup(LV2UI_Handle handle) {
  auto* ui = static_cast<PluginWindow*>(handle);
  tk::CloseWindow(ui->Toolkit);
  delete ui;
}

void PortEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format,
               const void* buffer) {
  auto* ui = static_cast<PluginWindow*>(handle);
  const int control = static_cast<int>(port) - lv2::kFirstKnobPort;
  if (format != 0 || size != sizeof(float) || control < 0 || control >= kControlCount)
    return;
  ShowControl(ui->Shown, control, *static_cast<const float*>(buffer));
}

// The host's GUI thread calls this some 30 times a second: every X event
// that came meanwhile is answered, then one pass without an event carries a
// knob drag on, as the program's event loop does when its wait times out.
int Idle(LV2UI_Handle handle) {
  auto* ui = static_cast<PluginWindow*>(handle);
  for (;;) {
    const tk::Event e = tk::WaitWindowEvent(*ui->Toolkit, 0);
    if (tk::WindowGone(*ui->Toolkit))
      return 1; // closed
    WindowStep(ui->Shown, e);
    if (e.Kind == tk::EventKind::None)
      return 0;
  }
}

const void* ExtensionData(const char* uri) {
  static const LV2UI_Idle_Interface idle = {Idle};
  return std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &idle : nullptr;
}

const LV2UI_Descriptor kDescriptor = {lv2::kUiUri, Instantiate, Cleanup, PortEvent, ExtensionData};

} // namespace

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
  return index == 0 ? &kDescriptor : nullptr;
}
