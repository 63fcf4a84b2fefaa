#include "render/options.h"

#include "core/controls.h"
#include "core/presets.h"
#include "core/version.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace velmora {

namespace {

const char* const kPointRoles[4] = {"note start", "end of attack", "end of decay and sustain",
                                    "end of release"};

constexpr double kLongestTail = 3600; // seconds

bool ParseWhole(std::string_view text, int& value) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && stop == end && !text.empty();
}

// Built by appending: GCC 12 at -O3 warns falsely about "'" + std::string.
std::string Quoted(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted.append(1, '\'').append(text).append(1, '\'');
  return quoted;
}

// The factory sounds as hosts list them, each in double quotes as a shell
// takes a name with a space: "Warp Sweep", "Pluck", ...
std::string PresetNames() {
  std::string names;
  for (const velmora::Preset& p : kPresets)
    names.append(names.empty() ? "" : ", ").append(1, '"').append(p.Label).append(1, '"');
  return names;
}

bool SameInAnyCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

// A factory sound by the name hosts list (its label) or its dashed name, in
// any letter case: "FM Bass", "fm bass", fm-bass.
const velmora::Preset* FindPresetByAnyName(std::string_view name) {
  for (const velmora::Preset& p : kPresets) {
    if (SameInAnyCase(name, p.Label) || SameInAnyCase(name, p.Name))
      return &p;
  }
  return nullptr;
}

struct Parser {
  CommandLine Result;

  bool Refuse(std::string message) {
    Result.Do = CommandLine::Action::Refuse;
    Result.Error = std::move(message);
    return false;
  }

  bool Knob(const KnobControl& knob, std::string_view option, std::string_view value, int& out) {
    int v = 0;
    if (!ParseWhole(value, v))
      return Refuse(std::string(option) + ": " + Quoted(value) + " is not a whole number");
    if (v < ShownMin(knob) || v > ShownMax(knob))
      return Refuse(std::string(option) + ": " + std::string(value) + " is out of range; the " +
                    knob.Name + " knob goes from " + std::to_string(ShownMin(knob)) + " to " +
                    std::to_string(ShownMax(knob)));
    out = v;
    return true;
  }

  bool Point(std::string_view option, std::string_view value, CanvasPoint& out) {
    const size_t comma = value.find(',');
    CanvasPoint p;
    if (comma == std::string_view::npos || !ParseWhole(value.substr(0, comma), p.X) ||
        !ParseWhole(value.substr(comma + 1), p.Y))
      return Refuse(std::string(option) + ": expected X,Y, two whole numbers from 0 to 200, got " +
                    Quoted(value));
    if (p.X < 0 || p.X > kWarpCanvasSide || p.Y < 0 || p.Y > kWarpCanvasSide)
      return Refuse(std::string(option) + ": " + std::string(value) +
                    " is out of range; the warp canvas goes from 0 to 200 on both axes");
    out = p;
    return true;
  }

  // Every sound option from a factory sound; options after it change single
  // settings.
  bool Preset(std::string_view value) {
    const velmora::Preset* preset = FindPresetByAnyName(value);
    if (preset == nullptr)
      return Refuse("--preset: " + Quoted(value) + " is not a preset; use " + PresetNames() +
                    ", in any letter case, or the name in lowercase with dashes (fm-bass)");
    RenderOptions& o = Result.Options;
    o.Knobs = preset->Knobs;
    o.Mode = preset->Mode;
    o.Sync = preset->Sync;
    for (int osc = 0; osc < 2; ++osc) {
      for (int k = 0; k < kWarpPoints; ++k)
        o.Points[osc][k] = {preset->Points[osc][k][0], preset->Points[osc][k][1]};
    }
    return true;
  }

  bool Mode(std::string_view value) {
    for (int m = 0; m < kModeCount; ++m) {
      if (value == kModes[m].Option) {
        Result.Options.Mode = m + 1;
        return true;
      }
    }
    return Refuse("--mode: " + Quoted(value) + " is not a mode; use add, fm or am");
  }

  bool Tail(std::string_view value) {
    double seconds = 0;
    const char* end = value.data() + value.size();
    const auto [stop, error] = std::from_chars(value.data(), end, seconds);
    if (error != std::errc() || stop != end || value.empty() || !std::isfinite(seconds))
      return Refuse("--tail: " + Quoted(value) + " is not a number of seconds");
    if (seconds < 0 || seconds > kLongestTail)
      return Refuse("--tail: " + std::string(value) + " is out of range; it goes from 0 to " +
                    std::to_string(static_cast<int>(kLongestTail)) + " seconds");
    Result.Options.TailSeconds = seconds;
    return true;
  }

  static bool IsPointOption(std::string_view name) {
    // osc<N>-point<K>
    return name.size() == 11 && name.substr(0, 3) == "osc" && name.substr(4, 6) == "-point" &&
           name[3] >= '1' && name[3] <= '2' && name[10] >= '1' && name[10] <= '4';
  }

  static bool Known(std::string_view name) {
    for (const KnobControl& knob : kKnobControls) {
      if (name == knob.Option)
        return true;
    }
    return name == "mode" || name == "tail" || name == "preset" || IsPointOption(name);
  }

