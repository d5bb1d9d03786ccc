#include "ui/DialogTemplate.h"

#include "ui/ComboBox.h"
#include "ui/ListBox.h"
#include "ui/Resource.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace {

constexpr unsigned kButton = WS_TABSTOP;
constexpr unsigned kLabel = SS_LEFT | WS_GROUP;
constexpr unsigned kEditableCombo = CBS_DROPDOWN | CBS_SORT | WS_VSCROLL | WS_TABSTOP;

using K = DlgItemKind;

// A single-line edit box. A read-only box shows the window's background, as the platform
// greys it, so that it does not look like a box to type into.
class CEdit : public QLineEdit {
public:
    CEdit(const QString& text, bool readOnly, QWidget* parent) : QLineEdit(text, parent) {
        setReadOnly(readOnly);
        if (readOnly) {
            QPalette pal = palette();
            for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
                pal.setBrush(group, QPalette::Base, pal.brush(group, QPalette::Window));
            setPalette(pal);
        }
    }
};

// IDD_MANAGER_DIALOG: creation order is tab order, so Exit is the first tab stop and holds
// the focus when the dialog opens.
const DlgItemTemplate kManagerItems[] = {
    {IDCANCEL, "IDCANCEL", K::PushButton, "Exit", 255, 282, 50, 14, kButton},
    {IDC_STATIC, "IDC_STATIC", K::Label, "IPAddress: ", 15, 11, 40, 8, kLabel},
    {IDC_STATIC, "IDC_STATIC", K::Label, "Community :", 15, 30, 41, 8, kLabel},
    {IDC_STATIC, "IDC_STATIC", K::Label, "OID :", 16, 47, 32, 8, kLabel},
    {IDC_GET, "IDC_GET", K::PushButton, "Get", 254, 44, 51, 15, kButton},
    {IDC_OPEN, "IDC_OPEN", K::PushButton, "Open", 254, 7, 51, 15, kButton},
    {IDC_CLOSE, "IDC_CLOSE", K::PushButton, "Close", 254, 23, 51, 15, kButton},
    {IDC_VALUE, "IDC_VALUE", K::Edit, "", 57, 63, 131, 12, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL},
    {IDC_SET, "IDC_SET", K::PushButton, "Set", 254, 61, 51, 15, kButton},
    {IDC_STATIC, "IDC_STATIC", K::Label, "Value :", 15, 64, 38, 8, kLabel},
    {IDC_STATIC, "IDC_STATIC", K::Label, "Trap Window", 7, 201, 64, 8, kLabel},
    {IDC_WALK_LIST, "IDC_WALK_LIST", K::ListBox, "", 7, 80, 298, 99,
     WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_USETABSTOPS |
         LBS_NOINTEGRALHEIGHT},
    {IDC_TRAP_LIST, "IDC_TRAP_LIST", K::ListBox, "", 7, 211, 298, 70,
     WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT},
    {IDC_GETALL, "IDC_GETALL", K::PushButton, "Get All", 255, 180, 50, 14, kButton},
    {IDC_IPADDRESS, "IDC_IPADDRESS", K::ComboBox, "", 57, 7, 190, 51, kEditableCombo},
    {IDC_COMMUNITY, "IDC_COMMUNITY", K::ComboBox, "", 57, 27, 190, 73, kEditableCombo},
    {IDC_OID, "IDC_OID", K::ComboBox, "", 57, 45, 190, 81, kEditableCombo},
    {IDC_OID_NAME, "IDC_OID_NAME", K::Edit, "", 7, 181, 246, 13,
     WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY},
    {IDC_TYPE, "IDC_TYPE", K::ComboBox, "", 189, 63, 58, 57,
     CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
    {IDC_CLEAR, "IDC_CLEAR", K::PushButton, "Clear", 7, 283, 31, 13, kButton},
};

// IDD_ABOUTBOX.
const DlgItemTemplate kAboutItems[] = {
    {IDC_STATIC, "IDC_STATIC", K::Icon, "", 11, 17, 21, 20, SS_ICON},
    {IDC_STATIC, "IDC_STATIC", K::Label, "Okapel Version 1.0", 40, 10, 119, 8,
     SS_LEFT | SS_NOPREFIX | WS_GROUP},
    {IDC_STATIC, "IDC_STATIC", K::Label, "Copyright (C) 2026", 40, 24, 119, 8, SS_LEFT | WS_GROUP},
    {IDOK, "IDOK", K::PushButton, "OK", 178, 7, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP},
    {IDC_STATIC, "IDC_STATIC", K::Label, "Written by the Okapel developers", 40, 38, 119, 8,
     SS_LEFT | WS_GROUP},
};

} // namespace

const DlgTemplate kManagerDialogTemplate{"Okapel", 312, 303, "MS Sans Serif", 8, kManagerItems};

const DlgTemplate kAboutDialogTemplate{"About Okapel", 235, 57, "MS Sans Serif", 8, kAboutItems};

