// How an open command is cut down to its program, whatever the platform found
// it in.
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "base/text_file_opener.h"

namespace qv {
namespace {

struct CommandCase {
  const char* name;
  const char* command;
  const char* program;
};
void PrintTo(const CommandCase& c, std::ostream* os) {
  *os << c.name;
}

class OpenerFromCommand : public ::testing::TestWithParam<CommandCase> {};

TEST_P(OpenerFromCommand, KeepsTheProgramPart) {
  EXPECT_EQ(std::string(openerFromCommand(GetParam().command).cStr()), GetParam().program);
}

const CommandCase COMMAND_CASES[] = {
    {"QuotedPathQuotedPlaceholder", "\"D:\\Tools\\Edit.exe\" \"%1\"", "D:\\Tools\\Edit.exe"},
    {"OptionsBeforePlaceholderStay", "D:\\Tools\\Edit.exe /n %1", "D:\\Tools\\Edit.exe /n"},
    {"QuotedPathWithSpacesAndOptions", "\"D:\\Program Files\\Ed\\ed.exe\" /open \"%1\"",
     "D:\\Program Files\\Ed\\ed.exe"},
    {"OnlyPlaceholder", "%1", ""},
    {"QuoteSpaceThenQuotedPath", "\" \"D:\\Tools\\Edit.exe\" %1", "D:\\Tools\\Edit.exe"},
    {"NoPlaceholder", "leafpad", "leafpad"},
    {"TrailingSpacesDropped", "gedit   %U", "gedit"},
    {"DoubleByteNameKept", "/opt/表示/ed %F", "/opt/表示/ed"},
};

INSTANTIATE_TEST_SUITE_P(Cases, OpenerFromCommand, ::testing::ValuesIn(COMMAND_CASES),
                         [](const ::testing::TestParamInfo<CommandCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace qv
