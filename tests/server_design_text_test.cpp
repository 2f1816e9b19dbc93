// The page's Save: each value replaced where it sits, a new key at the end
// of its table, every other byte as it was.
#include <gtest/gtest.h>

#include "server/design_text.h"
#include "test_support.h"

namespace {

TEST(ServerDesignText, Edits) {
  const struct {
    const char* what;
    const char* text;
    key_values values;
    const char* expected;
  } cases[] = {
      {"a value in place, its comment kept", "[enclosure] # box\nVb = \"50 l\"   # net\nfb = 'x'\n",
       {{"enclosure.Vb", "\"40 l\""}}, "[enclosure] # box\nVb = \"40 l\"   # net\nfb = 'x'\n"},
      {"a literal string replaced whole", "[a]\nx = 'lit'\n", {{"a.x", "\"b\""}}, "[a]\nx = \"b\"\n"},
      {"a new key after the table's last", "[driver]\nfs = \"1 Hz\"\n\n[enclosure]\ntype = \"closed\"\n",
       {{"driver.Re", "\"6 ohm\""}}, "[driver]\nfs = \"1 Hz\"\nRe = \"6 ohm\"\n\n[enclosure]\ntype = \"closed\"\n"},
      {"two new keys in their order", "[driver]\nfs = \"1 Hz\"\n[x]\n", {{"driver.B", "2"}, {"driver.A", "1"}},
       "[driver]\nfs = \"1 Hz\"\nB = 2\nA = 1\n[x]\n"},
      {"a new key in an empty table", "[driver]\n# none yet\n[enclosure]\n", {{"driver.Qes", "0.4"}},
       "[driver]\nQes = 0.4\n# none yet\n[enclosure]\n"},
      {"a new table at the end", "[driver]\nfs = \"1 Hz\"", {{"drive.voltage", "\"2 V\""}, {"drive.space", "\"full\""}},
       "[driver]\nfs = \"1 Hz\"\n\n[drive]\nvoltage = \"2 V\"\nspace = \"full\"\n"},
      {"the last line without its newline", "[a]\nx = 1", {{"a.y", "2"}}, "[a]\nx = 1\ny = 2\n"},
      // toml++ counts columns in code points, the text is bytes
      {"a value after non-ASCII text on its line", "[d]\n\"Øü\" = 1 # c\n", {{"d.Øü", "2"}}, "[d]\n\"Øü\" = 2 # c\n"},
      {"a non-ASCII value", "[d]\nn = \"Øü\" # c\nm = 1\n", {{"d.n", "\"é\""}, {"d.m", "3"}},
       "[d]\nn = \"é\" # c\nm = 3\n"},
      {"an inline table replaced whole", "[drive]\nhighpass = { order = 2, frequency = \"20 Hz\" } # sub\n",
       {{"drive.highpass", "{ order = 1, frequency = \"25 Hz\" }"}},
       "[drive]\nhighpass = { order = 1, frequency = \"25 Hz\" } # sub\n"},
      {"a key removed with its comment", "[e]\nfb = \"3 Hz\"\n  port_length = \"1 m\" # long\nx = 1\n",
       {{"e.port_length", ""}, {"e.absent", ""}}, "[e]\nfb = \"3 Hz\"\nx = 1\n"},
      {"a multi-line value removed whole", "[e]\na = [1,\n 2]\nb = 1", {{"e.a", ""}}, "[e]\nb = 1"},
      {"two values on neighbouring lines", "[a]\nx = 1\ny = 22\n", {{"a.y", "3"}, {"a.x", "4"}}, "[a]\nx = 4\ny = 3\n"},
  };
  for (const auto& c : cases) {
    std::string out;
    ASSERT_TRUE(edit_design_text(c.text, c.values, out).ok()) << c.what;
    EXPECT_EQ(out, c.expected) << c.what;
  }
}

TEST(ServerDesignText, Refusals) {
  const struct {
    const char* text;
    key_values values;
    const char* message;
  } cases[] = {
      {"[a]\nx = \n", {}, "line 2"},
      {"a = { x = 1 }\n", {{"a.x", "2"}}, "a.x: expected a table [a] on lines of its own"},
      {"[a]\n", {{"nodot", "2"}}, "nodot: expected TABLE.KEY"},
      // a key goes into the text as it is: nothing that would make another line or table
      {"[a]\n", {{"a.x = 1\n[b]\ny", "2"}}, "expected TABLE.KEY"},
      {"[a]\n", {{"a.b.c", "2"}}, "a.b.c: expected TABLE.KEY"},
      {"[a]\n", {{"a.", "2"}}, "a.: expected TABLE.KEY"},
      {"[a.b]\nx = 1\n", {{"a.y", "2"}}, "a.y: not where a page can edit it"},
  };
  for (const auto& c : cases) {
    std::string out;
    const status s = edit_design_text(c.text, c.values, out);
    ASSERT_FALSE(s.ok()) << c.text;
    EXPECT_TRUE(contains(s.message, c.message)) << s.message;
  }
}

TEST(ServerDesignText, FieldTextAsTomlValue) {
  const struct {
    const char* typed;
    bool unit;
    const char* toml;
  } cases[] = {
      {"50 l", true, "\"50 l\""},
      {"50", true, "\"50\""},         // a key with a unit is always a string
      {"0.42", false, "0.42"},
      {"1e3", false, "1e3"},
      {"inf", false, "inf"},          // TOML's own infinity, which Ql takes
      {"closed", false, "\"closed\""},
      {"{ order = 2, frequency = \"20 Hz\" }", false, "{ order = 2, frequency = \"20 Hz\" }"},
      {"1\n[x]", false, "\"1\\u000a[x]\""},  // one line, never a second table
      {"say \"hi\" \\ there", false, "\"say \\\"hi\\\" \\\\ there\""},
      {"1.", false, "\"1.\""},
      {"", false, "\"\""},
      {"[1, 2]", false, "\"[1, 2]\""},
  };
  for (const auto& c : cases) EXPECT_EQ(toml_value_text(c.typed, c.unit), c.toml) << c.typed;
}

TEST(ServerDesignText, FieldValues) {
  key_values values;
  ASSERT_TRUE(design_field_values("[driver]\nname = 'a \"b\"'\nQes = 0.40 # c\n[drive]\nhighpass = {order=1, frequency=\"9 Hz\"}\n",
                                  values)
                  .ok());
  std::sort(values.begin(), values.end());
  EXPECT_EQ(values, (key_values{{"drive.highpass", "{order=1, frequency=\"9 Hz\"}"},
                                {"driver.Qes", "0.40"},
                                {"driver.name", "a \"b\""}}));
}

// A changed Vb in the commented example: one line differs.
TEST(ServerDesignText, OneLineDiffOnTheCommentedExample) {
  const std::string original = read_file(EXAMPLES_DIR "/designs/woofer_vented.toml");
  ASSERT_TRUE(contains(original, "#"));
  std::string edited;
  ASSERT_TRUE(edit_design_text(original, {{"enclosure.Vb", toml_value_text("42.5 l", true)}}, edited).ok());
  const std::vector<std::string> before = split(original), after = split(edited);
  ASSERT_EQ(before.size(), after.size());
  std::vector<std::pair<std::string, std::string>> differ;
  for (std::size_t i = 0; i < before.size(); ++i)
    if (before[i] != after[i]) differ.push_back({before[i], after[i]});
  EXPECT_EQ(differ, (std::vector<std::pair<std::string, std::string>>{{"Vb = \"50 l\"", "Vb = \"42.5 l\""}}));
}

}  // namespace
