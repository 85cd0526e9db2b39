#include "base/text_file_opener.h"

#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "base/exec_line_posix.h"
#include "base/platform.h"
#include "base/platform_posix.h"

// The opener is the Exec line of the default text/plain application, read
// from the XDG MIME association files (mimeapps.list, mimeinfo.cache) in the
// precedence the freedesktop.org rules for MIME applications give them.
namespace qv {

namespace {

std::string trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return "";
  size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(begin, end - begin + 1);
}

// The non-empty parts of text between separators.
std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(separator, start);
    std::string part =
        text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!part.empty()) parts.push_back(part);
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

// Relative paths in the XDG directory variables are ignored, as XDG requires;
// an unset or empty variable means the fallback.
std::string baseDirectory(const char* variable, const char* belowHome) {
  std::string value = posix::environment(variable);
  if (!value.empty() && value[0] == '/') return value;
  std::string home = posix::environment("HOME");
  return home.empty() ? "" : home + belowHome;
}

std::vector<std::string> baseDirectoryList(const char* variable, const char* fallback) {
  std::string value = posix::environment(variable);
  if (value.empty()) value = fallback;
  std::vector<std::string> dirs;
  for (const std::string& dir : split(value, ':')) {
    if (dir[0] == '/') dirs.push_back(dir);
  }
  return dirs;
}

bool isRegularFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Calls visit(group, key, value) for each entry of a desktop-entry style file
// (mimeapps.list, mimeinfo.cache, .desktop). False when it cannot be read.
template <typename Visit>
bool readKeyFile(const std::string& path, Visit visit) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string group;
  std::string line;
  while (std::getline(in, line)) {
    std::string text = trim(line);
    if (text.empty() || text[0] == '#') continue;
    if (text[0] == '[') {
      size_t close = text.find(']');
      group = close == std::string::npos ? "" : text.substr(1, close - 1);
      continue;
    }
    size_t equals = text.find('=');
    if (equals == std::string::npos) continue;
    visit(group, trim(text.substr(0, equals)), trim(text.substr(equals + 1)));
  }
  return true;
}

// The application directories, most important first.
std::vector<std::string> applicationDirectories() {
  std::vector<std::string> dirs;
  std::string dataHome = baseDirectory("XDG_DATA_HOME", "/.local/share");
  if (!dataHome.empty()) dirs.push_back(dataHome + "/applications");
  for (const std::string& dir : baseDirectoryList("XDG_DATA_DIRS", "/usr/local/share:/usr/share")) {
    dirs.push_back(dir + "/applications");
  }
  return dirs;
}

// A desktop id names a file below an application directory with each '/' of
// its relative path turned into '-', so "org-example-ed.desktop" may be
// org-example-ed.desktop, org/example-ed.desktop or org/example/ed.desktop.
bool findBelow(const std::string& dir, const std::string& rest, std::string& path) {
  std::string candidate = dir + "/" + rest;
  if (isRegularFile(candidate)) {
    path = candidate;
    return true;
  }
  for (size_t dash = rest.find('-'); dash != std::string::npos; dash = rest.find('-', dash + 1)) {
    std::string subdirectory = dir + "/" + rest.substr(0, dash);
    if (isDirectory(subdirectory) && findBelow(subdirectory, rest.substr(dash + 1), path)) {
      return true;
    }
  }
  return false;
}

struct DesktopEntry {
  bool hidden = false;
  std::string exec;
  std::string name;
  std::string icon;
  std::string path;
};

// Finds the desktop file of id and reads its [Desktop Entry] group. The first
// file found shadows those in later directories, also when it is hidden
// (Hidden=true marks a desktop file as deleted). False when the application is
// not installed.
bool findApplication(const std::string& id, DesktopEntry& entry) {
  const std::string suffix = ".desktop";
  if (id.size() <= suffix.size() ||
      id.compare(id.size() - suffix.size(), suffix.size(), suffix) != 0 ||
      id.find('/') != std::string::npos) {
    return false;
  }
  for (const std::string& dir : applicationDirectories()) {
    std::string path;
    if (!findBelow(dir, id, path)) continue;
    bool seenExec = false;
    entry.path = path;
    bool readable = readKeyFile(
        path, [&](const std::string& group, const std::string& key, const std::string& value) {
          if (group != "Desktop Entry") return;
          if (key == "Hidden") entry.hidden = value == "true";
          if (key == "Name") entry.name = value;
          if (key == "Icon") entry.icon = value;
          if (key == "Exec" && !seenExec) {
            seenExec = true;
            entry.exec = value;
          }
        });
    return readable && !entry.hidden;
  }
  return false;
}

