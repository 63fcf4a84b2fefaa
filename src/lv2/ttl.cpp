// Writes the bundle's description from the same tables the plugin and the
// window use, so that ports, ranges, defaults and presets cannot drift apart:
//   velmora-lv2-ttl DIR MINOR MICRO
// writes DIR/manifest.ttl, DIR/velmora.ttl and DIR/presets/NAME.ttl for
// every factory preset (the version is the plugin's lv2:minorVersion and
// lv2:microVersion). A preset is its own file, but its URI lies under the
// plugin's (#preset-NAME): hosts save the URI with a song, and a file URI
// would stop resolving once the bundle moves or a package installs it
// elsewhere.
#include "lv2/ports.h"

#include "core/presets.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

using namespace velmora;
using namespace velmora::lv2;

const char kPrefixes[] = "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
                         "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                         "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                         "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                         "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
                         "@prefix pg: <http://lv2plug.in/ns/ext/port-groups#> .\n"
                         "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                         "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                         "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                         "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                         "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
                         "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

std::string PresetFile(const Preset& p) { return std::string("presets/") + p.Name + ".ttl"; }
std::string PresetUri(const Preset& p) { return std::string(kPluginUri) + "#preset-" + p.Name; }

// Sections of a host's generic panel, in port order.
struct PortGroup {
  const char* Symbol;
  const char* Name;
};
constexpr PortGroup kGroups[] = {{"oscillators", "Oscillators"},
                                 {"envelope", "Envelope"},
                                 {"osc1_warp", "Osc 1 warp points"},
                                 {"osc2_warp", "Osc 2 warp points"}};
const PortGroup& GroupOf(int port) {
  if (port >= kFirstPointPort)
    return kGroups[2 + PointOf(port).Osc];
  const bool envelope = port < kModePort && port - kFirstKnobPort >= kAttackKnob;
  return kGroups[envelope ? 1 : 0];
}
std::string GroupUri(const PortGroup& g) { return std::string(kPluginUri) + "#" + g.Symbol; }

// A number as Turtle reads it: whole values without a decimal point.
std::string Number(double v) {
  std::ostringstream out;
  out << v;
  return out.str();
}

std::string Manifest() {
  std::string t = kPrefixes;
  t += "<" + std::string(kPluginUri) +
       ">\n  a lv2:Plugin, lv2:InstrumentPlugin ;\n  lv2:binary <velmora.so> ;\n"
       "  ui:ui <" +
       kUiUri + "> ;\n  rdfs:seeAlso <velmora.ttl> .\n";
  // The window: embedded in the host's (ui:parent), driven from the host's
  // idle callback, announcing its size when the host lets it.
  t += "\n<" + std::string(kUiUri) +
       ">\n  a ui:X11UI ;\n  ui:binary <velmora_ui.so> ;\n"
       "  lv2:requiredFeature ui:idleInterface, ui:parent ;\n"
       "  lv2:optionalFeature ui:resize ;\n"
       "  lv2:extensionData ui:idleInterface .\n";
  for (const Preset& p : kPresets) {
    t += "\n<" + PresetUri(p) + ">\n  a pset:Preset ;\n  lv2:appliesTo <" + kPluginUri +
         "> ;\n  rdfs:label \"" + p.Label + "\" ;\n  rdfs:seeAlso <" + PresetFile(p) + "> .\n";
  }
  return t;
}

std::string ControlPort(int port) {
  const ControlRange r = RangeOf(port);
  std::string name, comment, properties = "lv2:integer", unit;
  if (port < kModePort) {
    const KnobControl& knob = kKnobControls[port - kFirstKnobPort];
    name = knob.Rule == KnobRule::Pitch ? std::string(knob.Name) + " pitch" : knob.Name;
    comment = knob.Meaning;
    if (knob.Rule == KnobRule::Pitch)
      unit = "units:cent";
    else if (port == kFirstKnobPort + kSustainKnob)
      unit = "units:pc";
  } else if (port == kModePort) {
    name = "Mode";
    comment = "how the oscillators combine: sum, frequency or amplitude modulation";
    properties += ", lv2:enumeration";
  } else if (port == kSyncPort) {
    name = "Sync";
    comment = "oscillator 2 restarts with every period of oscillator 1";
    properties = "lv2:toggled";
  } else {
    const PointPort p = PointOf(port);
    const std::string osc = std::to_string(p.Osc + 1), key = std::to_string(p.Keyframe + 1);
    name = "Osc " + osc + " point " + key + (p.IsY ? " y" : " x");
    comment = p.IsY ? "warp point " + key + " of oscillator " + osc +
                          ": canvas pixels downward; the knee's In is y / 2 percent"
                    : "warp point " + key + " of oscillator " + osc +
                          ": canvas pixels to the right; the knee's Out is x * 2.5 percent";
  }
  std::string t =
      "  [\n    a lv2:InputPort, lv2:ControlPort ;\n    lv2:index " + std::to_string(port) +
      " ;\n    lv2:symbol \"" + SymbolOf(port) + "\" ;\n    lv2:name \"" + name +
      "\" ;\n    pg:group <" + GroupUri(GroupOf(port)) + "> ;\n    rdfs:comment \"" + comment +
      "\" ;\n    lv2:default " + Number(r.Default) + " ;\n    lv2:minimum " + Number(r.Min) +
      " ;\n    lv2:maximum " + Number(r.Max) + " ;\n    lv2:portProperty " + properties;
  if (!unit.empty())
    t += " ;\n    units:unit " + unit;
  if (port == kModePort) {
    for (int m = 0; m < kModeCount; ++m) {
      t += std::string(m == 0 ? " ;\n    lv2:scalePoint " : " ,\n      ") + "[ rdfs:label \"" +
           kModes[m].Label + "\" ; rdf:value " + std::to_string(m + 1) + " ]";
    }
  }
  return t + "\n  ]";
}

