#include "app/options.h"

#include <climits>
#include <cstring>
#include <iterator>

namespace qv {

namespace {

// The one-line messages for a bad value: the arguments as the user gave
// them, then what is wrong with them.
const char* const DEPTH_NOT_WHOLE = ": 0 以上の整数ではありません";
const char* const EMPTY_PATTERN = "exclude \"\": パターンが空です";
const char* const PATTERN_WITH_SEPARATOR = ": パターンは名前だけで、パスの区切りは使えません";
const char* const SORT_KEY_UNKNOWN = ": name、size、time のどれでもありません";

// Where the terminal usage starts each option's help.
constexpr size_t HELP_COLUMN = 16;

// A whole number of decimal digits, no sign; values past INT_MAX, deeper
// than any path can go, count as INT_MAX.
bool readDepth(const String& text, int& depth) {
  const char* digits = text.cStr();
  if (*digits == '\0') return false;
  long long value = 0;
  for (const char* at = digits; *at != '\0'; ++at) {
    if (*at < '0' || *at > '9') return false;
    if (value < INT_MAX) value = value * 10 + (*at - '0');
  }
  depth = value > INT_MAX ? INT_MAX : static_cast<int>(value);
  return true;
}

// A name holds no "/" and no separator of the platform; "\\" is looked for
// by characters, as the byte may be a trail byte.
bool hasSeparator(const String& pattern) {
  const char separator[] = {PATH_SEPARATOR, '\0'};
  return pattern.find("/") >= 0 || pattern.find(separator) >= 0;
}

bool setInput(CommandLineSettings& settings, const Path& value, String&) {
  settings.input = value;
  return true;
}

bool setOutput(CommandLineSettings& settings, const Path& value, String&) {
  settings.output = value;
  return true;
}

template <bool ReportOptions::*FLAG>
bool turnOn(CommandLineSettings& settings, const Path&, String&) {
  settings.report.*FLAG = true;
  return true;
}

template <uint32_t ATTRIBUTES>
bool listToo(CommandLineSettings& settings, const Path&, String&) {
  settings.report.skipAttributes &= ~ATTRIBUTES;
  return true;
}

template <OutputFormat FORMAT>
bool setFormat(CommandLineSettings& settings, const Path&, String&) {
  settings.report.format = FORMAT;
  return true;
}

// Names are matched as the UTF-8 of their native form, and so is the pattern.
bool addExclude(CommandLineSettings& settings, const Path& pattern, String& problem) {
  if (pattern.shown().length() == 0) {
    problem = EMPTY_PATTERN;
    return false;
  }
  if (hasSeparator(pattern.shown())) {
    problem = "exclude " + pattern.shown() + PATTERN_WITH_SEPARATOR;
    return false;
  }
  std::string matched;
  appendNativeAsUtf8(pattern.native(), matched);
  settings.report.excludePatterns.push_back(std::move(matched));
  return true;
}

bool setDepth(CommandLineSettings& settings, const Path& value, String& problem) {
  if (readDepth(value.shown(), settings.report.maxDepth)) return true;
  problem = "depth " + value.shown() + DEPTH_NOT_WHOLE;
  return false;
}

bool setOrder(CommandLineSettings& settings, const Path& value, String& problem) {
  const String& key = value.shown();
  if (key == "name") {
    settings.report.order = EntryOrder::NAME;
  } else if (key == "size") {
    settings.report.order = EntryOrder::SIZE;
  } else if (key == "time") {
    settings.report.order = EntryOrder::TIME;
  } else {
    problem = "sort " + key + SORT_KEY_UNKNOWN;
    return false;
  }
  return true;
}

const Option OPTIONS[] = {
    {"in", ValueKind::PATH, "パス",
     "一覧にするディレクトリとファイルのパターン (既定: カレント ディレクトリの *.*)\n"
     "例: in ~/work/  in ~/work/*.txt (ディレクトリは \"/\" で終えてください)",
     "一覧にするディレクトリとファイルのパターン (既定: カレント ディレクトリの *.*)\n"
     "例: in C:\\work\\  in C:\\work\\*.txt (ディレクトリは \"\\\" で終えてください)",
     setInput},
    {"out", ValueKind::PATH, "ファイル",
     "出力ファイル (既定: ./tree.txt)。既にあれば置き換えます\n"
     "out - なら標準出力に書きます (exec とは一緒に使えません)",
     "出力ファイル (既定: .\\tree.txt)。既にあれば置き換えます\n"
     "out - なら標準出力に書きます (exec とは一緒に使えません)",
     setOutput},
    {"s", ValueKind::NONE, nullptr, "ファイルサイズの出力", nullptr,
     turnOn<&ReportOptions::showSize>},
    {"t", ValueKind::NONE, nullptr, "更新日時の出力", nullptr, turnOn<&ReportOptions::showTime>},
    {"a", ValueKind::NONE, nullptr, "属性の出力 (R 読み取り専用、H 隠し、A アーカイブ、S システム)",
     nullptr, turnOn<&ReportOptions::showAttributes>},
    {"f", ValueKind::NONE, nullptr, "file:// 形式でパスの出力", nullptr,
     turnOn<&ReportOptions::fileUrl>},
    {"p", ValueKind::NONE, nullptr, "ツリー構造の代わりにパス情報を出力", nullptr,
     turnOn<&ReportOptions::pathList>},
    {"hidden", ValueKind::NONE, nullptr, "隠しファイルも対象", nullptr, listToo<ATTRIBUTE_HIDDEN>},
    {"all", ValueKind::NONE, nullptr, "すべてのファイルが対象 (隠しファイルとシステム ファイル)",
     nullptr, listToo<ATTRIBUTE_HIDDEN | ATTRIBUTE_SYSTEM>},
    {"exec", ValueKind::NONE, nullptr, "作成後にテキスト ファイルの既定のアプリケーションで開く",
     "作成後に .txt に関連付けられたプログラムで開く", turnOn<&ReportOptions::openAfterCreate>},
    {"ne", ValueKind::NONE, nullptr, "エラーを表示しない (終了ステータスだけで知らせる)", nullptr,
     turnOn<&ReportOptions::silentErrors>},
    {"exclude", ValueKind::OTHER, "パターン",
     "名前がパターンに合うファイルとディレクトリを一覧にも入れず、中にも\n"
     "入らない (繰り返し可、例: exclude node_modules exclude .git)",
     "名前がパターンに合うファイルとディレクトリを一覧に入れず、"
     "その中にも入らない (何度でも指定できます)",
     addExclude},
    {"depth", ValueKind::OTHER, "N",
     "一番上のディレクトリから N 段下までのサブディレクトリに入る (N は 0 以上の\n"
     "整数、0 なら一番上の中身だけ)",
     "一番上のディレクトリから N 段下までのサブディレクトリに入る", setDepth},
    {"utf8", ValueKind::NONE, nullptr, "UTF-8 で出力し、名前はファイル システムのとおり (BOM なし)",
     "UTF-8 (BOM なし) で出力する。名前はファイル システムのとおり", turnOn<&ReportOptions::utf8>},
    {"lf", ValueKind::NONE, nullptr, "改行を CR LF ではなく LF にする", nullptr,
     turnOn<&ReportOptions::lineFeed>},
    {"summary", ValueKind::NONE, nullptr,
     "最後の行にディレクトリ数、ファイル数、合計バイト数を出力", nullptr,
     turnOn<&ReportOptions::summary>},
    {"csv", ValueKind::NONE, nullptr,
     "表計算用の CSV で出力 (見出し パス,名前,種類,サイズ,更新日時,属性。\n"
     "CP932 と CR LF、utf8 なら BOM 付き UTF-8。p ならファイルの行だけ)",
     nullptr, setFormat<OutputFormat::CSV>},
    {"json", ValueKind::NONE, nullptr, "JSON で出力 (常に UTF-8、ディレクトリの入れ子と最後に件数)",
     nullptr, setFormat<OutputFormat::JSON>},
    {"html", ValueKind::NONE, nullptr,
     "ディレクトリを折りたためる HTML ページで出力 (UTF-8、f ならリンク)", nullptr,
     setFormat<OutputFormat::HTML>},
    {"du", ValueKind::NONE, nullptr,
     "ディレクトリの行にその下のファイルの合計サイズを出力\n"
     "(out - では json のときだけ使えます)",
     "ディレクトリの行にその下のファイルの合計サイズを出力 (out - では json のときだけ)",
     turnOn<&ReportOptions::directorySizes>},
    {"sort", ValueKind::OTHER, "キー",
     "各ディレクトリの中を name (名前)、size (サイズ)、time (更新日時) の順に\n"
     "並べる (ディレクトリは先のまま)",
     nullptr, setOrder},
    {"reverse", ValueKind::NONE, nullptr, "並びを逆にする", nullptr,
     turnOn<&ReportOptions::reverse>},
    {"h", ValueKind::NONE, nullptr, "サイズを 1,024 単位で小数 1 桁にする (1.2K、3.4M、5.6G)",
     nullptr, turnOn<&ReportOptions::humanSizes>},
};

// The word and the name of its value, as both usages begin the option.
std::string nameOf(const Option& option) {
  std::string name = option.word;
  if (option.valueName != nullptr) name.append(" ").append(option.valueName);
  return name;
}

// text with each "\n" replaced by lineBreak; no trail byte of CP932 is a
// line feed, so the bytes can be looked at one by one.
std::string breakLines(const char* text, const char* lineBreak) {
  std::string lines;
  for (const char* at = text; *at != '\0'; ++at) {
    if (*at == '\n') {
      lines += lineBreak;
    } else {
      lines += *at;
    }
  }
  return lines;
}

}  // namespace

OptionTable allOptions() {
  return {std::begin(OPTIONS), std::end(OPTIONS)};
}

const Option* findOption(const char* argument) {
  if (*argument == '-' || *argument == '/') ++argument;
  for (const Option& option : OPTIONS) {
    if (std::strcmp(argument, option.word) == 0) return &option;
  }
  return nullptr;
}

std::string terminalOptionsHelp() {
  const std::string indent(HELP_COLUMN, ' ');
  std::string text;
  for (const Option& option : OPTIONS) {
    std::string line = "  " + nameOf(option);
    line.append(line.size() + 2 <= HELP_COLUMN ? HELP_COLUMN - line.size() : 2, ' ');
    text += line + breakLines(option.help, ("\n" + indent).c_str()) + "\n";
  }
  return text;
}

std::string boxOptionsHelp() {
  std::string text;
  for (const Option& option : OPTIONS) {
    std::string help = option.boxHelp != nullptr ? breakLines(option.boxHelp, "\r\n\t")
                                                 : breakLines(option.help, "");
    text += nameOf(option) + "\t" + help + "\r\n";
  }
  return text;
}

}  // namespace qv
