#include "program/ui/MainDlgWidget.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include "platform/base/DialogUnits.h"
#include "program/ui/CAboutDlg.h"
#include "program/ui/CSkin.h"
#include "program/ui/CSoundCardDlg.h"
#include "program/ui/CTarvel.h"
#include "program/ui/DesignedFont.h"
#include "program/ui/LevelMeterWidget.h"
#include "program/ui/PresetBoxView.h"
#include "program/ui/ProgramImages.h"

namespace {

struct FaderItem {
    int id;
    int x;
};
constexpr FaderItem Faders[6] = {{IDC_GAIN, 46},     {IDC_MIX, 89},   {IDC_CHARACTER, 124},
                                 {IDC_DYNAMICS, 159}, {IDC_KNEE, 202}, {IDC_LIMITER, 237}};

struct ToolTip {
    int id;
    const char* text;
};
constexpr ToolTip ToolTips[] = {
    {IDC_INPUT_METER, "Displays input levels in 1 dB steps"},
    {IDC_OUTPUT_METER, "Displays output levels in 1 dB steps"},
    {IDC_GAIN, "Set gain to drive embreling"},
    {IDC_MIX, "Determines mix of tube sound"},
    {IDC_TUBE, "Add/Bypass tube sound"},
    {IDC_CHARACTER, "Determines type of tube"},
    {IDC_DYNAMICS, "Determines interaction of sound over time"},
    {IDC_KNEE, "Adjusts shape of tape saturation"},
    {IDC_TAPE, "Add/Bypass tape saturation"},
    {IDC_LIMITER, "Adjusts level at which saturation occurs"},
    {IDC_DITHER, "Add/Bypass dithering"},
    {IDC_INPUT_FILE, "Select source from previous files"},
    {IDC_BROWSE_INPUT, "Browse hard drive for source file"},
    {IDC_OUTPUT_FILE, "Select output from previous files"},
    {IDC_BROWSE_OUTPUT, "Browse hard drive for output file"},
    {IDC_SOUNDCARD, "Configure sound card"},
    {IDC_PRESET, "Enter or select preset name"},
    {IDC_ADD_PRESET, "Add or update preset"},
    {IDC_DELETE_PRESET, "Delete selected preset"},
    {IDC_PREVIEW, "Preview the embreling process"},
    {IDC_START, "Embrel the input sound"},
    {IDC_PAUSE, "Pause/Resume embreling"},
    {IDC_STOP, "Stop embreling"},
    {IDC_PROGRESS, "Do/Don't warn if computer is too slow"},
    {IDC_MINIMIZE, "Minimizes the program"},
    {IDC_QUESTION, "Help, About, Tooltips"},
    {IDC_CLOSE, "Leave this wonderful program :-("},
};

// An icon static that notifies clicks: the window's glyphs. The press is the click, so a
// popup opened by it is not closed again by the release.
class GlyphLabel : public QLabel {
public:
    GlyphLabel(QWidget* parent, std::function<void()> clicked) : QLabel(parent), clicked(std::move(clicked)) {}

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        event->accept();
        if (event->button() == Qt::LeftButton) clicked();
    }

private:
    std::function<void()> clicked;
};

}  // namespace

MainDlgWidget::MainDlgWidget(MessageBoxService& messageBox, FileDialogService& fileDialog)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      dlg(std::make_unique<CMainDlg>(messageBox, fileDialog, *this))
{
    setWindowTitle(QStringLiteral("Calyrix"));
    setWindowIcon(ProgramIcon(IDI_APPLICATION_ICON));
    setFixedSize(DialogUnitsToPixelsX(421), DialogUnitsToPixelsY(217));
    setFocusPolicy(Qt::StrongFocus);
    CSkin::ApplyScheme(this, QColor::fromRgb(dlg->GetBackgroundColour()));
    dlg->SetWakeUp([this] {
        QMetaObject::invokeMethod(
            this, [this] {
                if (dlg && dlg->PumpMessages() > 0) Refresh();
            },
            Qt::QueuedConnection);
    });
}

