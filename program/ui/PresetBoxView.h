#pragma once

#include <QMetaObject>

#include <map>
#include <string>

#include "program/ui/CMainDlg.h"

class QComboBox;
class QWidget;

// The preset box on the screen: hands what the user chooses and types, and where the focus
// goes from the box, to the window's logic, and shows the box's items, selection and text.
class PresetBoxView {
public:
    // controls: the window's controls by id, the box among them.
    PresetBoxView(QComboBox* box, QWidget* window, CMainDlg& dlg, const std::map<int, QWidget*>& controls);
    ~PresetBoxView();
    PresetBoxView(const PresetBoxView&) = delete;
    PresetBoxView& operator=(const PresetBoxView&) = delete;

    void Refresh();
    // The Enter key: the control with the focus and its text go to the logic.
    void EnterKey();

private:
    // The id of the control a widget belongs to; IDC_DEFAULT for the window itself, where
    // the focus is parked; 0 for none.
    int IdOf(QWidget* widget) const;
    std::string TextOf(int id) const;
    void FocusChanged(QWidget* old, QWidget* now);

    QComboBox* box;
    QWidget* window;
    CMainDlg& dlg;
    const std::map<int, QWidget*>& controls;
    QMetaObject::Connection connections[3];
};
