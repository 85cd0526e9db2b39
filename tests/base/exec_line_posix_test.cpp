// The Exec line of a desktop entry, split by its quoting rules.
#include "base/exec_line_posix.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv::posix {
namespace {

struct ExecCase {
  const char* name;
  const char* exec;                    // as the desktop file holds it
  std::vector<std::string> arguments;  // empty: the line is refused
};
void PrintTo(const ExecCase& c, std::ostream* os) {
  *os << c.name;
}

class ExecLine : public ::testing::TestWithParam<ExecCase> {};

TEST_P(ExecLine, SplitsByTheQuotingRules) {
  const ExecFields fields{"/r/a b.txt", "ed-icon", "Ed", "/apps/ed.desktop"};
  std::vector<std::string> arguments;
  bool valid = execArguments(GetParam().exec, fields, arguments);
  EXPECT_EQ(valid, !GetParam().arguments.empty());
  if (valid) {
    EXPECT_EQ(arguments, GetParam().arguments);
  }
}

const ExecCase EXEC_CASES[] = {
    {"ShellFormKeepsItsScriptWhole",
     R"(sh -c "prog \"$1\"" sh %f)",
     {"sh", "-c", "prog \"$1\"", "sh", "/r/a b.txt"}},
    {"ArgumentsAfterAListCodeStay", "ed %U --new", {"ed", "/r/a b.txt", "--new"}},
    {"NoFileCodeAddsTheFileLast", "ed --new", {"ed", "--new", "/r/a b.txt"}},
    {"CodeInsideAQuoteIsLeftAlone", R"(sh -c "cat %f")", {"sh", "-c", "cat %f", "/r/a b.txt"}},
    {"EscapesInsideQuotes", R"(ed "a\`b\$c\\\\d" %F)", {"ed", "a`b$c\\d", "/r/a b.txt"}},
    {"StringEscapesFirst", R"(ed\sx %f)", {"ed", "x", "/r/a b.txt"}},
    {"PercentTwiceIsOne", "ed 100%% %f", {"ed", "100%", "/r/a b.txt"}},
    {"IconNameAndLocation",
     "ed %i %c %k %u",
     {"ed", "--icon", "ed-icon", "Ed", "/apps/ed.desktop", "/r/a b.txt"}},
    {"DeprecatedCodesGo", "ed %d %D %n %N %v %m %f", {"ed", "/r/a b.txt"}},
    {"EmptyQuotedArgumentStays", R"(ed "" %f)", {"ed", "", "/r/a b.txt"}},
    {"QuoteLeftOpen", R"(ed "x %f)", {}},
    {"UnknownCode", "ed %z", {}},
    {"PercentAtTheEnd", "ed %", {}},
    {"NoProgram", R"("" %f)", {}},
    {"TheFileIsNeverTheProgram", "%f --view", {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, ExecLine, ::testing::ValuesIn(EXEC_CASES),
                         [](const ::testing::TestParamInfo<ExecCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace qv::posix
