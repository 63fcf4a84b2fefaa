// A host with two windows of the plugin in one process, as a sequencer with
// two instances has them: each in a top-level window of its own, both
// driven from one idle loop on one thread, every port write echoed back as
// a host does.
//   ui_host BUNDLE_DIR
// Prints "up I SECONDS" when window I is up and "write I PORT VALUE" for
// every port write; reads "close I" on standard input.
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <lv2/ui/ui.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

const LV2UI_Descriptor* Ui = nullptr;
LV2UI_Handle Handles[2] = {};

void Write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t, const void* data) {
  auto* handle = static_cast<LV2UI_Handle*>(controller);
  std::printf("write %d %u %g\n", static_cast<int>(handle - Handles), port,
              *static_cast<const float*>(data));
  std::fflush(stdout);
  Ui->port_event(*handle, port, size, 0, data);
}

} // namespace

int main(int, char** argv) {
  void* library = dlopen((std::string(argv[1]) + "/velmora_ui.so").c_str(), RTLD_NOW);
  Display* display = XOpenDisplay(nullptr);
  if (library == nullptr || display == nullptr)
    return 1;
  Ui = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"))(0);
  Window parents[2];
  for (int i = 0; i < 2; ++i) {
    parents[i] =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 500 * i, 665, 440, 0, 0, 0);
    XMapWindow(display, parents[i]);
    XSync(display, False);
    const auto asked = std::chrono::steady_clock::now();
    const LV2_Feature parent{LV2_UI__parent, reinterpret_cast<void*>(parents[i])};
    const LV2_Feature idle{LV2_UI__idleInterface, nullptr};
    const LV2_Feature* features[] = {&parent, &idle, nullptr};
    LV2UI_Widget widget = nullptr;
    Handles[i] = Ui->instantiate(Ui, "https://velmora.example/lv2/velmora", argv[1], Write,
                                 &Handles[i], &widget, features);
    if (Handles[i] == nullptr)
      return 1;
    const std::chrono::duration<double> up = std::chrono::steady_clock::now() - asked;
    std::printf("up %d %.4f\n", i, up.count());
  }
  std::fflush(stdout);
  auto* idle = static_cast<const LV2UI_Idle_Interface*>(Ui->extension_data(LV2_UI__idleInterface));
  for (;;) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    std::string command;
    int i = 0;
    if (poll(&input, 1, 33) > 0 && std::cin >> command >> i && Handles[i] != nullptr) {
      XDestroyWindow(display, parents[i]); // and the plugin's window in it, as some hosts do
      XSync(display, False);
      Ui->cleanup(Handles[i]);
      Handles[i] = nullptr;
      std::printf("closed %d\n", i);
      std::fflush(stdout);
    }
    for (LV2UI_Handle handle : Handles)
      if (handle != nullptr)
        idle->idle(handle);
  }
}
