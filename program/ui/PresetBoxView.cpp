#include "program/ui/PresetBoxView.h"

#include <algorithm>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

PresetBoxView::PresetBoxView(QComboBox* box, QWidget* window, CMainDlg& dlg, const std::map<int, QWidget*>& controls)
    : box(box), window(window), dlg(dlg), controls(controls)
{
    box->setInsertPolicy(QComboBox::NoInsert);  // the logic decides what is added
    box->setCompleter(nullptr);                  // a typed name stays as it was typed
    connections[0] = QObject::connect(box, &QComboBox::activated, box, [this](int index) {
        this->dlg.OnPresetSelected(index);
    });
    connections[1] = QObject::connect(box->lineEdit(), &QLineEdit::textEdited, box, [this](const QString& text) {
        this->dlg.OnPresetText(text.toStdString());
    });
    connections[2] = QObject::connect(qApp, &QApplication::focusChanged, box, [this](QWidget* old, QWidget* now) {
        FocusChanged(old, now);
    });
}

PresetBoxView::~PresetBoxView()
{
    for (const QMetaObject::Connection& c : connections) QObject::disconnect(c);
}

void PresetBoxView::Refresh()
{
    const PresetBox& model = dlg.Presets();
    const QSignalBlocker blocker(box);
    bool same = box->count() == model.GetCount();
    for (int i = 0; same && i < box->count(); ++i) same = box->itemText(i).toStdString() == model.GetItem(i);
    if (!same) {
        box->clear();
        for (int i = 0; i < model.GetCount(); ++i) box->addItem(QString::fromStdString(model.GetItem(i)));
    }
    const QString text = QString::fromStdString(model.GetText());
    const int cursor = box->lineEdit()->cursorPosition();
    if (box->currentIndex() != model.GetCurSel()) box->setCurrentIndex(model.GetCurSel());
    if (box->currentText() != text) {
        box->setEditText(text);
        box->lineEdit()->setCursorPosition(std::min(cursor, int(text.size())));
    }
    box->setEnabled(dlg.Control(IDC_PRESET).enabled);
}

void PresetBoxView::EnterKey()
{
    const int id = IdOf(QApplication::focusWidget());
    dlg.OnEnterKey(id, TextOf(id));
}

int PresetBoxView::IdOf(QWidget* widget) const
{
    for (; widget != nullptr; widget = widget->parentWidget()) {
        if (widget == window) return IDC_DEFAULT;
        for (const auto& [id, control] : controls)
            if (control == widget) return id;
    }
    return 0;
}

std::string PresetBoxView::TextOf(int id) const
{
    const auto it = controls.find(id);
    if (it == controls.end()) return std::string();
    if (auto* combo = qobject_cast<QComboBox*>(it->second)) return combo->currentText().toStdString();
    if (auto* button = qobject_cast<QAbstractButton*>(it->second)) return button->text().toStdString();
    return std::string();
}

// Only a move to another control of the window counts: not to a message box or the box's
// own list, nor away from the window.
void PresetBoxView::FocusChanged(QWidget* old, QWidget* now)
{
    if (old == nullptr || now == nullptr || now->window() != window || IdOf(old) != IDC_PRESET) return;
    const int id = IdOf(now);
    if (id == IDC_PRESET) return;
    // Asked once the click or key that moved the focus has been handled, so that a click
    // on another control still reaches it.
    QMetaObject::invokeMethod(box, [this, id] { dlg.OnPresetKillFocus(id); }, Qt::QueuedConnection);
}
