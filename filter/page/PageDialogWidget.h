#pragma once

#include <QWidget>

#include <map>
#include <string>

class CPageDialog;
struct DialogFont;
struct DialogItem;
class QTimer;

// Draws a page's dialog from its state (controls laid out from the template, its colours,
// label font and images) and hands the user's input back to the dialog as its messages.
// Images are the compiled-in ":/filter/<resource id>.png".
class PageDialogWidget final : public QWidget {
    Q_OBJECT
public:
    PageDialogWidget(CPageDialog& dialog, QWidget* parent);
    ~PageDialogWidget() override;

    // Brings one control (0: the dialog's colours and fonts) up to date with the dialog.
    void Sync(int id);
    void StartTimer(unsigned id, unsigned milliseconds);
    void StopTimer(unsigned id);
    void FocusControl(int id);
    // The control's widget, or null.
    QWidget* ControlWidget(int id) const;

    static QPixmap Image(int resourceId);
    // The face where installed, else the free narrow substitute of the designed label face.
    static QString LabelFamily(const std::string& face);
    static QFont FittingLabelFont(const DialogFont& designed, const std::string& text, int width);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateControls();
    QWidget* CreateControl(const DialogItem& item);
    void AskForHelp();
    int ControlIdOf(const QWidget* widget) const;

    CPageDialog& dialog;
    std::map<int, QWidget*> controls;
    std::map<unsigned, QTimer*> timers;
    bool syncing = false;
};
