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
    return qv::String(qv::posix::pathToCp932(text.toStdString()).c_str());
}
