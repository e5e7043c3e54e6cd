// A helper the tests start as a separate process, to be killed: it writes files the way the
// program does, over and over, so that a kill lands anywhere in a write; or leaves an autosave
// behind as a Pennova that stops would.
//
//   pennova_test_child save-loop FILE SIDE       Save's write (PNG), version 1, 2, 3 ...
//   pennova_test_child autosave-loop FILE SIDE   an autosave, version 1, 2, 3 ...
//   pennova_test_child toolbox-loop FILE SIDE    a tool-box file of SIDE tools, version 1, 2, 3 ...
//   pennova_test_child leave-autosave ROOT PICTURE TITLE DOCUMENT
//       opens an autosave store under ROOT, autosaves PICTURE in it as a document TITLE of the
//       file DOCUMENT, prints the autosave's path and waits to be killed.
//   pennova_test_child open-peak FILE
//       reads FILE as Open does into a canvas and prints how far the peak of resident memory
//       rose over what the process held before, and the picture's pixel bytes.
// Each loop prints the number of every version once it is written.

#include "app/autosavefile.h"
#include "app/autosavestore.h"
#include "canvas/atomicfile.h"
#include "canvas/canvassurface.h"
#include "canvas/imagefile.h"
#include "palette/toolboxfile.h"
#include "peakmemory.h"
#include "versionpicture.h"

#include <QFile>
#include <QGuiApplication>
#include <QThread>
#include <cstdio>

using namespace pennova;

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if ((mode == QLatin1String("save-loop") || mode == QLatin1String("autosave-loop")
            || mode == QLatin1String("toolbox-loop"))
        && args.size() == 4) {
        const QString file = args[2];
        const int side = args[3].toInt();
        for (int version = 1;; ++version) {
            const QImage picture = test::versionPicture(side, version);
            QString error;
            if (mode == QLatin1String("toolbox-loop")) {
                error = atomicfile::writeFile(
                    file, toolboxfile::encode(test::versionTools(side, version)));
            } else if (mode == QLatin1String("save-loop")) {
                error = imagefile::writeImage(picture, file, imagefile::Format::Png);
            } else {
                autosavefile::Record record;
                record.title = QString::number(version);
                record.time = QDateTime::currentDateTime();
                record.canvasSize = picture.size();
                error = autosavefile::write(file, CanvasSnapshot::fromImage(picture), record);
            }
            if (!error.isEmpty()) {
                std::fprintf(stderr, "%s\n", qPrintable(error));
                return 1;
            }
            std::printf("%d\n", version);
            std::fflush(stdout);
        }
    }
    if (mode == QLatin1String("open-peak") && args.size() == 3) {
        const long long before = test::peakResidentBytes();
        imagefile::ReadResult read = imagefile::readImage(args[2]);
        if (!read.ok()) {
            std::fprintf(stderr, "%s\n", qPrintable(read.error));
            return 1;
        }
        CanvasSurface surface;
        surface.adoptImage(std::move(read.image));
        std::printf("%lld %lld\n", test::peakResidentBytes() - before,
            (long long)surface.width() * surface.height() * 4);
        return 0;
    }
    if (mode == QLatin1String("leave-autosave") && args.size() == 6) {
        AutosaveStore store(args[2]);
        QString error;
        if (!store.open(&error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        const QImage picture = imagefile::readImage(args[3]).image;
        autosavefile::Record record;
        record.title = args[4];
        record.documentPath = args[5];
        record.time = QDateTime::currentDateTime();
        record.canvasSize = picture.size();
        const QString file = store.newFilePath();
        error = autosavefile::write(file, CanvasSnapshot::fromImage(picture), record);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        std::printf("%s\n", qPrintable(file));
        std::fflush(stdout);
        for (;;)
            QThread::sleep(60);
    }
    std::fprintf(stderr, "usage: see the top of testchild.cpp\n");
    return 2;
}
