// File, TextFile and TextOutputFile on real files in a temporary directory.
#include "base/text_output_file.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "test_support.h"

namespace qv {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

uint32_t openCode(TextOutputFile& file, const std::string& path) {
  try {
    file.open(String(path.c_str()), false, true);
  } catch (const Exception& e) {
    return e.code();
  }
  return 0;
}

TEST(TextOutputFile, LinesEndInCrLfWithNothingBefore) {
  TempDir dir;
  TextOutputFile file;
  file.open(String((dir / "out").c_str()), false, true);
  file.writeLine("a");
  file.writeLine("");
  file.writeLine("c");
  file.close();
  EXPECT_EQ(readFile(dir / "out"), std::string("a\r\n\r\nc\r\n"));
}

TEST(TextOutputFile, ReplacesOrAppendsByTheAppendFlag) {
  TempDir dir;
  for (bool append : {false, true}) {
    writeFile(dir / "out", "old\r\n");
    TextOutputFile file;
    file.open(String((dir / "out").c_str()), append, !append);
    file.writeLine("new");
    file.close();
    EXPECT_EQ(readFile(dir / "out"), append ? "old\r\nnew\r\n" : "new\r\n");
  }
}

TEST(TextOutputFile, AFileIsReplacedOnlyWhenClosed) {
  // Enough lines for several blocks to be written before the end.
  for (bool closed : {false, true}) {
    SCOPED_TRACE(closed ? "closed" : "abandoned");
    TempDir dir;
    writeFile(dir / "out", "old\r\n");
    {
      TextOutputFile file;
      file.open(String((dir / "out").c_str()), false, true);
      for (int i = 0; i < 20000; ++i) file.writeLine("0123456789");
      EXPECT_EQ(readFile(dir / "out"), "old\r\n");
      if (closed) file.close();
    }
    EXPECT_EQ(readFile(dir / "out").size(), closed ? 20000u * 12 : 5u);
    EXPECT_EQ(test::listDirectory(dir.path()), std::vector<std::string>{"out"});
  }
}

TEST(TextOutputFile, OpenFailuresCarryTheSystemCode) {
  TempDir dir;
  test::makeDirs(dir / "adir");
  TextOutputFile file;
  EXPECT_EQ(openCode(file, dir / "missing/out"), CODE_PATH_NOT_FOUND);
  EXPECT_FALSE(file.isOpen());
  EXPECT_EQ(openCode(file, dir / "adir"), CODE_ACCESS_DENIED);
}

// A second close must not close what the system has since handed out under
// the same handle, here the next file opened.
TEST(TextOutputFile, PatchReplacesBytesWrittenOutOrStillCollected) {
  TempDir dir;
  TextOutputFile file;
  file.open(String((dir / "out").c_str()), false, true);
  ASSERT_TRUE(file.canPatch());
  // Lines enough to send the first ones to the file: one patch lands in the
  // file, one across the edge of the buffer, one in the buffer.
  const std::string line(99, '.');
  std::string expected;
  for (int i = 0; i < 1000; ++i) {
    file.writeLine(line.c_str());
    expected += line + "\r\n";
  }
  ASSERT_EQ(file.position(), expected.size());
  const uint64_t inFile = 5, inBuffer = expected.size() - 10;
  // The buffer goes out after the line that takes it to 64 KiB or more.
  uint64_t across = 0;
  while (across < 64 * 1024) across += line.size() + 2;
  across -= 2;
  for (uint64_t at : {inFile, across, inBuffer}) {
    file.patch(at, "abcd");
    expected.replace(static_cast<size_t>(at), 4, "abcd");
  }
  file.close();
  EXPECT_EQ(readFile(dir / "out"), expected);

  // Standard output may be a pipe, which cannot be patched.
  TextOutputFile standard;
  standard.openStandardOutput();
  EXPECT_FALSE(standard.canPatch());
}

TEST(TextOutputFile, CloseTwiceAndNeverOpenedDoNothing) {
  TempDir dir;
  TextOutputFile never;
  EXPECT_NO_THROW(never.close());
  EXPECT_FALSE(never.isOpen());

  TextOutputFile first;
  first.open(String((dir / "first").c_str()), false, true);
  first.writeLine("1");
  first.close();
  TextOutputFile second;
  second.open(String((dir / "second").c_str()), false, true);
  EXPECT_NO_THROW(first.close());
  EXPECT_FALSE(first.isOpen());
  EXPECT_TRUE(second.isOpen());
  second.writeLine("2");
  EXPECT_NO_THROW(second.close());
  EXPECT_EQ(readFile(dir / "first"), "1\r\n");
  EXPECT_EQ(readFile(dir / "second"), "2\r\n");
}

TEST(File, OpenCreatesAMissingFileAndNeedsItsDirectory) {
  for (OpenMode mode : {OpenMode::APPEND, OpenMode::APPEND_SHARE_READ}) {
    TempDir dir;
    File file;
    EXPECT_TRUE(file.open(nativeOf(dir / "new"), mode));
    EXPECT_TRUE(test::exists(dir / "new"));
    EXPECT_FALSE(file.open(nativeOf(dir / "none/new"), mode));
    EXPECT_EQ(lastError(), CODE_PATH_NOT_FOUND);
  }
}

TEST(File, OpenStartsAtTheEndAndWriteLineAlwaysAppends) {
  for (OpenMode mode : {OpenMode::APPEND, OpenMode::APPEND_SHARE_READ}) {
    TempDir dir;
    writeFile(dir / "f", "12345");
    TextFile file;
    ASSERT_TRUE(file.open(nativeOf(dir / "f"), mode));
    EXPECT_EQ(file.seek(0, SeekOrigin::CURRENT), 5u);
    EXPECT_EQ(file.seek(0, SeekOrigin::START), 0u);
    EXPECT_TRUE(file.writeLine("x"));
    EXPECT_EQ(file.size(), 8u);
    file.close();
    EXPECT_EQ(readFile(dir / "f"), "12345x\r\n");
  }
}

}  // namespace
}  // namespace qv
