// text_file: what reaches the file, and failures that must not pass as
// success.
#include "model/text_file.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

TEST(TextFile, WritesTextNumbersAndLongRuns) {
  scratch_dir dir;
  text_file out;
  ASSERT_TRUE(out.open("out.txt").ok());
  out.put("a,");
  out.put_fixed(-2.5);
  out.put(',');
  out.put_int(-17);
  out.put('\n');
  std::string expected = "a,-2.500000,-17\n";
  // Far more than one buffer's worth.
  for (int i = 0; i < 100000; ++i) {
    out.put_fixed(i * 0.001);
    out.put('\n');
    expected += format("%f\n", i * 0.001);
  }
  ASSERT_TRUE(out.close().ok());
  EXPECT_EQ(read_file("out.txt"), expected);
}

TEST(TextFile, AFullDiskIsAnErrorNamingTheFile) {
  text_file out;
  ASSERT_TRUE(out.open("/dev/full").ok());
  out.put("some text\n");
  const status flushed = out.flush();
  ASSERT_FALSE(flushed.ok());
  EXPECT_NE(flushed.message.find("cannot write /dev/full"), std::string::npos) << flushed.message;
  EXPECT_NE(flushed.message.find("No space left"), std::string::npos) << flushed.message;
  EXPECT_FALSE(out.close().ok());
}

TEST(TextFile, AFileThatCannotBeCreatedIsAnError) {
  text_file out;
  const status opened = out.open("/nonexistent-folder/x.csv");
  ASSERT_FALSE(opened.ok());
  EXPECT_NE(opened.message.find("cannot create /nonexistent-folder/x.csv"), std::string::npos);
}

}  // namespace
