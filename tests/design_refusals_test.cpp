// A run that is refused writes nothing: a transient the grid or the step
// limit cannot take is one line before any file, and a later design's
// failure keeps an earlier design's files from being written at all.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

const std::string design_program = "'" ACOUSTIC_DESIGN_PATH "'";

const std::string woofer =
    "[driver]\nfs = \"28 Hz\"\nQms = 4.5\nQes = 0.42\nVas = \"58 l\"\nSd = \"220 cm2\"\nRe = \"5.6 ohm\"\n"
    "Le = \"0.6 mH\"\nXmax = \"6 mm\"\nPe = \"100 W\"\n[enclosure]\ntype = \"closed\"\nVb = \"30 l\"\n";

TEST(DesignRefusals, NothingWrittenBeforeTheRefusal) {
  const struct {
    const char* arguments;
    int exit_code;
    const char* error;  // the whole standard error
  } cases[] = {
      {"a.toml --transient burst:1e-300Hz:8", 1,
       "acoustic_design: option --transient is \"burst:1e-300Hz:8\": its frequency 1e-300 Hz lies outside the grid, 5 "
       "Hz to 1000 Hz (see --grid)\n"},
      {"a.toml --transient sine:2kHz:1s", 1,
       "acoustic_design: option --transient is \"sine:2kHz:1s\": its frequency 2000 Hz lies outside the grid, 5 Hz to "
       "1000 Hz (see --grid)\n"},
      // 50 steps per period of the coil's corner Re / (2 pi Le) = 1485 Hz:
      // 60 s takes 4.5 million.
      {"a.toml --transient sine:5Hz:60s", 1, nullptr},
      {"a.toml b.toml --transient step --duration 60s", 1, nullptr},
      {"a.toml bad.toml", 1,
       "acoustic_design: bad.toml: enclosure: no fb and no port_length: expected fb or port_length\n"},
      {"a.toml --vary enclosure.Vb=20l:40l:10l --transient sine:5Hz:60s", 1, nullptr},
      {"a.toml --at 0Hz", 1,
       "acoustic_design: option --at is \"0Hz\": expected frequencies separated by commas, e.g. 45Hz,60Hz (each above 0 "
       "and up to 100 kHz)\n"},
      {"a.toml --at 45Hz,,60Hz", 1,
       "acoustic_design: option --at is \"45Hz,,60Hz\": expected frequencies separated by commas, e.g. 45Hz,60Hz (each "
       "above 0 and up to 100 kHz)\n"},
      {"a.toml --grid 5:4000:12 --transient burst:2kHz:8", 0, ""},
  };
  for (const auto& c : cases) {
    scratch_dir dir;
    write_file(dir.file("a.toml"), woofer);
    write_file(dir.file("b.toml"), woofer);
    write_file(dir.file("bad.toml"), woofer.substr(0, woofer.find("[enclosure]")) +
                                         "[enclosure]\ntype = \"vented\"\nVb = \"30 l\"\nport_diameter = \"75 mm\"\n");
    const program_run r = run_in(dir.path(), design_program + " --out out " + c.arguments, "");
    EXPECT_EQ(r.exit_code, c.exit_code) << c.arguments << shown(r.err);
    if (c.error) {
      EXPECT_EQ(r.err, c.error) << c.arguments;
    } else {
      EXPECT_TRUE(contains(r.err, "the transient would take")) << c.arguments << shown(r.err);
      EXPECT_EQ(split(r.err).size(), 1u) << r.err;
    }
    if (c.exit_code != 0) {
      EXPECT_FALSE(file_exists(dir.file("out/a.csv"))) << c.arguments;
      EXPECT_FALSE(file_exists(dir.file("out/a_summary.csv"))) << c.arguments;
      EXPECT_FALSE(file_exists(dir.file("out/compare_summary.csv"))) << c.arguments;
    } else {
      EXPECT_TRUE(file_exists(dir.file("out/a_transient.csv"))) << c.arguments;
    }
  }
}

}  // namespace
