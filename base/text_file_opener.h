// Finding the program the desktop opens ".txt" files with, so that a finished
// report can be shown in it. Windows reads the class registrations in the
// registry (text_file_opener_win32.cpp); POSIX reads the XDG MIME
// associations and desktop files (text_file_opener_posix.cpp). Both hand the
// open command they find to openerFromCommand(), which cuts it the same way.
#pragma once

#include "base/path.h"
#include "base/string.h"

namespace qv {

// The program registered to open ".txt" files, as a program name or path
// without arguments past the file placeholder and without quotes: "notepad",
// "/opt/My Editor/ed", or "kate -b" when options precede the placeholder.
// Empty when there is none or anything fails; never throws.
String findTextFileOpener();

// Starts the program registered to open ".txt" files on the file at path and
// does not wait for it. The file reaches it as one argument that no program
// can take for an option: absolute on POSIX, where the desktop entry's
// command is read by its own quoting rules and no shell is run. False when
// there is no such program or it cannot be started.
bool openWithTextViewer(const Path& path);

// The program part of an open command: the text before its first "%", each
// leading quote mark dropped with the spaces after it, cut at the next quote
// mark, trailing spaces removed. Throws Exception 8 only when memory runs out.
String openerFromCommand(const String& command);

}  // namespace qv
