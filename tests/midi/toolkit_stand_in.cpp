#include "midi/toolkit_stand_in.h"

#include "ui/toolkit.h"

#include <atomic>

namespace velmora::midi_test {

namespace {
ToolkitRecord Record;
std::atomic<int> WakeCount{0};
} // namespace

ToolkitRecord& Toolkit() { return Record; }
void ResetToolkit() {
  Record = ToolkitRecord{};
  WakeCount = 0;
}
int Wakes() { return WakeCount; }

} // namespace velmora::midi_test

namespace velmora::tk {

using midi_test::Record;

void AddDropDownItem(int id, const std::string& text) { Record.DropDownItems[id].push_back(text); }

int SelectedDropDownItem(int id) {
  const auto it = Record.Selected.find(id);
  return it == Record.Selected.end() ? -1 : it->second;
}

void SetLabelText(int id, const std::string& text) { Record.Labels[id] = text; }

void Wake() { midi_test::WakeCount++; }

} // namespace velmora::tk
