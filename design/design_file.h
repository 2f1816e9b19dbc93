// The design file: a driver's datasheet, an enclosure by type, the drive
// and the limits, as TOML. Every dimensional value is a string with its
// unit; Q values and counts are plain numbers. Values are held in SI.
#pragma once

#include <string>
#include <vector>

#include "design/nonlinear_sheet.h"
#include "design/units.h"
#include "model/drive_filter.h"
#include "util/status.h"

struct given_value {
  bool given = false;
  double value = 0;  // SI
  std::string text;  // as typed, for messages: "58 l", "4.5"
  typed_quantity typed;  // its number and plain unit; no unit for a plain number
};

// A value the program sets itself, `number` in `unit` ("" for a plain
// number), written as a user would type it.
given_value given_as(double number, const char* unit);

struct driver_sheet {
  std::string name;
  given_value fs, Qms, Qes, Qts, Vas, Mms, Cms, Kms, Sd, diameter, Re, Le, Bl, Rms, Xmax, Pe;
  std::vector<std::string> trust;  // the figures that win over the others
  given_value sensitivity;         // dB at sensitivity_drive, half space, 1 m
  given_value sensitivity_drive;   // V, or W with drive_in_watts
  bool drive_in_watts = false;
  given_value Znom;                // ohm, the rated impedance
  given_value volume;              // driver_volume: what the driver itself takes of the box
};

enum class enclosure_type { closed, vented, bandpass4, baffle, passive_radiator };
enum class port_ends { flanged_free, flanged_flanged, free_free };

struct enclosure_sheet {
  bool given = false;  // the [enclosure] table is there
  enclosure_type type = enclosure_type::closed;
  given_value Vb, Vr, fb, port_length, port_diameter, port_area, Ql;
  given_value port_loss;  // xi of the port's loss, 0 allowed
  given_value depth;  // inside, for the port to fit
  int ports = 1;
  port_ends ends = port_ends::flanged_free;
};

// [passive_radiator]: a cone without a motor; `count` of them side by side.
struct passive_radiator_sheet {
  bool given = false;
  given_value Sd, Mmp, fp, Cmp, Qmp, Xmax;
  int count = 1;
};

// [air]: the temperature and pressure of the air in the box.
struct air_sheet {
  bool given = false;
  given_value temperature;  // K
  given_value pressure;     // Pa
};

// [[resonator]]: a side branch on the main chamber whose side chamber is
// closed. A Helmholtz resonator has a cavity and necks; a quarter-wave
// tube is closed at its far end (its diameter and length are the neck's).
enum class resonator_type { helmholtz, quarter_wave };
struct resonator_sheet {
  std::string name;
  resonator_type type = resonator_type::helmholtz;
  given_value volume, neck_diameter, neck_area, neck_length, fr, Q;
  bool viscothermal = false;  // losses = "viscothermal" given
  int necks = 1;
  port_ends ends = port_ends::flanged_flanged;  // a tube's mouth: flanged_flanged flanged, free_free free
};

// [source]: what drives the main chamber instead of the driver.
struct source_sheet {
  bool given = false;
  bool volume_velocity = false;  // type = "volume_velocity"
  given_value flow;              // rms, m^3/s
};

enum class duct_model { lumped, distributed, automatic };
struct model_sheet {
  bool given = false;
  duct_model ducts = duct_model::lumped;
};

struct design_file {
  std::string name;  // the file's stem
  driver_sheet driver;
  enclosure_sheet enclosure;
  passive_radiator_sheet radiator;
  double voltage = 2.83;  // V rms
  double distance = 1;    // m
  bool full_space = false;
  double port_velocity_limit = 17;  // m/s, peak
  highpass_filter highpass;         // [drive] highpass; order 0: none
  air_sheet air;
  std::vector<resonator_sheet> resonators;
  source_sheet source;
  model_sheet model;
  nonlinear_sheet nonlinear;        // [nonlinear]: the large-signal curves
  distortion_sheet distortion;      // [distortion]: the sweep's levels
};

// Whether the file uses a table of the side branches and the air: without
// one, every output stays as a loudspeaker design's.
inline bool has_branch_tables(const design_file& d) {
  return d.air.given || !d.resonators.empty() || d.source.given || d.model.given;
}

// For an unknown key: "did you mean PREFIX+K?" with K the closest of
// `known` within two edits (case-insensitive, a transposition counting
// one), else the list of them all.
std::string key_suggestion(const std::string& key, const std::vector<std::string>& known, const std::string& prefix);

// Reads and checks the file's syntax, keys and units. Fails with one line
// naming the file, the key (or the line of a syntax error) and what was
// expected. Does not check that the values make a driver or an enclosure.
status read_design_file(const std::string& path, design_file& d);

// The same from text (the fuzz target and the tests), `path` for messages.
status parse_design_text(const std::string& text, const std::string& path, design_file& d);

// KEY (e.g. "enclosure.Vb") set to TEXT as the file would hold it ("20 l";
// a plain number for a Q). Fails naming an unknown key and the closest
// key of its table (or listing that table's keys when none is within two
// edits), or a value that does not fit the key. A new enclosure.fb
// replaces a given port_length.
status set_design_value(design_file& d, const std::string& key, const std::string& text);

// Whether KEY's value carries a unit, and its dimension; fails like
// set_design_value on an unknown key.
status key_dimension(const std::string& key, bool& has_unit, dimension& dim);

// Every key the file takes, in the file's order, for a form built from the
// same table that reads the file.
struct design_key {
  std::string table, key;
  bool has_unit = false;
  dimension dim = dimension::frequency;  // with has_unit
};
std::vector<design_key> design_keys();