  // name is the option without its dashes. Returns false once refused.
  bool Valued(std::string_view name, std::string_view option, std::string_view value) {
    RenderOptions& o = Result.Options;
    for (int k = 0; k < kKnobCount; ++k) {
      if (name == kKnobControls[k].Option)
        return Knob(kKnobControls[k], option, value, o.Knobs[k]);
    }
    if (name == "preset")
      return Preset(value);
    if (name == "mode")
      return Mode(value);
    if (name == "tail")
      return Tail(value);
    if (IsPointOption(name))
      return Point(option, value, o.Points[name[3] - '1'][name[10] - '1']);
    return Refuse("unknown option " + Quoted(option));
  }
};

} // namespace

RenderOptions DefaultOptions() {
  RenderOptions o;
  for (int k = 0; k < kKnobCount; ++k)
    o.Knobs[k] = ShownKnobValue(kKnobControls[k], StartValue(kKnobControls[k]));
  o.Mode = kStartMode;
  o.Sync = false;
  for (auto& points : o.Points)
    std::copy(std::begin(kStartWarpPoints), std::end(kStartWarpPoints), points.begin());
  return o;
}

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  Parser parser;
  parser.Result.Options = DefaultOptions();
  RenderOptions& o = parser.Result.Options;
  std::array<std::string, 2> files;
  int fileCount = 0;
  bool optionsEnded = false;

  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool isOption = !optionsEnded && arg.size() > 1 && arg[0] == '-';
    if (!isOption) {
      if (fileCount == 2) {
        parser.Refuse("unexpected argument " + Quoted(arg) + " after IN.mid and OUT.wav");
        return parser.Result;
      }
      files[fileCount++] = std::string(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "-h" || arg == "--help") {
      parser.Result.Do = CommandLine::Action::Help;
      return parser.Result;
    }
    if (arg == "--version") {
      parser.Result.Do = CommandLine::Action::Version;
      return parser.Result;
    }
    if (arg.substr(0, 2) != "--") {
      parser.Refuse("unknown option " + Quoted(arg));
      return parser.Result;
    }
    const size_t equals = arg.find('=');
    const std::string_view option = arg.substr(0, equals);
    const std::string_view name = option.substr(2);
    if (name == "sync") {
      if (equals != std::string_view::npos) {
        parser.Refuse("--sync takes no value; leave it out for no sync");
        return parser.Result;
      }
      o.Sync = true;
      continue;
    }
    if (!Parser::Known(name)) {
      parser.Refuse("unknown option " + Quoted(option));
      return parser.Result;
    }
    std::string_view value;
    if (equals != std::string_view::npos) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < argc) {
      value = argv[++i];
    } else {
      parser.Refuse(std::string(option) + " needs a value");
      return parser.Result;
    }
    if (!parser.Valued(name, option, value))
      return parser.Result;
  }

  if (fileCount < 2) {
    parser.Refuse(fileCount == 0 ? "missing IN.mid and OUT.wav" : "missing OUT.wav");
    return parser.Result;
  }
  if (files[1] == "-") {
    // libsndfile writes no WAV file to a pipe: the header holds the lengths,
    // known only when the render ends.
    parser.Refuse("OUT.wav '-': a WAV file cannot be written to standard output, its header "
                  "holds its length; name a file (./- for one named '-')");
    return parser.Result;
  }
  o.Input = files[0];
  o.Output = files[1];
  parser.Result.Do = CommandLine::Action::Render;
  return parser.Result;
}

void PrepareEngine(EngineState& s, const RenderOptions& o) {
  InitEngineDefaults(s);
  for (int k = 0; k < kKnobCount; ++k)
    SetControl(s, k, o.Knobs[k]);
  SetControl(s, kModeControl, o.Mode);
  SetControl(s, kSyncControl, o.Sync ? 1 : 0);
  for (int osc = 0; osc < 2; ++osc) {
    for (int k = 0; k < kWarpPoints; ++k) {
      SetControl(s, PointControl(osc, k, false), o.Points[osc][k].X);
      SetControl(s, PointControl(osc, k, true), o.Points[osc][k].Y);
    }
  }
  // Start-up closes the gate just before the stream starts.
  s.Gate = 0;
}

std::string VersionText() { return std::string("velmora-render ") + kVersion + "\n"; }