MainDlgWidget::~MainDlgWidget()
{
    // The meters' windows go before the meters; then the logic, so that a run still going
    // is stopped while the faders exist.
    for (int id : {IDC_INPUT_METER, IDC_OUTPUT_METER}) delete Control(id);
    controls.erase(IDC_INPUT_METER);
    controls.erase(IDC_OUTPUT_METER);
    dlg.reset();
    for (auto& fader : faders) fader.reset();
}

void MainDlgWidget::Place(QWidget* widget, int id, int x, int y, int w, int h)
{
    const DialogRect r = MapDialogRect(x, y, w, h);
    widget->setGeometry(r.x, r.y, r.width, r.height);
    controls[id] = widget;
}

QWidget* MainDlgWidget::Control(int id) const
{
    const auto it = controls.find(id);
    return it == controls.end() ? nullptr : it->second;
}

CTarvel* MainDlgWidget::Fader(int id) const
{
    for (std::size_t i = 0; i < 6; ++i)
        if (Faders[i].id == id) return faders[i].get();
    return nullptr;
}

bool MainDlgWidget::Create()
{
    CreateStatics();
    CreateButtons();
    CreateFileBoxes();
    if (!CreateFaders()) return false;
    CreateMenus();
    ApplyFonts();
    ApplySkin();
    dlg->OnInitDialog();
    ApplyToolTips();
    return true;
}

void MainDlgWidget::CreateStatics()
{
    auto group = [this](int id, const char* title, int x, int y, int w, int h) {
        auto* box = new QGroupBox(QString::fromLatin1(title), this);
        Place(box, id, x, y, w, h);
        box->setAttribute(Qt::WA_TransparentForMouseEvents);
    };
    group(IDC_SETTINGS_GROUP, "Interactive Settings", 13, 13, 282, 203);
    group(IDC_INPUT_GROUP, "Input", 304, 29, 104, 29);
    group(IDC_OUTPUT_GROUP, "Output", 304, 64, 104, 51);
    group(IDC_PRESETS_GROUP, "Presets", 304, 121, 104, 30);
    auto label = [this](int id, const char* text, int x, int y, int w, int h) {
        auto* l = new QLabel(QString::fromLatin1(text), this);
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        Place(l, id, x, y, w, h);
        return l;
    };
    label(IDC_GAIN_LABEL, "Gain", 50, 50, 16, 9);
    label(IDC_GAIN_TEXT, "-12 .0 dB", 42, 186, 31, 9);
    label(IDC_MIX_LABEL, "Mix", 85, 50, 30, 9);
    label(IDC_CHARACTER_LABEL, "Character", 118, 50, 36, 9);
    label(IDC_DYNAMICS_LABEL, "Dynamics", 155, 50, 34, 9);
    label(IDC_KNEE_LABEL, "Knee", 197, 50, 35, 9);
    label(IDC_LIMITER_LABEL, "Limiter", 236, 50, 25, 9);
    label(IDC_LIMITER_TEXT, "-12.0 dB", 233, 186, 31, 9);
    for (auto [id, x] : {std::pair{IDC_INPUT_METER, 25}, std::pair{IDC_OUTPUT_METER, 273}})
        Place(new LevelMeterWidget(dlg->Meter(id), this), id, x, 60, 10, 127);
    auto* logo = label(IDC_LOGO, "", 17, 198, 189, 15);
    logo->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto glyph = [this](int id, int x, int image, const char* text) {
        auto* g = new GlyphLabel(this, [this, id] { dlg->OnCommand(id); });
        g->setAlignment(Qt::AlignCenter);
        Place(g, id, x, 0, 20, 20);
        const QIcon icon = ProgramIcon(image);
        if (icon.isNull()) g->setText(QString::fromLatin1(text));
        else g->setPixmap(icon.pixmap(g->size()));
    };
    glyph(IDC_MINIMIZE, 362, IDI_MINIMIZE, "_");
    glyph(IDC_QUESTION, 382, IDI_QUESTION, "?");
    glyph(IDC_CLOSE, 401, IDI_CLOSE, "x");
}

