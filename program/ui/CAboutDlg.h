#pragma once

#include <QColor>
#include <QDialog>

// The About box, template 100: the product and its version, the program icon, the logo and
// the emblem, the maker and its support line, all on light grey.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent);

    // A control by its id: 1 the OK button, 1092 the logo, 1093 the emblem, 1201 the icon,
    // 1202 the version, 1203 the legal notice, 1204 the maker, 1205 the support line.
    QWidget* Control(int id) const;

    static constexpr int IDD = 100;
    static constexpr QRgb Background = 0xC0C0C0;

private:
    void Place(QWidget* widget, int id, int x, int y, int w, int h);
};
