// pennova-replay [--settings FILE] [--toolbox FILE] [--toolbox-out FILE] SCRIPT: plays a replay
// script (docs/replay.md) into a document window, offscreen unless QT_QPA_PLATFORM says otherwise.
// Settings and application data live in a temporary folder for the run, so the user's own files
// are never read or written; --settings and --toolbox start the run from a copy of a settings or
// tool-box file, and --toolbox-out receives the tool box as the run leaves it. Exit status: 0
// passed, 1 an expectation failed, 2 the script is malformed or could not run.

#include "app/tabletapp.h"
#include "replay/replayrunner.h"
#include "settings/defaults.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdio>

namespace {

void printError(const QString &text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
}

// Copies every value of an INI settings file into the run's store.
bool copySettings(const QString &path, pennova::Defaults &defaults)
{
    if (!QFileInfo(path).isReadable())
        return false;
    QSettings source(path, QSettings::IniFormat);
    if (source.status() != QSettings::NoError)
        return false;
    QSettings target(defaults.fileName(), QSettings::IniFormat);
    for (const QString &key : source.allKeys())
        target.setValue(key, source.value(key));
    target.sync();
    defaults.sync();
    return target.status() == QSettings::NoError;
}

QtMessageHandler g_defaultHandler = nullptr;

// The offscreen platform warns each time a window's size limits change, a window is raised or a
// menu opens, which says nothing about the run; everything else is passed on.
void filterPlatformNoise(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (text == QLatin1String("This plugin does not support propagateSizeHints()")
        || text == QLatin1String("This plugin does not support raise()")
        || text == QLatin1String("This plugin does not support grabbing the keyboard"))
        return;
    if (g_defaultHandler)
        g_defaultHandler(type, context, text);
}

QString plural(int count, const QString &noun)
{
    return QStringLiteral("%1 %2%3").arg(count).arg(noun).arg(count == 1 ? "" : "s");
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid()) {
        printError(QStringLiteral("pennova-replay: cannot create a temporary folder"));
        return 2;
    }
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
    // The folder is private to the user, as Qt expects of a runtime folder.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit());

    g_defaultHandler = qInstallMessageHandler(filterPlatformNoise);

    pennova::TabletApp app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays a script of pointer, tablet and key events into a document window."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption settingsOption(QStringLiteral("settings"),
        QStringLiteral("Start from a copy of the settings file <file> (it is not changed)."),
        QStringLiteral("file"));
    parser.addOption(settingsOption);
    const QCommandLineOption toolboxOption(QStringLiteral("toolbox"),
        QStringLiteral("Start the palette from a copy of the tool-box file <file>."),
        QStringLiteral("file"));
    parser.addOption(toolboxOption);
    const QCommandLineOption toolboxOutOption(QStringLiteral("toolbox-out"),
        QStringLiteral("Write the tool box to <file> at the end, as the program does when it "
                       "quits."),
        QStringLiteral("file"));
    parser.addOption(toolboxOutOption);
    parser.addPositionalArgument(QStringLiteral("script"), QStringLiteral("The replay script."));
    if (!parser.parse(app.arguments())) {
        printError(QStringLiteral("pennova-replay: ") + parser.errorText());
        return 2;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (parser.positionalArguments().size() != 1) {
        printError(QStringLiteral("usage: pennova-replay [--settings FILE] [--toolbox FILE] "
                                  "[--toolbox-out FILE] SCRIPT"));
        return 2;
    }

    const QString scriptPath = parser.positionalArguments().constFirst();
    QFile file(scriptPath);
    if (!file.open(QIODevice::ReadOnly)) {
        printError(QStringLiteral("%1: cannot read: %2").arg(scriptPath, file.errorString()));
        return 2;
    }
    QString error;
    const std::optional<pennova::ReplayScript> script
        = pennova::ReplayScript::parse(QString::fromUtf8(file.readAll()), &error);
    if (!script) {
        printError(scriptPath + QLatin1Char(':') + error);
        return 2;
    }

    pennova::Defaults &defaults = pennova::Defaults::shared();
    if (parser.isSet(settingsOption) && !copySettings(parser.value(settingsOption), defaults)) {
        printError(QStringLiteral("%1: cannot read settings").arg(parser.value(settingsOption)));
        return 2;
    }

    pennova::ReplayRunner runner(defaults, QFileInfo(scriptPath).absolutePath());
    if (parser.isSet(toolboxOption)) {
        const QString problem = runner.startToolBox(parser.value(toolboxOption));
        if (!problem.isEmpty()) {
            printError(QStringLiteral("pennova-replay: ") + problem);
            return 2;
        }
    }
    QElapsedTimer timer;
    timer.start();
    const pennova::ReplayResult result = runner.run(*script);
    const qint64 elapsedMs = timer.elapsed();
    if (parser.isSet(toolboxOutOption)) {
        const QString problem = runner.writeToolBox(parser.value(toolboxOutOption));
        if (!problem.isEmpty()) {
            printError(QStringLiteral("pennova-replay: ") + problem);
            return 2;
        }
    }
    for (const QString &message : result.messages)
        printError(scriptPath + QLatin1Char(':') + message);
    std::printf("%s: %s, %s, %lld ms\n", qPrintable(scriptPath),
        qPrintable(plural(result.commandsRun, QStringLiteral("command"))),
        qPrintable(plural(result.expectationsChecked, QStringLiteral("expectation"))),
        static_cast<long long>(elapsedMs));
    return result.exitCode();
}
