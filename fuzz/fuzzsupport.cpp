#include "fuzzsupport.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdlib>

namespace pennova::fuzz {

namespace {

    QTemporaryDir *s_scratch = nullptr;

} // namespace

void ensureApplication()
{
    if (QCoreApplication::instance())
        return;
    s_scratch = new QTemporaryDir;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", s_scratch->filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", s_scratch->filePath(QStringLiteral("data")).toLocal8Bit());
    // Decoders' complaints about the inputs are expected by the thousand.
    qputenv("QT_LOGGING_RULES", "*.debug=false;qt.gui.imageio*=false");
    static int argc = 1;
    static char name[] = "pennova-fuzz";
    static char *argv[] = { name, nullptr };
    new QGuiApplication(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
}

QString scratchFolder()
{
    ensureApplication();
    return s_scratch->path();
}

} // namespace pennova::fuzz
