#pragma once

#include <QWidget>

#include "tools/embrel-host/CHostSession.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

// embrel-host's window: open, play, pause and stop, a box of the filter's factory
// presets, the filter's property page in a frame, and a status line.
class HostWindow final : public QWidget {
    Q_OBJECT
public:
    // With session's filter created; shows its page.
    explicit HostWindow(CHostSession& session, QWidget* parent = nullptr);
    ~HostWindow() override;

    // Opens a file (the status line says why not); true when it is open.
    bool OpenFile(const QString& path);
    bool Play();
    void Pause();
    void Stop();
    void ApplyPreset(int index);

    QWidget* PageFrame() const { return frame; }
    QString Status() const;

signals:
    // The open file played to its end (or playing failed).
    void Finished(bool ok);

private:
    void ChooseFile();
    void Poll();
    void ShowState(const QString& message);

    CHostSession& session;
    QPushButton* playButton;
    QPushButton* pauseButton;
    QPushButton* stopButton;
    QComboBox* presetBox;
    QWidget* frame;
    QLabel* status;
    QTimer* poll;
};