std::string HelpText() {
  const RenderOptions d = DefaultOptions();
  const std::string rate = std::to_string(static_cast<int>(kSampleRate));
  std::string text =
      "Usage: velmora-render [OPTION]... IN.mid OUT.wav\n"
      "Play a Standard MIDI File through the Velmora synthesizer, offline, into a WAV file.\n"
      "\n"
      "IN.mid may be of format 0 or 1, timed in beats (following its tempo changes) or in\n"
      "SMPTE frames. All its tracks are merged; events at the same time come in track order.\n"
      "Its note-on and note-off messages on MIDI channel 1 play the synth exactly as they\n"
      "would from a keyboard: the synth is monophonic, follows the latest note-on, and keeps\n"
      "its gate open while any note is held. Everything else in the file is ignored. Each\n"
      "message takes effect at the sample nearest to its time, that is its exact time in\n"
      "seconds times " +
      rate +
      ", rounded to the nearest whole number with halves going to the\n"
      "even one. Notes still held when the file ends are released there. A damaged file is\n"
      "refused with the reason, and nothing is written.\n"
      "\n"
      "OUT.wav receives " +
      rate +
      " Hz mono 32-bit float samples, exactly those the synth would play\n"
      "for the same notes; the same IN.mid and options give the same file, byte for byte (it\n"
      "has no PEAK chunk, which would hold the time of writing). The file is written without a\n"
      "name in the directory of OUT.wav and takes its name only once the render has succeeded,\n"
      "so a failed or interrupted render leaves nothing behind. An existing OUT.wav is replaced\n"
      "whole then, keeping its permissions, and left as it was otherwise; one you may not write\n"
      "is not replaced. IN.mid and OUT.wav must not be the same file. OUT.wav cannot be -\n"
      "(standard output): the header of a WAV file holds its length, known only at the end.\n"
      "\n"
      "The sound options set what the controls of the synth's window set, in the units the\n"
      "window shows. Without them the synth sounds as it does at start-up.\n";
  // Option on the left, its meaning wrapped into a column on the right.
  auto line = [&text](const std::string& option, const std::string& meaning) {
    constexpr size_t kColumn = 24, kWidth = 80;
    std::string row = "  " + option;
    row.resize(std::max(row.size() + 1, kColumn), ' ');
    if (row.size() > kColumn) {
      text += row + "\n";
      row.assign(kColumn, ' ');
    }
    size_t used = kColumn;
    size_t at = 0;
    while (at < meaning.size()) {
      size_t next = meaning.find(' ', at);
      if (next == std::string::npos)
        next = meaning.size();
      // A number and its unit stay on one line.
      for (const char* unit : {" s", " ms"}) {
        const size_t n = std::strlen(unit);
        if (meaning.compare(next, n, unit) == 0 &&
            (next + n == meaning.size() || std::strchr(" ,)", meaning[next + n]) != nullptr))
          next = meaning.find(' ', next + n) == std::string::npos ? meaning.size()
                                                                  : meaning.find(' ', next + n);
      }
      // A name in double quotes stays on one line.
      if (meaning[at] == '"' && meaning.find('"', at + 1) != std::string::npos)
        next = std::min(meaning.size(), meaning.find(' ', meaning.find('"', at + 1)));
      const std::string word = meaning.substr(at, next - at);
      if (used > kColumn && used + 1 + word.size() > kWidth) {
        text += row + "\n";
        row.assign(kColumn, ' ');
        used = kColumn;
      }
      if (used > kColumn) {
        row += ' ';
        ++used;
      }
      row += word;
      used += word.size();
      at = next + 1;
    }
    text += row + "\n";
  };
  text += "\nSound options:\n";
  for (int k = 0; k < kKnobCount; ++k) {
    const KnobControl& knob = kKnobControls[k];
    line(std::string("--") + knob.Option + "=N",
         std::string(knob.Meaning) + ", " + std::to_string(ShownMin(knob)) + " to " +
             std::to_string(ShownMax(knob)) + " (default " + std::to_string(d.Knobs[k]) + ")");
  }
  line("--preset=NAME", "start from a factory sound, named as LV2 hosts list it: " + PresetNames() +
                            ", in any letter case, or in lowercase with dashes (fm-bass); sound "
                            "options after it change single settings");
  line("--mode=MODE", std::string("how the oscillators combine: add, fm or am (default ") +
                          kModes[d.Mode - 1].Option + ")");
  line("--sync", std::string("oscillator 2 restarts with every period of oscillator 1 (default ") +
                     (d.Sync ? "on" : "off") + ")");
  std::string points = "warp point K (1 to 4) of oscillator N (1 or 2), in canvas pixels from 0 "
                       "to 200, x to the right and y downward. By default both oscillators have";
  for (int k = 0; k < 4; ++k) {
    points += " point " + std::to_string(k + 1) + " at " + std::to_string(d.Points[0][k].X) + "," +
              std::to_string(d.Points[0][k].Y) + " (" + kPointRoles[k] + ")" + (k < 3 ? "," : ".");
  }
  line("--oscN-pointK=X,Y", points);
  text += "\nRender options:\n";
  line("--tail=SECONDS", "render exactly this many seconds after the file's last event, "
                         "0 to 3600, fractions allowed; without it the render ends with the "
                         "last sample of the release of the last note");
  line("-h, --help", "show this help and exit");
  line("--version", "show the version and exit");
  text += "\n"
          "A progress indicator is shown on standard error when it is a terminal and the\n"
          "render is longer than five seconds of audio. When standard error is not a\n"
          "terminal, a render longer than ten minutes is announced there in one line first.\n"
          "\n"
          "Exit status:\n"
          "  0  the WAV file was written\n"
          "  1  IN.mid could not be read or played, or OUT.wav could not be written\n"
          "  2  the command line was wrong, or IN.mid and OUT.wav are the same file; nothing\n"
          "     was read or written\n";
  return text;
}

} // namespace velmora