QAbstractButton* MainDlgWidget::AddButton(int id, const char* text, int x, int y, int w, int h, bool checkable)
{
    auto* button = new QPushButton(QString::fromLatin1(text), this);
    button->setCheckable(checkable);
    button->setFocusPolicy(Qt::TabFocus);
    Place(button, id, x, y, w, h);
    connect(button, &QPushButton::clicked, this, [this, id, button](bool checked) {
        if (button->isCheckable()) dlg->SetCheck(id, checked ? 1 : 0);
        dlg->OnCommand(id);
    });
    return button;
}

void MainDlgWidget::CreateButtons()
{
    AddButton(IDC_TUBE, "Tube", 125, 27, 23, 21, true);
    AddButton(IDC_TAPE, "Tape", 220, 27, 23, 21, true);
    AddButton(IDC_DITHER, "Dither", 257, 201, 33, 11, true);
    AddButton(IDC_BROWSE_INPUT, "...", 388, 41, 14, 12);
    AddButton(IDC_BROWSE_OUTPUT, "...", 388, 76, 14, 12);
    AddButton(IDC_SOUNDCARD, "...", 349, 93, 17, 16);
    AddButton(IDC_ADD_PRESET, "Add", 376, 132, 12, 12);
    AddButton(IDC_DELETE_PRESET, "Delete", 390, 132, 12, 12);
    AddButton(IDC_PREVIEW, "EMBREL", 311, 174, 19, 17);
    AddButton(IDC_START, "EMBREL", 333, 174, 19, 17);
    AddButton(IDC_PAUSE, "PAUSE", 355, 174, 19, 17);
    AddButton(IDC_STOP, "STOP", 377, 174, 19, 17);
    auto* hidden = static_cast<QPushButton*>(AddButton(IDC_DEFAULT, "Default", 312, 2, 31, 10));
    hidden->setDefault(true);
    hidden->hide();
    auto* progress = new QProgressBar(this);
    progress->setRange(0, 100);
    progress->setTextVisible(false);
    Place(progress, IDC_PROGRESS, 310, 195, 89, 10);
}

void MainDlgWidget::CreateFileBoxes()
{
    for (auto [id, y] : {std::pair{IDC_INPUT_FILE, 41}, std::pair{IDC_OUTPUT_FILE, 76}}) {
        auto* box = new QComboBox(this);
        Place(box, id, 312, y, 74, 12);
        connect(box, &QComboBox::activated, this, [this, id](int index) { dlg->OnFileBoxSelected(id, index); });
    }
    auto* presets = new QComboBox(this);
    presets->setEditable(true);
    presets->setFocusPolicy(Qt::ClickFocus);
    Place(presets, IDC_PRESET, 310, 132, 64, 12);
    presetView = std::make_unique<PresetBoxView>(presets, this, *dlg, controls);
}

bool MainDlgWidget::CreateFaders()
{
    for (std::size_t i = 0; i < 6; ++i) {
        faders[i] = std::make_unique<CTarvel>();
        const DialogRect r = MapDialogRect(Faders[i].x, 60, 25, 126);
        if (!faders[i]->Create(nullptr, CTarvel::WS_VISIBLE, QRect(r.x, r.y, r.width, r.height), this,
                               UINT(Faders[i].id))) {
            errorText = faders[i]->GetErrorText();
            return false;
        }
        faders[i]->SetScrollHandler([this](UINT id, LONG pos) { dlg->OnScroll(id, pos); });
        controls[Faders[i].id] = faders[i]->GetWindow();
    }
    return true;
}