std::string Plugin(const std::string& minor, const std::string& micro) {
  std::string t = kPrefixes;
  t += "<" + std::string(kPluginUri) +
       ">\n  a lv2:Plugin, lv2:InstrumentPlugin, doap:Project ;\n"
       "  doap:name \"Velmora\" ;\n"
       "  doap:license <" VELMORA_LICENSE_URI "> ;\n"
       "  doap:maintainer [ foaf:name \"" VELMORA_MAINTAINER_NAME
       "\" ; foaf:mbox <mailto:" VELMORA_MAINTAINER_EMAIL "> ] ;\n"
       "  rdfs:comment \"Monophonic phase-warp synthesizer: two sine oscillators whose phase is "
       "bent by a knee that travels through four keyframes during every note.\" ;\n"
       "  lv2:minorVersion " +
       minor + " ;\n  lv2:microVersion " + micro +
       " ;\n"
       "  lv2:requiredFeature urid:map ;\n"
       "  lv2:optionalFeature lv2:hardRTCapable ;\n"
       "  lv2:port\n"
       "  [\n    a lv2:InputPort, atom:AtomPort ;\n    atom:bufferType atom:Sequence ;\n"
       "    atom:supports midi:MidiEvent ;\n    lv2:designation lv2:control ;\n"
       "    lv2:index 0 ;\n    lv2:symbol \"midi_in\" ;\n    lv2:name \"MIDI in\"\n  ] ,\n"
       "  [\n    a lv2:OutputPort, lv2:AudioPort ;\n"
       "    lv2:index 1 ;\n    lv2:symbol \"out\" ;\n    lv2:name \"Out\"\n  ]";
  for (int port = kFirstKnobPort; port < kPortCount; ++port)
    t += " ,\n" + ControlPort(port);
  t += " .\n";
  for (const PortGroup& g : kGroups) {
    t += "\n<" + GroupUri(g) + ">\n  a pg:Group ;\n  lv2:symbol \"" + g.Symbol +
         "\" ;\n  lv2:name \"" + g.Name + "\" .\n";
  }
  return t;
}

std::string PresetText(const Preset& p) {
  std::string t = kPrefixes;
  t += "<" + PresetUri(p) + ">\n  a pset:Preset ;\n  lv2:appliesTo <" + std::string(kPluginUri) +
       "> ;\n  rdfs:label \"" + p.Label + "\" ;\n  lv2:port";
  for (int port = kFirstKnobPort; port < kPortCount; ++port) {
    const PointPort point = PointOf(port);
    int value = 0;
    if (port < kModePort)
      value = p.Knobs[port - kFirstKnobPort];
    else if (port == kModePort)
      value = p.Mode;
    else if (port == kSyncPort)
      value = p.Sync ? 1 : 0;
    else
      value = p.Points[point.Osc][point.Keyframe][point.IsY ? 1 : 0];
    t += std::string(port == kFirstKnobPort ? "\n" : " ,\n") + "    [ lv2:symbol \"" +
         SymbolOf(port) + "\" ; pset:value " + std::to_string(value) + " ]";
  }
  return t + " .\n";
}

bool Write(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) {
    std::fprintf(stderr, "velmora-lv2-ttl: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: velmora-lv2-ttl DIR MINOR MICRO\n", stderr);
    return 2;
  }
  const std::string dir = argv[1];
  std::error_code error;
  std::filesystem::create_directories(dir + "/presets", error);
  bool written = Write(dir + "/manifest.ttl", Manifest()) &&
                 Write(dir + "/velmora.ttl", Plugin(argv[2], argv[3]));
  for (const Preset& p : kPresets)
    written = written && Write(dir + "/" + PresetFile(p), PresetText(p));
  return written ? 0 : 1;
}
