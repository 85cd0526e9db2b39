#include "japanese_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

bool installJapaneseTranslation(QCoreApplication &application)
{
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    QLocale::setDefault(japanese);
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(japanese, QStringLiteral("qtbase"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    translator->setParent(&application);
    return QCoreApplication::installTranslator(translator.release());
}