void MainDlgWidget::CreateMenus()
{
    questionMenu = new QMenu(QStringLiteral("Question Mark"), this);
    auto add = [this](QMenu* menu, const char* text, int command, bool checkable = false) {
        QAction* action = menu->addAction(QString::fromLatin1(text), this, [this, command] { dlg->OnCommand(command); });
        action->setData(command);
        action->setCheckable(checkable);
        return action;
    };
    add(questionMenu, "Help Topics...", ID_HELP_TOPICS);
    add(questionMenu, "Tool Tips", ID_TOOL_TIPS, true);
    add(questionMenu, "Real Time Watch", ID_REAL_TIME_WATCH, true);
    questionMenu->addSeparator();
    add(questionMenu, "About Calyrix...", ID_APP_ABOUT);
    // The system menu's items without size and maximise, and the About item.
    systemMenu = new QMenu(this);
    systemMenu->addAction(QStringLiteral("Mi&nimize"), this, [this] { Minimize(); });
    systemMenu->addAction(QStringLiteral("&Close\tAlt+F4"), this, [this] { dlg->OnCommand(IDC_CLOSE); });
    systemMenu->addSeparator();
    add(systemMenu, "&About Calyrix...", ID_APP_ABOUT);
}

void MainDlgWidget::ApplyFonts()
{
    const QFont condensed = DesignedFont("Franklin Gothic Medium Cond", 18, 400);
    for (int id : {IDC_INPUT_GROUP, IDC_OUTPUT_GROUP, IDC_PRESETS_GROUP, IDC_GAIN_LABEL, IDC_GAIN_TEXT, IDC_MIX_LABEL,
                   IDC_CHARACTER_LABEL, IDC_DYNAMICS_LABEL, IDC_KNEE_LABEL, IDC_LIMITER_LABEL, IDC_LIMITER_TEXT})
        Control(id)->setFont(condensed);
    Control(IDC_SETTINGS_GROUP)->setFont(DesignedFont("Franklin Gothic Medium", 18, 600));
    // The dialog's own font: "MS Sans Serif" 8 points.
    QFont dialogFont = DesignedFont("MS Sans Serif", 13, 400);
    for (int id : {IDC_PRESET, IDC_INPUT_FILE, IDC_OUTPUT_FILE, IDC_TUBE, IDC_TAPE, IDC_DITHER, IDC_BROWSE_INPUT,
                   IDC_BROWSE_OUTPUT, IDC_SOUNDCARD, IDC_START, IDC_PREVIEW, IDC_PAUSE, IDC_STOP})
        Control(id)->setFont(dialogFont);
}

void MainDlgWidget::ApplyToolTips()
{
    const int on = dlg->GetToolTips() != 0;
    if (on == shownToolTips) return;
    shownToolTips = on;
    for (const ToolTip& tip : ToolTips)
        if (QWidget* w = Control(tip.id)) w->setToolTip(on ? QString::fromLatin1(tip.text) : QString());
}

void MainDlgWidget::RefreshButton(int id)
{
    auto* button = qobject_cast<QAbstractButton*>(Control(id));
    if (!button) return;
    const ControlState& state = dlg->Control(id);
    button->setEnabled(state.enabled);
    if (button->isCheckable() && button->isChecked() != (state.check != 0)) button->setChecked(state.check != 0);
    if (state.image == 0 || shownImages[id] == state.image) return;
    shownImages[id] = state.image;
    const QIcon icon = id == IDC_START
                           ? QIcon(ProgramButtonBitmap(state.image, button->palette().color(QPalette::Button)))
                           : ProgramIcon(state.image);
    if (icon.isNull()) return;
    button->setIcon(icon);
    button->setIconSize(button->size() - QSize(4, 4));
    button->setText(QString());
}