bool isInstalled(const std::string& id) {
  DesktopEntry entry;
  return findApplication(id, entry);
}

// The text/plain entries of one mimeapps.list or mimeinfo.cache. level is the
// rank of its directory; a removal applies to its own level and below.
struct Associations {
  int level = 0;
  std::vector<std::string> defaults;
  std::vector<std::string> added;
  std::vector<std::string> removed;
  std::vector<std::string> cached;
};

void addIds(const std::string& value, std::vector<std::string>& ids) {
  for (const std::string& id : split(value, ';')) {
    std::string trimmed = trim(id);
    if (!trimmed.empty()) ids.push_back(trimmed);
  }
}

void readAssociations(const std::string& path, int level, std::vector<Associations>& out) {
  Associations entries;
  entries.level = level;
  bool readable = readKeyFile(
      path, [&](const std::string& group, const std::string& key, const std::string& value) {
        if (key != "text/plain") return;
        if (group == "Default Applications") addIds(value, entries.defaults);
        if (group == "Added Associations") addIds(value, entries.added);
        if (group == "Removed Associations") addIds(value, entries.removed);
        if (group == "MIME Cache") addIds(value, entries.cached);
      });
  if (readable) out.push_back(entries);
}

// Every mimeapps.list and mimeinfo.cache in precedence order: the user's and
// the system's configuration, then the user's and the system's application
// directories; in each, the files of the current desktops before the plain one.
std::vector<Associations> readAllAssociations() {
  std::vector<std::string> desktops;
  for (std::string name : split(posix::environment("XDG_CURRENT_DESKTOP"), ':')) {
    for (char& c : name) c = posix::asciiLower(c);
    desktops.push_back(name);
  }
  std::vector<std::string> configDirs;
  std::string configHome = baseDirectory("XDG_CONFIG_HOME", "/.config");
  if (!configHome.empty()) configDirs.push_back(configHome);
  for (const std::string& dir : baseDirectoryList("XDG_CONFIG_DIRS", "/etc/xdg")) {
    configDirs.push_back(dir);
  }
  std::vector<std::string> dataDirs = applicationDirectories();

  std::vector<Associations> all;
  int level = 0;
  auto readLists = [&](const std::string& dir) {
    for (const std::string& desktop : desktops) {
      readAssociations(dir + "/" + desktop + "-mimeapps.list", level, all);
    }
    readAssociations(dir + "/mimeapps.list", level, all);
  };
  for (const std::string& dir : configDirs) {
    readLists(dir);
    ++level;
  }
  for (const std::string& dir : dataDirs) {
    readLists(dir);
    readAssociations(dir + "/mimeinfo.cache", level, all);
    ++level;
  }
  return all;
}

// The desktop id of the default text/plain application, "" when there is none.
std::string defaultTextApplication() {
  std::vector<Associations> all = readAllAssociations();
  auto usable = [&](const std::string& id, int level) {
    for (const Associations& entries : all) {
      if (entries.level > level) break;
      for (const std::string& removed : entries.removed) {
        if (removed == id) return false;
      }
    }
    return isInstalled(id);
  };
  using Member = std::vector<std::string> Associations::*;
  for (Member member : {&Associations::defaults, &Associations::added, &Associations::cached}) {
    for (const Associations& entries : all) {
      for (const std::string& id : entries.*member) {
        if (usable(id, entries.level)) return id;
      }
    }
  }
  return "";
}

}  // namespace

String findTextFileOpener() {
  try {
    std::string id = defaultTextApplication();
    if (id.empty()) return String();
    DesktopEntry entry;
    if (!findApplication(id, entry) || entry.exec.empty()) return String();
    // Desktop files are UTF-8; the program's text is code page 932.
    std::string command;
    posix::toCp932(entry.exec, command);
    return openerFromCommand(command.c_str());
  } catch (...) {
    return String();
  }
}

bool openWithTextViewer(const Path& path) {
  try {
    std::string id = defaultTextApplication();
    DesktopEntry entry;
    if (id.empty() || !findApplication(id, entry) || entry.exec.empty()) {
      setLastError(CODE_FILE_NOT_FOUND);
      return false;
    }
    // Absolute, so that a name such as "-n.txt" is never an option.
    posix::ExecFields fields{posix::absoluteNative(path.native()), entry.icon, entry.name,
                             entry.path};
    std::vector<std::string> arguments;
    if (fields.file.empty()) return false;
    if (!posix::execArguments(entry.exec, fields, arguments)) {
      setLastError(CODE_INVALID_PARAMETER);
      return false;
    }
    return posix::startArguments(arguments);
  } catch (...) {
    setLastError(CODE_NOT_ENOUGH_MEMORY);
    return false;
  }
}

}  // namespace qv
