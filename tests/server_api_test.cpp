// The page's answers against the command line's own files for the same
// design, and its messages against the library's.
#include <gtest/gtest.h>

#include "control/design_files.h"
#include "control/design_program.h"
#include "design/design_file.h"
#include "server/design_api.h"
#include "test_support.h"

using nlohmann::json;

namespace {

const std::string designs = EXAMPLES_DIR "/designs/";

json request_for(const std::string& name, const json& values = json::object()) {
  return {{"seq", 7}, {"name", name + ".toml"}, {"text", read_file(designs + name + ".toml")}, {"values", values}};
}

// Byte for byte NAME.csv and NAME_summary.csv as acoustic_design writes them.
TEST(ServerApi, AnswersAreTheCommandLinesFiles) {
  if (std::string(ACOUSTIC_DESIGN_PATH).empty()) GTEST_SKIP() << "acoustic_design not built";
  scratch_dir dir;
  for (const char* name :
       {"woofer_closed", "woofer_vented", "woofer_baffle", "woofer_bandpass4", "woofer_passive", "chamber_trap"}) {
    const program_run run = run_in(dir.path(), std::string("'" ACOUSTIC_DESIGN_PATH "' '") + designs + name +
                                                   ".toml' --out . 2>/dev/null", "");
    ASSERT_EQ(run.exit_code, 0) << name;
    const json answer = compute_answer(request_for(name));
    ASSERT_TRUE(answer["ok"].get<bool>()) << name << answer.dump();
    EXPECT_EQ(answer["seq"], 7);
    EXPECT_EQ(answer["csv"].get<std::string>(), read_file(dir.file(std::string(name) + ".csv"))) << name;
    EXPECT_EQ(answer["summary"].get<std::string>(), read_file(dir.file(std::string(name) + "_summary.csv"))) << name;
  }
}

// A changed value is the library's design with that value set.
TEST(ServerApi, ChangedValuesAreTheLibrarysDesign) {
  const struct {
    const char* design;
    const char* key;
    const char* typed;
    double xmax_mm, port_limit;
  } cases[] = {
      {"woofer_vented", "enclosure.Vb", "37.5 l", 6, 17},
      {"woofer_vented", "limits.port_velocity", "12 m/s", 6, 12},
      {"woofer_closed", "driver.Xmax", "4.5 mm", 4.5, 0},
      {"woofer_closed", "drive.voltage", "10 V", 6, 0},
      {"woofer_vented", "enclosure.Ql", "inf", 6, 17},
      {"woofer_closed", "driver.Qes", "0.5", 6, 0},
  };
  for (const auto& c : cases) {
    const json answer = compute_answer(request_for(c.design, {{c.key, c.typed}}));
    ASSERT_TRUE(answer["ok"].get<bool>()) << c.key << answer.dump();
    design_file file;
    ASSERT_TRUE(read_design_file(designs + c.design + ".toml", file).ok());
    ASSERT_TRUE(set_design_value(file, c.key, c.typed).ok());
    design_result r;
    ASSERT_TRUE(compute_design(file, log_grid(5, 1000, 48), r).ok());
    EXPECT_EQ(answer["csv"].get<std::string>(), response_table_text(r.points, columns_of(r.drive))) << c.key;
    EXPECT_EQ(answer["summary"].get<std::string>(), summary_table_text(r.summary)) << c.key;
    EXPECT_DOUBLE_EQ(answer["xmax_mm"].get<double>(), c.xmax_mm) << c.key;
    EXPECT_DOUBLE_EQ(answer["port_limit"].get<double>(), c.port_limit) << c.key;
  }
}

// Each error is the library's message for the same text, beside its key;
// an error gives no curves.
TEST(ServerApi, ErrorsNameTheirKey) {
  const struct {
    const char* key;
    const char* typed;
    const char* named;
  } cases[] = {
      {"enclosure.Vb", "40 x", "enclosure.Vb"},
      {"enclosure.Vb", "-4 l", "enclosure.Vb"},
      {"driver.Qes", "fast", "driver.Qes"},
      {"enclosure.type", "round", "enclosure.type"},
      {"enclosure.ports", "0", "enclosure.ports"},
  };
  for (const auto& c : cases) {
    const json answer = compute_answer(request_for("woofer_vented", {{c.key, c.typed}}));
    EXPECT_FALSE(answer["ok"].get<bool>()) << c.key;
    EXPECT_FALSE(answer.contains("csv")) << c.key;
    ASSERT_EQ(answer["errors"].size(), 1u) << answer.dump();
    design_file file;
    const status library = parse_design_text(answer["text"].get<std::string>(), "woofer_vented.toml", file);
    ASSERT_FALSE(library.ok()) << c.key;
    EXPECT_EQ(answer["errors"][0]["text"].get<std::string>(), library.message);
    EXPECT_EQ(answer["errors"][0]["key"].get<std::string>(), c.named) << library.message;
  }
}

TEST(ServerApi, WarningsAndErrorsOfTheComputation) {
  // A blank driver in a closed box: the page's first design.
  json blank = {{"seq", 1}, {"name", "design.toml"}, {"text", "[driver]\n\n[enclosure]\ntype = \"closed\"\n"}};
  json answer = compute_answer(blank);
  EXPECT_FALSE(answer["ok"].get<bool>());
  ASSERT_EQ(answer["errors"].size(), 1u);
  design_file file;
  ASSERT_TRUE(parse_design_text(blank["text"].get<std::string>(), "design.toml", file).ok());
  design_result r;
  const status library = compute_design(file, log_grid(5, 1000, 48), r);
  ASSERT_FALSE(library.ok());
  EXPECT_EQ(answer["errors"][0]["text"].get<std::string>(), "design.toml: " + library.message);
  // An emptied field: the key is no longer given, and the design lacks it.
  answer = compute_answer(request_for("woofer_vented", {{"driver.Re", ""}}));
  ASSERT_EQ(answer["errors"].size(), 1u);
  EXPECT_FALSE(contains(answer["text"].get<std::string>(), "Re ="));
  ASSERT_TRUE(parse_design_text(answer["text"].get<std::string>(), "woofer_vented.toml", file).ok());
  const status without_re = compute_design(file, log_grid(5, 1000, 48), r);
  EXPECT_EQ(answer["errors"][0]["text"].get<std::string>(), "woofer_vented.toml: " + without_re.message);
  EXPECT_EQ(answer["errors"][0]["key"].get<std::string>(), "driver.Re") << without_re.message;
  // Syntax the file cannot hold.
  answer = compute_answer({{"seq", 2}, {"name", "x.toml"}, {"text", "[driver\n"}});
  ASSERT_EQ(answer["errors"].size(), 1u);
  EXPECT_TRUE(contains(answer["errors"][0]["text"].get<std::string>(), "x.toml: line 1")) << answer.dump();
}

TEST(ServerApi, KeyNamed) {
  const struct {
    const char *text, *key;
  } cases[] = {
      {"a.toml: enclosure.Vb = \"4 x\" has the unit", "enclosure.Vb"},
      {"a.toml: enclosure.port_diameter and enclosure.port_area: give one", "enclosure.port_diameter"},
      {"passive_radiator.Sd is missing", "passive_radiator.Sd"},
      {"driver.Sd2 is no key", ""},
      {"the driver.Sdx", ""},
      {"xdriver.Sd", ""},
      {"no key at all", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(key_named(c.text), c.key) << c.text;
}

TEST(ServerApi, KeysFromTheFilesTable) {
  const json keys = keys_answer();
  const std::vector<design_key> table = design_keys();
  ASSERT_EQ(keys.size(), table.size());
  for (std::size_t i = 0; i < table.size(); ++i) EXPECT_EQ(keys[i]["key"], table[i].table + "." + table[i].key);
  const struct {
    const char *key, *unit;
  } units[] = {{"enclosure.Vb", "l"}, {"driver.fs", "Hz"}, {"driver.Qes", ""}, {"driver.Sd", "cm2"},
               {"limits.port_velocity", "m/s"}, {"enclosure.type", ""}};
  for (const auto& u : units) {
    bool found = false;
    for (const json& k : keys)
      if (k["key"] == u.key) {
        found = true;
        EXPECT_EQ(k["unit"], u.unit) << u.key;
      }
    EXPECT_TRUE(found) << u.key;
  }
}

}  // namespace
