// The four toolkit calls the MIDI code makes, recorded for the MIDI tests.
// Kept apart from the user-interface tests' fake so these tests build and run
// whatever state the window code is in.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace velmora::midi_test {

struct ToolkitRecord {
  std::map<int, std::vector<std::string>> DropDownItems; // by identifier
  std::map<int, int> Selected;                           // drop-down identifier -> position
  std::map<int, std::string> Labels;                     // label identifier -> text
};

ToolkitRecord& Toolkit();
void ResetToolkit();
// tk::Wake() calls so far; Wake may come from any thread.
int Wakes();

} // namespace velmora::midi_test
