// Memory running out halfway through a command-line run, through a global
// operator new that fails the allocation a test chooses. It is a program of
// its own so that no other test runs on this allocator.
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/report_app.h"
#include "base/error.h"
#include "base/string_list.h"
#include "test_support.h"

namespace {

// Allocations are counted while armed; the one numbered failAt throws.
struct AllocationSeam {
  bool armed = false;
  long count = 0;
  long failAt = 0;
} seam;

}  // namespace

void* operator new(std::size_t size) {
  if (seam.armed && ++seam.count == seam.failAt) throw std::bad_alloc();
  if (void* block = std::malloc(size != 0 ? size : 1)) return block;
  throw std::bad_alloc();
}

// GCC takes free() in operator delete for a mismatch; it pairs with the
// malloc() of operator new above.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* block) noexcept {
  std::free(block);
}
#pragma GCC diagnostic pop

void operator delete(void* block, std::size_t) noexcept {
  ::operator delete(block);
}

namespace qv::test {
namespace {

// Runs the command line in this process with allocation failAt failing (0:
// none) and returns the status; the boxes it shows go to boxes.
int runFailing(const std::vector<std::string>& arguments, long failAt,
               std::vector<std::string>& boxes) {
  ReportApp app;
  app.setBoxFunction([&boxes](WindowHandle, const char* text, const char*, unsigned) {
    boxes.push_back(text);
    return BUTTON_OK;
  });
  std::vector<Path> list;
  for (const std::string& argument : arguments) list.push_back(String(argument.c_str()));
  seam.count = 0;
  seam.failAt = failAt;
  seam.armed = true;
  int status = app.run(list);
  seam.armed = false;
  return status;
}

TEST(OutOfMemory, AFailedAllocationEndsWithStatus2AndKeepsThePreviousReport) {
  TempDir dir;
  for (int d = 0; d < 4; ++d) {
    makeDirs(dir / ("in/d" + std::to_string(d)));
    for (int f = 0; f < 25; ++f) {
      writeFile(dir / ("in/d" + std::to_string(d) + "/file-" + std::to_string(f) + ".txt"));
    }
  }
  const std::vector<std::string> arguments = {"in", dir / "in/", "out", dir / "r.txt", "s", "t"};
  const std::string old = "previous report\r\n";
  const std::string memoryText = Exception(CODE_NOT_ENOUGH_MEMORY).text();

  std::vector<std::string> boxes;
  ASSERT_EQ(runFailing(arguments, 0, boxes), 0);
  ASSERT_TRUE(boxes.empty());
  const long total = seam.count;
  ASSERT_GT(total, 20);

  // Early, in the middle and late in the walk.
  for (long failAt : {total / 10, total / 2, total * 9 / 10}) {
    SCOPED_TRACE("allocation " + std::to_string(failAt) + " of " + std::to_string(total));
    writeFile(dir / "r.txt", old);
    boxes.clear();
    EXPECT_EQ(runFailing(arguments, failAt, boxes), 2);
    EXPECT_EQ(boxes, std::vector<std::string>{memoryText});
    EXPECT_EQ(readFile(dir / "r.txt"), old);
    EXPECT_EQ(listDirectory(dir.path()), (std::vector<std::string>{"in", "r.txt"}));
  }
}

}  // namespace
}  // namespace qv::test
