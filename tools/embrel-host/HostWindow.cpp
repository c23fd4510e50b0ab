#include "tools/embrel-host/HostWindow.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "filter/page/WidgetHandle.h"

HostWindow::HostWindow(CHostSession& session, QWidget* parent) : QWidget(parent), session(session)
{
    setWindowTitle("embrel-host");
    auto* openButton = new QPushButton("&Open...", this);
    playButton = new QPushButton("&Play", this);
    pauseButton = new QPushButton("P&ause", this);
    stopButton = new QPushButton("&Stop", this);
    presetBox = new QComboBox(this);
    presetBox->setPlaceholderText("Factory preset");
    for (const std::wstring& name : session.PresetNames())
        presetBox->addItem(QString::fromStdWString(name));
    presetBox->setCurrentIndex(-1);
    auto* row = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(openButton), static_cast<QWidget*>(playButton),
                       static_cast<QWidget*>(pauseButton), static_cast<QWidget*>(stopButton)})
        row->addWidget(w);
    row->addStretch();
    row->addWidget(new QLabel("Preset:", this));
    row->addWidget(presetBox);

    frame = new QWidget(this);
    SIZE size{366, 335};
    const HRESULT sized = session.GetPageSize(&size);
    frame->setFixedSize(size.cx, size.cy);
    status = new QLabel(this);
    auto* column = new QVBoxLayout(this);
    column->addLayout(row);
    column->addWidget(frame, 0, Qt::AlignHCenter);
    column->addWidget(status);
    column->setSizeConstraint(QLayout::SetFixedSize);

    connect(openButton, &QPushButton::clicked, this, &HostWindow::ChooseFile);
    connect(playButton, &QPushButton::clicked, this, &HostWindow::Play);
    connect(pauseButton, &QPushButton::clicked, this, &HostWindow::Pause);
    connect(stopButton, &QPushButton::clicked, this, &HostWindow::Stop);
    connect(presetBox, &QComboBox::activated, this, &HostWindow::ApplyPreset);
    poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &HostWindow::Poll);
    poll->start(100);

    const RECT where{0, 0, size.cx, size.cy};
    const HRESULT shown = FAILED(sized) ? sized : session.ShowPage(WidgetHandle(frame), where);
    ShowState(SUCCEEDED(shown) ? "Open a WAV file to play it through the filter."
                               : QString("The filter's property page cannot be shown (0x%1).")
                                     .arg(static_cast<unsigned>(shown), 8, 16, QChar('0')));
}

// The page goes before the frame it lives in.
HostWindow::~HostWindow()
{
    session.ClosePage();
}

QString HostWindow::Status() const
{
    return status->text();
}

void HostWindow::ShowState(const QString& message)
{
    const bool open = session.GetState() != CHostSession::State::Closed;
    playButton->setEnabled(open && session.GetState() != CHostSession::State::Playing);
    pauseButton->setEnabled(session.GetState() == CHostSession::State::Playing);
    stopButton->setEnabled(open && session.GetState() != CHostSession::State::Stopped);
    status->setText(message);
}

bool HostWindow::OpenFile(const QString& path)
{
    std::string error;
    const bool opened = session.Open(path.toStdString(), &error);
    setWindowTitle(opened ? "embrel-host - " + QFileInfo(path).fileName() : QString("embrel-host"));
    ShowState(opened ? "Ready: " + path : path + ": " + QString::fromStdString(error));
    return opened;
}

void HostWindow::ChooseFile()
{
    const QString path = QFileDialog::getOpenFileName(this, "Open a WAV file", QString(), "WAV files (*.wav);;All files (*)");
    if (!path.isEmpty())
        OpenFile(path);
}

bool HostWindow::Play()
{
    const HRESULT hr = session.Play();
    ShowState(SUCCEEDED(hr) ? "Playing " + QString::fromStdString(session.FilePath())
                            : QString("Cannot play (0x%1): is there a sound output? See CALYRIX_WAVEOUT.")
                                  .arg(static_cast<unsigned>(hr), 8, 16, QChar('0')));
    return SUCCEEDED(hr);
}

void HostWindow::Pause()
{
    ShowState(SUCCEEDED(session.Pause()) ? "Paused" : "Cannot pause");
}

void HostWindow::Stop()
{
    ShowState(SUCCEEDED(session.Stop()) ? "Stopped" : "Cannot stop");
}

void HostWindow::ApplyPreset(int index)
{
    if (FAILED(session.ApplyPreset(index)))
        ShowState("Cannot apply the preset");
}

void HostWindow::Poll()
{
    HRESULT failure = S_OK;
    if (!session.PollFinished(&failure))
        return;
    ShowState(SUCCEEDED(failure) ? QString("Played to the end")
                                 : QString("Playing stopped: error 0x%1").arg(static_cast<unsigned>(failure), 8, 16, QChar('0')));
    emit Finished(SUCCEEDED(failure));
}
