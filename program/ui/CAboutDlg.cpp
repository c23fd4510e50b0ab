#include "program/ui/CAboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "platform/base/DialogUnits.h"
#include "program/ui/CSkin.h"
#include "program/ui/DesignedFont.h"
#include "program/ui/ProgramImages.h"
#include "program/ui/ResourceIds.h"

namespace {

constexpr int IDC_ABOUT_LOGO = 1092;
constexpr int IDC_ABOUT_EMBLEM = 1093;
// The texts and the icon are plain statics; these ids only name them inside the box.
constexpr int IDC_ABOUT_ICON = 1201;
constexpr int IDC_ABOUT_VERSION = 1202;
constexpr int IDC_ABOUT_LEGAL = 1203;
constexpr int IDC_ABOUT_MAKER = 1204;
constexpr int IDC_ABOUT_SUPPORT = 1205;

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("About Calyrix"));
    setFixedSize(DialogUnitsToPixelsX(221), DialogUnitsToPixelsY(204));
    CSkin::ApplyScheme(this, QColor::fromRgb(Background));
    setFont(DesignedFont("MS Sans Serif", 13, 400));

    auto label = [this](int id, const QString& text, int x, int y, int w, int h) {
        auto* l = new QLabel(text, this);
        l->setWordWrap(true);
        Place(l, id, x, y, w, h);
        return l;
    };
    auto* icon = label(IDC_ABOUT_ICON, QString(), 11, 10, 21, 20);
    icon->setPixmap(ProgramIcon(IDI_APPLICATION_ICON).pixmap(32, 32));
    label(IDC_ABOUT_VERSION, QStringLiteral("Calyrix Version 1.01"), 40, 10, 119, 8);
    label(IDC_ABOUT_LEGAL, QStringLiteral("Copyright \u00A9 2026 Quorel. All rights reserved."), 40, 22, 119, 16);
    auto picture = [&label](int id, int bitmap, int x, int y, int w, int h) {
        label(id, QString(), x, y, w, h)->setPixmap(ProgramBitmap(bitmap));
    };
    picture(IDC_ABOUT_LOGO, 166, 49, 44, 122, 43);
    picture(IDC_ABOUT_EMBLEM, 169, 77, 94, 67, 30);
    auto* maker = label(IDC_ABOUT_MAKER, QStringLiteral("Quorel"), 10, 134, 201, 9);
    maker->setAlignment(Qt::AlignHCenter);
    auto* support = label(IDC_ABOUT_SUPPORT,
                          QStringLiteral("Technical support: describe the problem, the sound file's format and "
                                         "the steps that lead to it in an issue of the Calyrix project."),
                          10, 150, 201, 40);
    support->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    Place(ok, IDOK_COMMAND, 164, 7, 50, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void CAboutDlg::Place(QWidget* widget, int id, int x, int y, int w, int h)
{
    const DialogRect r = MapDialogRect(x, y, w, h);
    widget->setGeometry(r.x, r.y, r.width, r.height);
    widget->setProperty("controlId", id);
}

QWidget* CAboutDlg::Control(int id) const
{
    for (QWidget* child : findChildren<QWidget*>())
        if (child->property("controlId").toInt() == id) return child;
    return nullptr;
}
