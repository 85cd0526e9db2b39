// Conversions between the program's code page 932 text and QString. Paths
// that come from the user (typed or picked) become a Path that keeps their
// own bytes, so that names without an exact code page 932 form are the ones
// reached.
#ifndef PROGRAM_TEXT_H
#define PROGRAM_TEXT_H

#include <QString>

#include "base/path.h"
#include "base/string.h"

QString fromProgramText(const char *text);
inline QString fromProgramText(const qv::String &text)
{
    return fromProgramText(text.cStr());
}
qv::String toProgramText(const QString &text);

// A path typed or picked by the user; with expandHome, a leading "~" or
// "~user" expanded to the home directory as a shell would.
qv::Path toProgramPath(const QString &text, bool expandHome);

// The number of bytes that text takes in code page 932 (a character without
// a CP932 form counts as the one "?" that stands for it).
int programTextLength(const QString &text);

#endif
