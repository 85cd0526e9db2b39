// The Qt tests run inside one QApplication on the offscreen platform, with
// Qt's Japanese texts as the program has them.
#include <QApplication>
#include <gtest/gtest.h>

#include "japanese_translation.h"

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    installJapaneseTranslation(application);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
