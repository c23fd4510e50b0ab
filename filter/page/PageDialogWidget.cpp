#include "filter/page/PageDialogWidget.h"

#include <QCursor>
#include <QFontMetrics>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QScopedValueRollback>
#include <QPushButton>
#include <QKeyEvent>
#include <QSlider>
#include <QTimer>

#include "filter/framework/CPageDialog.h"
#include "platform/base/DialogUnits.h"

namespace {

QRect Mapped(int x, int y, int width, int height)
{
    const DialogRect r = MapDialogRect(x, y, width, height);
    return QRect(r.x, r.y, r.width, r.height);
}

QColor Colour(COLORREF colour)
{
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

void Paint(QWidget* widget, QColor background, bool opaque)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::Button, background);
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::ButtonText, Qt::black);
    widget->setPalette(palette);
    widget->setAutoFillBackground(opaque);
}

} // namespace

PageDialogWidget::PageDialogWidget(CPageDialog& dialog, QWidget* parent) : QWidget(parent), dialog(dialog)
{
    QFont pageFont = font();  // the template's 8 points
    pageFont.setPointSize(8);
    setFont(pageFont);
    const SIZE size = dialog.PixelSize();
    resize(size.cx, size.cy);
    CreateControls();
    // Posted messages (the filter's notifications) are handled on this thread.
    dialog.SetWakeUp([this] { QMetaObject::invokeMethod(this, [this] { this->dialog.PumpMessages(); }, Qt::QueuedConnection); });
    Sync(0);
}

PageDialogWidget::~PageDialogWidget()
{
    dialog.SetWakeUp(nullptr);
}

void PageDialogWidget::CreateControls()
{
    for (const DialogItem& item : dialog.Template().items) {
        QWidget* control = CreateControl(item);
        if (control == nullptr)
            continue;
        control->setGeometry(Mapped(item.x, item.y, item.width, item.height));
        control->setVisible(item.visible);
        control->setProperty("controlId", item.id);
        if (item.id > 0)
            controls[item.id] = control;
        if (item.kind == DialogItemKind::GroupBox)
            control->lower();
    }
}

QWidget* PageDialogWidget::CreateControl(const DialogItem& item)
{
    const int id = item.id;
    switch (item.kind) {
    case DialogItemKind::GroupBox:
        return new QGroupBox(this);
    case DialogItemKind::Label:
    case DialogItemKind::Picture: {
        auto* label = new QLabel(QString::fromLatin1(item.text), this);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        return label;
    }
    case DialogItemKind::Trackbar: {
        auto* slider = new QSlider(Qt::Vertical, this);
        slider->setInvertedAppearance(true);  // the low end at the top
        slider->setInvertedControls(true);
        slider->setTickPosition(QSlider::TicksBothSides);
        slider->setFocusPolicy(Qt::StrongFocus);
        auto moved = [this, id, slider] {
            if (!syncing)
                dialog.UserMovedTrackbar(id, slider->value(), !slider->isSliderDown());
        };
        connect(slider, &QSlider::valueChanged, this, moved);
        connect(slider, &QSlider::sliderReleased, this, moved);
        return slider;
    }
    case DialogItemKind::PushButton:
    case DialogItemKind::CheckButton: {
        auto* button = new QPushButton(QString::fromLatin1(item.text), this);
        button->setCheckable(item.kind == DialogItemKind::CheckButton);
        connect(button, &QPushButton::clicked, this, [this, id] { dialog.UserClicked(id); });
        return button;
    }
    }
    return nullptr;
}

void PageDialogWidget::Sync(int id)
{
    const QScopedValueRollback<bool> guard(syncing, true);
    if (id == 0) {
        Paint(this, Colour(dialog.PageColour()), true);
        for (const auto& [controlId, control] : controls)
            Sync(controlId);
        return;
    }
    const DialogControl* state = dialog.Control(id);
    QWidget* control = ControlWidget(id);
    if (state == nullptr || control == nullptr)
        return;
    // Buttons keep the desktop's button face; the dialog colours the rest.
    const bool trackbar = state->item.kind == DialogItemKind::Trackbar;
    if (qobject_cast<QPushButton*>(control) == nullptr)
        Paint(control, Colour(trackbar ? dialog.TrackbarColour() : dialog.PageColour()), trackbar);
    if (state->labelFont && !dialog.LabelFont().face.empty())
        control->setFont(FittingLabelFont(dialog.LabelFont(), state->text, control->width()));
    if (auto* slider = qobject_cast<QSlider*>(control)) {
        slider->setRange(state->low, state->high);
        slider->setTickInterval(state->tickFrequency);
        slider->setPageStep(state->pageSize);
        slider->setValue(state->pos);
    } else if (auto* button = qobject_cast<QPushButton*>(control)) {
        button->setChecked(state->check != 0);
        if (state->image != 0) {
            button->setText(QString());
            button->setIcon(QIcon(Image(state->image)));
            button->setIconSize(QSize(32, 32));
        }
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        if (state->image != 0)
            label->setPixmap(Image(state->image));
        else
            label->setText(QString::fromLatin1(state->text.c_str()));
    }
}

void PageDialogWidget::StartTimer(unsigned id, unsigned milliseconds)
{
    QTimer*& timer = timers[id];
    if (timer == nullptr) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, id] { dialog.SendMessage(WM_TIMER, id, 0); });
    }
    timer->start(static_cast<int>(milliseconds));
}

void PageDialogWidget::StopTimer(unsigned id)
{
    auto it = timers.find(id);
    if (it != timers.end())
        it->second->stop();
}

void PageDialogWidget::FocusControl(int id)
{
    if (QWidget* control = ControlWidget(id))
        control->setFocus(Qt::OtherFocusReason);
}

QWidget* PageDialogWidget::ControlWidget(int id) const
{
    auto it = controls.find(id);
    return it == controls.end() ? nullptr : it->second;
}

int PageDialogWidget::ControlIdOf(const QWidget* widget) const
{
    for (; widget != nullptr && widget != this; widget = widget->parentWidget())
        if (widget->property("controlId").isValid())
            return widget->property("controlId").toInt();
    return -1;
}

// F1 reaches the dialog from any control, as none of them takes it.
void PageDialogWidget::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        AskForHelp();
        return;
    }
    QWidget::keyPressEvent(event);
}

// Help on the control under the mouse, else on the one with the focus.
void PageDialogWidget::AskForHelp()
{
    QWidget* target = childAt(mapFromGlobal(QCursor::pos()));
    if (target == nullptr || ControlIdOf(target) <= 0)
        target = focusWidget();
    dialog.UserAskedHelp(ControlIdOf(target));
}

QPixmap PageDialogWidget::Image(int resourceId)
{
    return QPixmap(QStringLiteral(":/filter/%1.png").arg(resourceId));
}

// The label font at the designed cell height, made smaller where a substitute face is
// wider than the designed condensed one and the text would not fit its label.
QFont PageDialogWidget::FittingLabelFont(const DialogFont& designed, const std::string& text, int width)
{
    QFont labelFont(LabelFamily(designed.face));
    labelFont.setWeight(QFont::Normal);
    int pixels = designed.height * 7 / 8;  // cell height less internal leading
    const QString shown = QString::fromStdString(text);
    do {
        labelFont.setPixelSize(pixels);
    } while (QFontMetrics(labelFont).horizontalAdvance(shown) > width && --pixels > 8);
    return labelFont;
}

QString PageDialogWidget::LabelFamily(const std::string& face)
{
    const QString designed = QString::fromStdString(face);
    return QFontDatabase::hasFamily(designed) ? designed : QStringLiteral("Liberation Sans Narrow");
}
