#include "program/ui/CSoundCardDlg.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPushButton>
#include <QKeyEvent>

#include <utility>

#include "platform/base/DialogUnits.h"
#include "platform/help/WinHelp.h"

namespace {

CSoundCardDlg::ModalScript& CurrentScript()
{
    static CSoundCardDlg::ModalScript script;
    return script;
}

// The template's "MS Sans Serif" 8 points (11 pixels at 96 dpi), or its metric twin.
QFont DialogFont()
{
    const QString face = QStringLiteral("MS Sans Serif");
    QFont font(QFontDatabase::hasFamily(face) ? face : QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    return font;
}

template <typename Widget>
Widget* Place(Widget* widget, int id, int x, int y, int width, int height)
{
    const DialogRect r = MapDialogRect(x, y, width, height);
    widget->setObjectName(QString::number(id));
    widget->setGeometry(r.x, r.y, r.width, r.height);
    return widget;
}

}  // namespace

CSoundCardDlg::CSoundCardDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Sound Card Configuration"));
    setFont(DialogFont());
    const DialogRect client = MapDialogRect(0, 0, 198, 74);
    setFixedSize(client.width, client.height);
    CreateControls();
    const QString program = QCoreApplication::applicationDirPath();
    helpFile = (program.isEmpty() ? QStringLiteral("Embrel.hlp") : program + QStringLiteral("/Embrel.hlp")).toStdString();
}

void CSoundCardDlg::CreateControls()
{
    okButton = Place(new QPushButton(QStringLiteral("OK"), this), IDOK, 141, 7, 50, 14);
    okButton->setDefault(true);
    cancelButton = Place(new QPushButton(QStringLiteral("Cancel"), this), IDCANCEL, 141, 24, 50, 14);
    helpButton = Place(new QPushButton(QStringLiteral("Help"), this), IdHelp, 141, 41, 50, 14);
    listenBox = Place(new QCheckBox(QStringLiteral("Listen while embreling"), this), IdListen, 7, 19, 81, 10);
    // The free face with the toolkit's wider indicator needs a little more than the template.
    listenBox->resize(qMax(listenBox->width(), listenBox->sizeHint().width()), listenBox->height());
    deviceBox = Place(new QComboBox(this), IdDeviceBox, 7, 38, 128, 33);
    deviceBox->setEditable(true);
    deviceBox->setInsertPolicy(QComboBox::NoInsert);
    deviceBox->setCompleter(nullptr);
    // Text typed into the edit field never picks an item.
    QObject::disconnect(deviceBox->lineEdit(), &QLineEdit::editingFinished, nullptr, nullptr);
    deviceBox->resize(deviceBox->width(), deviceBox->sizeHint().height());

    connect(okButton, &QPushButton::clicked, this, &CSoundCardDlg::OnOK);
    connect(cancelButton, &QPushButton::clicked, this, &CSoundCardDlg::OnCancel);
    connect(helpButton, &QPushButton::clicked, this, &CSoundCardDlg::OnHelp);
    connect(listenBox, &QCheckBox::toggled, this, &CSoundCardDlg::OnListenToggled);
    connect(deviceBox, &QComboBox::activated, this, &CSoundCardDlg::OnDeviceSelected);
}

CSoundCardDlg::ModalScript CSoundCardDlg::SetModalScript(ModalScript script)
{
    return std::exchange(CurrentScript(), std::move(script));
}

int CSoundCardDlg::DoModal()
{
    OnInitDialog();
    setResult(IDCANCEL);
    if (CurrentScript()) {
        CurrentScript()(*this);
        return result();
    }
    return exec();
}

void CSoundCardDlg::OnInitDialog()
{
    choice.Begin(listen, deviceIndex);
    choice.AddDeviceList();
    deviceBox->clear();
    for (const SoundCardChoice::Item& item : choice.Items())
        deviceBox->addItem(QString::fromUtf8(item.name.c_str()), item.deviceId);
    deviceBox->setCurrentIndex(choice.Selection());
    listenBox->setChecked(choice.Listen() != 0);
    OnCtlColor();
}

void CSoundCardDlg::ChooseDevice(int item)
{
    if (item < 0 || item >= deviceBox->count()) return;
    deviceBox->setCurrentIndex(item);
    OnDeviceSelected(item);
}

void CSoundCardDlg::OnDeviceSelected(int item)
{
    choice.ChooseItem(item);
    listenBox->setChecked(choice.Listen() != 0);
}

void CSoundCardDlg::OnListenToggled(bool checked)
{
    choice.SetListen(checked);
}

void CSoundCardDlg::OnOK()
{
    listen = choice.Listen();
    deviceIndex = choice.DeviceIndex();
    done(IDOK);
}

void CSoundCardDlg::OnCancel()
{
    done(IDCANCEL);
}

void CSoundCardDlg::reject()
{
    OnCancel();
}

void CSoundCardDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::HelpContents))
        OnHelp();
    else
        QDialog::keyPressEvent(event);
}

void CSoundCardDlg::OnHelp()
{
    WinHelpA(nullptr, helpFile.c_str(), HELP_CONTEXT, 0x20000 + IDD);
}

QPushButton* CSoundCardDlg::Button(int id) const
{
    switch (id) {
    case IDOK: return okButton;
    case IDCANCEL: return cancelButton;
    case IdHelp: return helpButton;
    default: return nullptr;
    }
}

// The dialog, its texts and buttons on the opener's background with black text; the edit
// and list of the device box green on black.
void CSoundCardDlg::OnCtlColor()
{
    QPalette surface = palette();
    surface.setColor(QPalette::Window, backgroundColour);
    surface.setColor(QPalette::WindowText, Qt::black);
    setPalette(surface);
    setAutoFillBackground(true);

    QPalette box = deviceBox->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        box.setColor(group, QPalette::Base, Qt::black);
        box.setColor(group, QPalette::Text, QColor(0x32, 0xC8, 0x32));
    }
    deviceBox->setPalette(box);
    deviceBox->view()->setPalette(box);
}
