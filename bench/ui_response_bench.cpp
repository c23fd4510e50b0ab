// How long input waits in Embrel's event loop while an offline run embrels a long file.
//   ui_response_bench IN.wav OUT.wav
// Opens the main window (offscreen), starts an offline run of IN.wav into OUT.wav, and
// every 5 ms from another thread posts a key press to the Gain fader, as the window system
// would deliver one. The time from posting to the fader receiving it is the input latency;
// its median, 99th percentile and maximum over the run are printed. "Save Results?" is
// answered No, so OUT.wav is not kept.
#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/com/ComApi.h"
#include "program/ui/CCalyrixApp.h"
#include "program/ui/MainDlgWidget.h"
#include "program/ui/QtFileDialogService.h"
#include "program/ui/ResourceIds.h"

namespace {

using Clock = std::chrono::steady_clock;

// Yes/no boxes get No (the result is not saved); every other box OK.
class AnsweringMessageBox : public MessageBoxService {
public:
    int Show(const std::string&, const std::string&, UINT type) override
    {
        return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
    }
};

// A key press stamped with the moment it was posted.
class StampedKey : public QKeyEvent {
public:
    StampedKey() : QKeyEvent(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier), posted(Clock::now()) {}
    const Clock::time_point posted;
};

// Takes each stamped key as the fader receives it and notes how long it waited.
class LatencyProbe : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (const auto* key = dynamic_cast<StampedKey*>(event)) {
            latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - key->posted).count());
        }
        return false;
    }
    const std::vector<double>& Latencies() const { return latencies; }

private:
    std::vector<double> latencies;
};

void Report(std::vector<double> ms, double seconds)
{
    if (ms.empty()) {
        std::puts("no key press was delivered");
        return;
    }
    std::sort(ms.begin(), ms.end());
    auto at = [&](double q) { return ms[std::min(ms.size() - 1, std::size_t(q * double(ms.size())))]; };
    std::printf("offline run of %.1f s; %zu key presses: median %.2f ms, 99th percentile %.2f ms, max %.2f ms\n",
                seconds, ms.size(), at(0.5), at(0.99), ms.back());
}

int Measure(MainDlgWidget& window, LatencyProbe& probe)
{
    QWidget* gain = window.Control(IDC_GAIN);
    auto* start = static_cast<QAbstractButton*>(window.Control(IDC_START));
    gain->installEventFilter(&probe);
    const Clock::time_point began = Clock::now();
    start->click();
    if (start->isEnabled()) {
        std::fputs("ui_response_bench: the run did not start\n", stderr);
        return 1;
    }
    StampedKey{};  // the first key event makes the keyboard device, which belongs to this thread
    std::atomic<bool> running{true};
    std::thread poster([&] {
        while (running) {
            QCoreApplication::postEvent(gain, new StampedKey);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    while (!start->isEnabled()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    running = false;
    poster.join();
    QApplication::processEvents();
    Report(probe.Latencies(), std::chrono::duration<double>(Clock::now() - began).count());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: ui_response_bench IN.wav OUT.wav\n", stderr);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (FAILED(CoInitialize(nullptr))) return 1;
    int rc = 1;
    {
        AnsweringMessageBox messageBox;
        QtFileDialogService fileDialog;
        LatencyProbe probe;
        MainDlgWidget window(messageBox, fileDialog);
        if (!window.Create()) {
            std::fprintf(stderr, "ui_response_bench: %s\n%s\n", window.GetErrorText().c_str(),
                         CCalyrixApp::RegisterHint(argv[0]).c_str());
        } else {
            window.Dialog().AddInputFile(argv[1]);
            window.Dialog().AddOutputFile(argv[2]);
            window.Refresh();
            window.show();
            QApplication::processEvents();
            rc = Measure(window, probe);
        }
    }
    CoUninitialize();
    return rc;
}
