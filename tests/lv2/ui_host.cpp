// A host with two windows of the plugin in one process, as a sequencer with
// two instances has them: each in a top-level window of its own, both
// driven from one idle loop on one thread, every port write echoed back as
// a host does.
//   ui_host BUNDLE_DIR
// Prints "up I SECONDS" when window I is up and "write I PORT VALUE" for
// every port write; reads "close I" and "quit" on standard input.
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

struct Instance {
  int Number = 0;
  const LV2UI_Descriptor* Descriptor = nullptr;
  LV2UI_Handle Handle = nullptr;
  Window Parent = 0;
};

Instance Instances[2];
Display* HostDisplay = nullptr;

void Write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t, const void* data) {
  auto* instance = static_cast<Instance*>(controller);
  if (size != sizeof(float))
    return;
  std::printf("write %d %u %g\n", instance->Number, port, *static_cast<const float*>(data));
  std::fflush(stdout);
  instance->Descriptor->port_event(instance->Handle, port, size, 0, data);
}

int Resize(LV2UI_Feature_Handle handle, int width, int height) {
  auto* instance = static_cast<Instance*>(handle);
  XResizeWindow(HostDisplay, instance->Parent, static_cast<unsigned>(width),
                static_cast<unsigned>(height));
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2)
    return 2;
  void* library = dlopen((std::string(argv[1]) + "/velmora_ui.so").c_str(), RTLD_NOW);
  auto* entry = library
                    ? reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"))
                    : nullptr;
  Display* display = HostDisplay = XOpenDisplay(nullptr);
  if (entry == nullptr || display == nullptr)
    return 1;
  using Clock = std::chrono::steady_clock;
  for (int i = 0; i < 2; ++i) {
    Instance& instance = Instances[i];
    instance.Number = i;
    instance.Descriptor = entry(0);
    instance.Parent =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 500 * i, 100, 100, 0, 0, 0);
    XMapWindow(display, instance.Parent);
    XSync(display, False);
    const Clock::time_point asked = Clock::now();
    LV2UI_Resize resize{&instance, Resize};
    const LV2_Feature parent{LV2_UI__parent, reinterpret_cast<void*>(instance.Parent)};
    const LV2_Feature resizing{LV2_UI__resize, &resize};
    const LV2_Feature idle{LV2_UI__idleInterface, nullptr};
    const LV2_Feature* features[] = {&parent, &resizing, &idle, nullptr};
    LV2UI_Widget widget = nullptr;
    instance.Handle =
        instance.Descriptor->instantiate(instance.Descriptor, "https://velmora.example/lv2/velmora",
                                         argv[1], Write, &instance, &widget, features);
    if (instance.Handle == nullptr)
      return 1;
    XSync(display, False);
    const std::chrono::duration<double> up = Clock::now() - asked;
    std::printf("up %d %.4f\n", i, up.count());
  }
  std::fflush(stdout);
  auto* idle = static_cast<const LV2UI_Idle_Interface*>(
      Instances[0].Descriptor->extension_data(LV2_UI__idleInterface));
  for (;;) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    if (poll(&input, 1, 33) > 0) {
      std::string command;
      int number = 0;
      if (!(std::cin >> command) || command == "quit")
        break;
      if (command == "close" && std::cin >> number && Instances[number].Handle) {
        Instances[number].Descriptor->cleanup(Instances[number].Handle);
        Instances[number].Handle = nullptr;
        XDestroyWindow(display, Instances[number].Parent);
        XSync(display, False);
        std::printf("closed %d\n", number);
        std::fflush(stdout);
      }
    }
    for (Instance& instance : Instances)
      if (instance.Handle)
        idle->idle(instance.Handle);
  }
  for (Instance& instance : Instances)
    if (instance.Handle)
      instance.Descriptor->cleanup(instance.Handle);
  XCloseDisplay(display);
  return 0;
}