void MainDlgWidget::RefreshFileBox(int id)
{
    auto* box = static_cast<QComboBox*>(Control(id));
    const FileBox& files = dlg->Files(id);
    const QSignalBlocker blocker(box);
    bool same = box->count() == int(files.items.size());
    for (int i = 0; same && i < box->count(); ++i)
        same = box->itemData(i).toString() == QString::fromStdString(files.items[std::size_t(i)].path);
    if (!same) {
        box->clear();
        for (const FileBox::Item& item : files.items)
            box->addItem(QString::fromStdString(item.display), QString::fromStdString(item.path));
    }
    box->setCurrentIndex(files.selected);
    box->setEnabled(dlg->Control(id).enabled);
}

void MainDlgWidget::RefreshFaders()
{
    for (std::size_t i = 0; i < 6; ++i) {
        const SliderState& state = dlg->Slider(Faders[i].id);
        SliderState& shown = shownSliders[Faders[i].id];
        if (state.low != shown.low || state.high != shown.high) faders[i]->SetRange(state.low, state.high);
        if (state.pos != shown.pos || state.low != shown.low || state.high != shown.high) faders[i]->SetPos(state.pos);
        shown = state;
    }
}

void MainDlgWidget::Refresh()
{
    if (!questionMenu || !dlg) return;
    for (int id : {IDC_TUBE, IDC_TAPE, IDC_DITHER, IDC_BROWSE_INPUT, IDC_BROWSE_OUTPUT, IDC_SOUNDCARD, IDC_ADD_PRESET,
                   IDC_DELETE_PRESET, IDC_PREVIEW, IDC_START, IDC_PAUSE, IDC_STOP})
        RefreshButton(id);
    RefreshFileBox(IDC_INPUT_FILE);
    RefreshFileBox(IDC_OUTPUT_FILE);
    presetView->Refresh();
    RefreshFaders();
    static_cast<QLabel*>(Control(IDC_GAIN_TEXT))->setText(QString::fromStdString(dlg->Control(IDC_GAIN_TEXT).text));
    static_cast<QLabel*>(Control(IDC_LIMITER_TEXT))
        ->setText(QString::fromStdString(dlg->Control(IDC_LIMITER_TEXT).text));
    static_cast<QProgressBar*>(Control(IDC_PROGRESS))->setValue(dlg->GetProgress());
    if (shownImages[IDC_LOGO] != dlg->Control(IDC_LOGO).image) {
        shownImages[IDC_LOGO] = dlg->Control(IDC_LOGO).image;
        static_cast<QLabel*>(Control(IDC_LOGO))->setPixmap(ProgramBitmap(shownImages[IDC_LOGO]));
    }
    ApplyToolTips();
    if (dlg->GetFocusCount() == shownFocusCount) return;
    shownFocusCount = dlg->GetFocusCount();
    QWidget* focus = dlg->GetFocusId() == IDC_DEFAULT ? this : Control(dlg->GetFocusId());
    if (focus) focus->setFocus();
}

int MainDlgWidget::DoModal()
{
    show();
    activateWindow();
    QEventLoop loop;
    connect(this, &MainDlgWidget::Ended, &loop, &QEventLoop::quit);
    if (!ended) loop.exec();
    return result;
}

void MainDlgWidget::EndDialog(int code)
{
    if (ended) return;
    ended = true;
    result = code;
    hide();
    emit Ended(code);
}

void MainDlgWidget::Minimize()
{
    showMinimized();
}

// Below the "?" glyph, kept on the desktop.
void MainDlgWidget::ShowQuestionMenu()
{
    for (QAction* action : questionMenu->actions()) {
        if (action->data().toInt() == ID_TOOL_TIPS) action->setChecked(dlg->GetToolTips() != 0);
        if (action->data().toInt() == ID_REAL_TIME_WATCH) action->setChecked(dlg->GetRealTimeWatch() != 0);
    }
    QWidget* glyph = Control(IDC_QUESTION);
    const QRect rect(glyph->mapToGlobal(QPoint(0, 0)), glyph->size());
    const int width = 12 * QFontMetrics(font()).averageCharWidth();
    const QRect desktop = screen() ? screen()->availableGeometry() : QRect();
    const int x = desktop.right() - rect.left() < width ? desktop.right() - width : rect.left();
    const QSize size = questionMenu->sizeHint();
    questionMenu->popup(QPoint(x - size.width() / 2, rect.bottom()));
}

