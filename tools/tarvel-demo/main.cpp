// A small container for the program's six faders: creates them through the registry by
// class identifier, sets their ranges from the engine's parameter table and prints every
// Scroll as "<control id> <position>".
//   tarvel-demo [--screenshot FILE.png]
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QWidget>

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/ParameterTable.h"
#include "engine/SaturationEngine.h"
#include "platform/com/ComApi.h"
#include "platform/registry/Registry.h"
#include "program/ui/CTarvel.h"
#include "tools/ToolVersion.h"

namespace {

struct SliderItem {
    UINT id;
    ParameterId parameter;
    int xDu;
};

constexpr std::array<SliderItem, 6> kSliders{{
    {1004, ParameterId::Gain, 46},
    {1010, ParameterId::Mix, 89},
    {1006, ParameterId::Character, 124},
    {1097, ParameterId::Dynamics, 159},
    {1009, ParameterId::Knee, 202},
    {1005, ParameterId::Limiter, 237},
}};

// Dialog units of the program's 8-point dialog font.
int DuX(int du) { return du * 3 / 2; }
int DuY(int du) { return du * 13 / 8; }

}  // namespace

int main(int argc, char** argv)
{
    if (PrintVersionIfAsked("tarvel-demo", argc, argv)) return 0;
    const char* screenshot = nullptr;
    for (int i = 1; i < argc; ++i) {
        const bool help = std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0;
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
            screenshot = argv[++i];
        } else {
            std::fputs("usage: tarvel-demo [--screenshot FILE.png]\n", help ? stdout : stderr);
            return help ? 0 : 2;
        }
    }

    // A screenshot shows no window, so it needs no display.
    if (screenshot && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (FAILED(CoInitialize(nullptr))) {
        std::fprintf(stderr, "tarvel-demo: the component runtime cannot start\n");
        return 1;
    }
    int rc = 0;
    {
        QWidget window;
        window.setWindowTitle(QStringLiteral("Tarvel"));
        window.setFixedSize(DuX(290), DuY(200));
        window.setAutoFillBackground(true);

        SaturationEngine engine;
        std::array<std::unique_ptr<CTarvel>, kSliders.size()> sliders;
        auto print = [](UINT id, LONG pos) {
            std::printf("%u %d\n", id, static_cast<int>(pos));
            std::fflush(stdout);
        };
        for (std::size_t i = 0; i < kSliders.size() && rc == 0; ++i) {
            const SliderItem& item = kSliders[i];
            const ParameterInfo& info = ParameterTable::Get(item.parameter);
            auto* label = new QLabel(QString::fromLatin1(info.name), &window);
            label->setGeometry(DuX(item.xDu - 4), DuY(48), DuX(33), DuY(9));
            label->setAlignment(Qt::AlignHCenter);
            QFont small = label->font();
            small.setPointSize(7);
            label->setFont(small);

            sliders[i] = std::make_unique<CTarvel>();
            CTarvel& slider = *sliders[i];
            const QRect rect(DuX(item.xDu), DuY(60), DuX(25), DuY(126));
            if (!slider.Create(nullptr, CTarvel::WS_VISIBLE, rect, &window, item.id)) {
                std::fprintf(stderr, "tarvel-demo: %s\n", slider.GetErrorText());
                std::fprintf(stderr, "tarvel-demo: is TARVEL.OCX registered? regsvr PATH/TARVEL.OCX registers it in %s\n",
                             RegGetFilePath().c_str());
                rc = 1;
                break;
            }
            slider.SetScrollHandler(print);
            slider.SetRange(info.low, info.high);
            slider.SetPos((engine.*info.get)());
        }
        if (rc == 0) {
            window.show();
            if (screenshot) {
                QApplication::processEvents();
                if (!window.grab().save(QString::fromLocal8Bit(screenshot), "PNG")) {
                    std::fprintf(stderr, "tarvel-demo: cannot write %s\n", screenshot);
                    rc = 1;
                }
            } else {
                rc = QApplication::exec();
            }
        }
        for (auto& s : sliders) s.reset();
    }
    CoUninitialize();
    return rc;
}
