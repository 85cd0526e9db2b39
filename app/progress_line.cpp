#include "app/progress_line.h"

#include "base/platform.h"

namespace qv {

namespace {

// Columns that the character at text[i] takes: two for a double-byte
// character of code page 932, else one (half-width kana included).
int columnsAt(const std::string& text, size_t i) {
  return isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

int columnsOf(const std::string& text) {
  int columns = 0;
  for (size_t i = 0; i < text.size(); i += static_cast<size_t>(columnsAt(text, i))) {
    columns += columnsAt(text, i);
  }
  return columns;
}

}  // namespace

ProgressLine::ProgressLine(ProgressPace pace) : pace_(pace), start_(Clock::now()) {}

void ProgressLine::update(const WalkCounts& counts, const String& directory) {
  Clock::time_point now = Clock::now();
  if (now - start_ < pace_.firstDraw || (shown_ && now - drawn_ < pace_.redraw)) return;
  if (width_ < 0) width_ = standardErrorTerminalWidth();
  // The last column stays free: writing it would wrap on some terminals.
  const int room = width_ - 1;
  if (room < 10) return;

  std::string line;
  appendGrouped(counts.directories, line);
  line += " ディレクトリ、";
  appendGrouped(counts.files, line);
  line += " ファイル  ";
  std::string path;
  appendShown(directory.cStr(), path);
  int pathRoom = room - columnsOf(line);
  if (columnsOf(path) > pathRoom) {
    // The end of the path says most: its start gives way to "...".
    int drop = columnsOf(path) - (pathRoom - 3);
    size_t at = 0;
    while (at < path.size() && drop > 0) {
      drop -= columnsAt(path, at);
      at += static_cast<size_t>(columnsAt(path, at));
    }
    path = pathRoom > 3 ? "..." + path.substr(at) : std::string();
  }
  line += path;
  int used = columnsOf(line);
  if (used < room) line.append(static_cast<size_t>(room - used), ' ');
  writeStandardError(("\r" + line + "\r").c_str());
  shown_ = true;
  drawn_ = now;
}

void ProgressLine::erase() {
  if (!shown_) return;
  shown_ = false;
  writeStandardError(("\r" + std::string(static_cast<size_t>(width_ - 1), ' ') + "\r").c_str());
}

}  // namespace qv