void MainDlgWidget::ShowAbout()
{
    CAboutDlg about(this);
    about.exec();
}

// The colour count decides the background and the logo; the start bitmap takes the new
// button face.
void MainDlgWidget::ApplySkin()
{
    dlg->OnSysColorChange(CSkin::ScreenColourCount());
    CSkin::ApplyScheme(this, QColor::fromRgb(dlg->GetBackgroundColour()));
    CSkin::BuildPalette(IDB_SPLASH, &skinPalette);
    shownImages.erase(IDC_START);
}

// The system's colours changed.
bool MainDlgWidget::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::ApplicationPaletteChange && questionMenu) {
        ApplySkin();
        Refresh();
    }
    return handled;
}

void MainDlgWidget::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && dlg) dlg->OnSize(isMinimized());
}

WindowPlacement MainDlgWidget::GetPlacement()
{
    WindowPlacement placement;
    placement.showCmd = isMinimized() ? 2 : 1;
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    placement.left = normal.x();
    placement.top = normal.y();
    placement.width = normal.width();
    placement.height = normal.height();
    return placement;
}

void MainDlgWidget::SetPlacement(const WindowPlacement& placement)
{
    move(placement.left, placement.top);
}

void MainDlgWidget::GetScreenMetrics(int* width, int* height, int* iconWidth, int* iconHeight)
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRect r = primary ? primary->geometry() : QRect(0, 0, 1024, 768);
    *width = r.width();
    *height = r.height();
    *iconWidth = *iconHeight = 32;
}

bool MainDlgWidget::RunSoundCardDialog(int* listen, int* deviceIndex)
{
    CSoundCardDlg dialog(this);
    dialog.listen = *listen;
    dialog.deviceIndex = *deviceIndex;
    dialog.backgroundColour = palette().color(QPalette::Window);
    if (!dlg->GetHelpFile().empty()) dialog.SetHelpFile(dlg->GetHelpFile());
    if (dialog.DoModal() != IDOK) return false;
    *listen = dialog.listen;
    *deviceIndex = dialog.deviceIndex;
    return true;
}

// A press on the free surface (a label, a frame or the panel itself) drags the window; a
// press on a control never does, even one the control lets through.
void MainDlgWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    QWidget* under = childAt(event->position().toPoint());
    if (under && !qobject_cast<QLabel*>(under) && !qobject_cast<QGroupBox*>(under) &&
        !qobject_cast<LevelMeterWidget*>(under))
        return;
    if (windowHandle() && QGuiApplication::platformName() == QLatin1String("xcb") && windowHandle()->startSystemMove())
        return;
    dragging = true;
    dragOffset = event->globalPosition().toPoint() - pos();
}

void MainDlgWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging) move(event->globalPosition().toPoint() - dragOffset);
}

void MainDlgWidget::mouseReleaseEvent(QMouseEvent* event)
{
    dragging = false;
    QWidget::mouseReleaseEvent(event);
}

void MainDlgWidget::contextMenuEvent(QContextMenuEvent* event)
{
    QWidget* under = childAt(event->pos());
    if (under && !qobject_cast<QLabel*>(under) && !qobject_cast<QGroupBox*>(under)) return;
    systemMenu->popup(event->globalPos());
}

void MainDlgWidget::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) return dlg->OnCommand(IDCANCEL_COMMAND);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return presetView->EnterKey();
    QWidget::keyPressEvent(event);
}

// The window's close runs the OK path; the window goes when that ends it.
void MainDlgWidget::closeEvent(QCloseEvent* event)
{
    if (!ended) dlg->OnCommand(IDC_CLOSE);
    if (ended) event->accept();
    else event->ignore();
}