// The two site-specific addresses are further loopback addresses, where the demo agent is
// served when another agent already holds 127.0.0.1.
const DlgPreset kManagerDialogPresets[9] = {
    {IDC_IPADDRESS, "127.0.0.1"},
    {IDC_IPADDRESS, "127.0.0.2"},
    {IDC_IPADDRESS, "127.0.0.3"},
    {IDC_COMMUNITY, "walnut"},
    {IDC_COMMUNITY, ""},
    {IDC_OID, ".1.3.6.1.4.1.15.0.0.1"},
    {IDC_OID, ".1.3.6.1.4.1.15.0.0.2"},
    {IDC_OID, ".1.3.6.1.2.1.1.5.0"},
    {IDC_OID, ""},
};

DialogUnits DialogUnits::ForFont(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    DialogUnits units;
    units.baseX = (alphabet / 26 + 1) / 2;
    units.baseY = metrics.height();
    return units;
}

// MulDiv rounding, as the platform converts dialog units.
static int MulDivRound(int value, int num, int den) {
    const long long product = static_cast<long long>(value) * num;
    return static_cast<int>((product >= 0 ? product + den / 2 : product - den / 2) / den);
}

QRect DialogUnits::ToPixels(int x, int y, int cx, int cy) const {
    return QRect(MulDivRound(x, baseX, 4), MulDivRound(y, baseY, 8), MulDivRound(cx, baseX, 4),
                 MulDivRound(cy, baseY, 8));
}

QSize DialogUnits::ToPixels(int cx, int cy) const {
    return QSize(MulDivRound(cx, baseX, 4), MulDivRound(cy, baseY, 8));
}

QFont DialogFont(const DlgTemplate&) {
    // The template's face exists on no Linux desktop. The dialogs take the desktop's
    // general font instead, the one the message boxes and menus use too, and their dialog
    // units follow it, as the platform's dialogs follow the system font.
    return QGuiApplication::font();
}

// A static text whose line is wider than its rectangle in the desktop's font has its
// letters set closer, a quarter pixel at a time and at most a pixel and a half, until the
// whole line shows: the rectangle is the template's, and a cut-off label reads wrongly.
static void FitLabelText(QLabel* label) {
    QFont font = label->font();
    for (qreal spacing = -0.25; spacing >= -1.5; spacing -= 0.25) {
        if (QFontMetrics(font).horizontalAdvance(label->text()) <= label->contentsRect().width())
            break;
        font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    }
    if (font != label->font())
        label->setFont(font);
}

static QWidget* CreateControl(QWidget* parent, const DlgItemTemplate& item) {
    const QString text = QString::fromLatin1(item.text);
    switch (item.kind) {
    case DlgItemKind::PushButton: {
        auto* button = new QPushButton(text, parent);
        // Only a default push button takes Enter from elsewhere. A focused button's Enter is
        // the dialog's to route, so no button becomes the default by having the focus (the
        // toolkit would otherwise also make one the default when the dialog is shown).
        const bool isDefault = (item.style & BS_DEFPUSHBUTTON) != 0;
        button->setAutoDefault(isDefault);
        button->setDefault(isDefault);
        return button;
    }
    case DlgItemKind::Label: {
        auto* label = new QLabel(parent);
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case DlgItemKind::Icon: {
        auto* label = new QLabel(parent);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case DlgItemKind::Edit: {
        auto* edit = new CEdit(text, (item.style & ES_READONLY) != 0, parent);
        edit->setFrame((item.style & WS_BORDER) != 0);
        return edit;
    }
    case DlgItemKind::ListBox: {
        auto* list = new CListBox(parent);
        list->SetNotify((item.style & LBS_NOTIFY) != 0);
        return list;
    }
    case DlgItemKind::ComboBox:
        return new CComboBox((item.style & CBS_DROPDOWN) != 0, (item.style & CBS_SORT) != 0,
                             (item.style & CBS_AUTOHSCROLL) != 0, parent);
    }
    return nullptr;
}

DialogUnits CreateDialogControls(QWidget* parent, const DlgTemplate& dlg) {
    parent->setFont(DialogFont(dlg));
    const DialogUnits units = DialogUnits::ForFont(parent->font());
    for (const DlgItemTemplate& item : dlg.items) {
        QWidget* control = CreateControl(parent, item);
        control->setObjectName(QString::fromLatin1(item.name));
        control->setProperty("dlgId", item.id);
        control->setFocusPolicy((item.style & WS_TABSTOP) ? Qt::StrongFocus : Qt::NoFocus);
        QRect rect = units.ToPixels(item.x, item.y, item.cx, item.cy);
        // A combo box's template height includes its dropped-down list; the closed box
        // keeps the toolkit's own height and the list shows as many entries as fit.
        if (item.kind == DlgItemKind::ComboBox) {
            auto* combo = static_cast<QComboBox*>(control);
            const int closed = combo->sizeHint().height();
            combo->setMaxVisibleItems(std::max(1, (rect.height() - closed) / units.baseY));
            rect.setHeight(closed);
        }
        control->setGeometry(rect);
        if (item.kind == DlgItemKind::Label)
            FitLabelText(static_cast<QLabel*>(control));
    }
    return units;
}
