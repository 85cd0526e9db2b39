// The command line's options, in one table. Each entry is an option's word,
// whether the next argument is its value and whether that value is a path,
// its lines in the usage text, and the function that puts it into the
// settings of a run. runCommandLine reads the arguments by it, the entry
// points build their usage text from it, and the POSIX entry point learns
// from it which values are paths. The table is constant data; the settings
// belong to the caller.
#pragma once

#include <string>

#include "base/path.h"
#include "report/report_writer.h"

namespace qv {

// Whether an option takes the next argument as its value, and whether that
// value is a path (reached by its native form, "~" expanded on POSIX).
enum class ValueKind { NONE, PATH, OTHER };

// What the options of one command line set: the report's options and the
// paths of "in" and "out".
struct CommandLineSettings {
  explicit CommandLineSettings(ReportOptions& report) : report(report) {}

  ReportOptions& report;
  Path input;
  Path output = "./tree.txt";
};

struct Option {
  const char* word;       // as typed, without the "-" or "/" that may lead it
  ValueKind valueKind;    // NONE: no value
  const char* valueName;  // what the usage calls the value; nullptr without one
  // The help in the terminal's usage (CP932), "\n" where it breaks the line.
  const char* help;
  // The Windows box's text where it differs from help, "\n" where it breaks
  // the line; nullptr: help with its lines joined, as the box wraps them.
  const char* boxHelp;
  // Sets the option into settings, from value when it takes one (an empty
  // Path otherwise). False refuses the value, problem receiving the one-line
  // message that names the option and the value.
  bool (*apply)(CommandLineSettings& settings, const Path& value, String& problem);
};

// The whole table, in the order the usage lists it; for range-for.
struct OptionTable {
  const Option* first;
  const Option* last;
  const Option* begin() const { return first; }
  const Option* end() const { return last; }
};
OptionTable allOptions();

// The option that argument names, bare or after one "-" or "/" (the words are
// case-sensitive); nullptr when it names none.
const Option* findOption(const char* argument);

// The options' part of the terminal usage, one option after another: two
// spaces, the word and its value's name, the help from column 16 (two spaces
// after a longer name), each further line of it indented to that column;
// lines end in "\n".
std::string terminalOptionsHelp();

// The options' part of the Windows usage box: the word and its value's name,
// a tab and the help, each further line of it after a tab; lines end in CR LF.
std::string boxOptionsHelp();

}  // namespace qv
