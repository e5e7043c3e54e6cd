// Entry of the test program: headless Qt, and settings kept in a temporary folder so that no
// test ever reads or writes the user's own settings.

#include "app/tabletapp.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
    ::testing::InitGoogleTest(&argc, argv);
    pennova::TabletApp app(argc, argv);
    return RUN_ALL_TESTS();
}
