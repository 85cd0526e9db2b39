// Conversions between the program's code page 932 text and QString. Paths
// that come from the user (typed or picked) are converted so that names
// without an exact code page 932 form can still be found afterwards.
#ifndef PROGRAM_TEXT_H
#define PROGRAM_TEXT_H

#include <QString>

#include "base/string.h"

QString fromProgramText(const char *text);
inline QString fromProgramText(const qv::String &text)
{
    return fromProgramText(text.cStr());
}
qv::String toProgramText(const QString &text);

// A path typed by the user, with a leading "~" or "~user" expanded to the
// home directory as a shell would.
qv::String toProgramPath(const QString &text);

// The number of bytes that text takes in code page 932 (a character without
// a CP932 form counts as the one "?" that stands for it).
int programTextLength(const QString &text);

#endif
