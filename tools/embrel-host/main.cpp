// embrel-host [--preset N] [--play] [--quit-at-end] [--screenshot PNG] [FILE]: plays a WAV file through the
// saturation filter with the filter's property page open.

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/com/ComApi.h"
#include "tools/ToolVersion.h"
#include "tools/embrel-host/CHostSession.h"
#include "tools/embrel-host/HostWindow.h"

namespace {

struct Options {
    QString file;
    int preset = -1;
    bool play = false;
    bool quitAtEnd = false;
    QString screenshot;
};

void Usage(FILE* out)
{
    std::fprintf(out,
                 "usage: embrel-host [options] [FILE.wav]\n"
                 "  --preset N      apply factory preset N (0-9) at start\n"
                 "  --play          start playing FILE at once\n"
                 "  --quit-at-end   exit when FILE has played (status 1 when it failed)\n"
                 "  --screenshot PNG  save a picture of the window as PNG and exit\n"
                 "  --version       print the version and exit\n"
                 "The filter comes from the registry ($CALYRIX_REGISTRY; register Embrel.ax with regsvr);\n"
                 "sound goes to the wave-out device ($CALYRIX_WAVEOUT).\n");
}

bool Parse(const QStringList& args, Options* options)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "--play") {
            options->play = true;
        } else if (a == "--quit-at-end") {
            options->quitAtEnd = true;
        } else if (a == "--screenshot" && i + 1 < args.size()) {
            options->screenshot = args[++i];
        } else if (a == "--preset" && i + 1 < args.size()) {
            bool ok = false;
            options->preset = args[++i].toInt(&ok);
            if (!ok || options->preset < 0 || options->preset > 9)
                return false;
        } else if (!a.startsWith("-") && options->file.isEmpty()) {
            options->file = a;
        } else {
            return false;
        }
    }
    return (!options->play && !options->quitAtEnd) || !options->file.isEmpty();
}

int Run(QApplication& app, const Options& options)
{
    CHostSession session;
    std::string error;
    if (!session.CreateFilter(&error)) {
        std::fprintf(stderr, "embrel-host: %s\n", error.c_str());
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qgetenv("QT_QPA_PLATFORM") != "offscreen")
            QMessageBox::critical(nullptr, "embrel-host", QString::fromStdString(error));
        return 1;
    }
    HostWindow window(session);
    if (options.preset >= 0)
        window.ApplyPreset(options.preset);
    window.show();
    int code = 0;
    if (!options.file.isEmpty() && !window.OpenFile(options.file)) {
        std::fprintf(stderr, "embrel-host: %s\n", qPrintable(window.Status()));
        if (options.quitAtEnd)
            return 1;
    } else if (options.play && !window.Play()) {
        std::fprintf(stderr, "embrel-host: %s\n", qPrintable(window.Status()));
        if (options.quitAtEnd)
            return 1;
    }
    if (!options.screenshot.isEmpty()) {
        if (window.grab().save(options.screenshot, "PNG"))
            return 0;
        std::fprintf(stderr, "embrel-host: cannot write %s\n", qPrintable(options.screenshot));
        return 1;
    }
    if (options.quitAtEnd)
        QObject::connect(&window, &HostWindow::Finished, &app, [&](bool ok) {
            code = ok ? 0 : 1;
            app.quit();
        });
    const int result = app.exec();
    return code != 0 ? code : result;
}

} // namespace

int main(int argc, char** argv)
{
    if (PrintVersionIfAsked("embrel-host", argc, argv)) return 0;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            Usage(stdout);
            return 0;
        }
    QApplication app(argc, argv);
    Options options;
    if (!Parse(app.arguments(), &options)) {
        Usage(stderr);
        return 2;
    }
    const HRESULT init = CoInitialize(nullptr);
    const int code = Run(app, options);
    if (SUCCEEDED(init))
        CoUninitialize();
    return code;
}
