#include "program_text.h"

#include <string>

#include "base/platform_posix.h"

QString fromProgramText(const char *text)
{
    std::string utf8;
    qv::posix::toUtf8(text, utf8);
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

qv::String toProgramText(const QString &text)
{
    std::string cp932;
    qv::posix::toCp932(text.toStdString(), cp932);
    return qv::String(cp932.c_str());
}

qv::Path toProgramPath(const QString &text, bool expandHome)
{
    const std::string native = text.toStdString();
    return qv::Path::fromNative(expandHome ? qv::posix::expandHome(native) : native);
}

int programTextLength(const QString &text)
{
    std::string cp932;
    qv::posix::toCp932(text.toStdString(), cp932);
    return int(cp932.size());
}
