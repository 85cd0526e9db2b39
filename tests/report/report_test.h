// The fixture of the whole-report tests: a temporary directory, a writer at
// its defaults, local time in Japan, and generate() returning the report.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "report/report_writer.h"
#include "test_support.h"

namespace qv::test {

// 2002/10/14 09:05:03 in Japan (JST, no summer time).
constexpr int64_t SAMPLE_TIME = 1034553903;

class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(useJapanTime()); }

  // Generates input into output (by default a file in the temporary
  // directory) with the writer's options and returns the report.
  std::string generate(const std::string& input, const std::string& output = std::string()) {
    std::string out = output.empty() ? dir / "report.out" : output;
    writer.generate(String(out.c_str()), String(input.c_str()));
    return readFile(out);
  }

  TempDir dir;
  ReportWriter writer;
};

}  // namespace qv::test
