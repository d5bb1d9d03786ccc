#include "ui/DialogTemplate.h"

#include "ui/BoxLook.h"
#include "ui/ComboBox.h"
#include "ui/ListBox.h"
#include "ui/Resource.h"
#include "ui/SecretEdit.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr unsigned kButton = WS_TABSTOP;
constexpr unsigned kLabel = SS_LEFT | WS_GROUP;
constexpr unsigned kEditableCombo = CBS_DROPDOWN | CBS_SORT | WS_VSCROLL | WS_TABSTOP;

using K = DlgItemKind;

// A single-line edit box. A read-only box shows the window's background, as the platform
// greys it, so that it does not look like a box to type into. Its border stays visible in
// a palette where the style's would be lost.
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

protected:
    void paintEvent(QPaintEvent* event) override {
        QLineEdit::paintEvent(event);
        if (hasFrame())
            DrawBorderWhereLost(this);
    }
};

// A spin box whose number a typed text that leaves its range does not change silently: a
// number short of the range becomes its nearest end, and a box left empty keeps the number it
// had. Its border stays visible as an edit box's does.
class CSpinBox : public QSpinBox {
public:
    explicit CSpinBox(QWidget* parent) : QSpinBox(parent) {
        setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
        setAccelerated(true); // a held arrow speeds up over a range of thousands
    }

protected:
    void fixup(QString& input) const override {
        if (input.trimmed().isEmpty())
            input = QString::number(value());
    }
    void paintEvent(QPaintEvent* event) override {
        QSpinBox::paintEvent(event);
        if (hasFrame())
            DrawBorderWhereLost(this);
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

// IDD_SESSION_SETTINGS: each setting's label with its range, beside its box; the SNMPv3
// user under the numbers; how walk and trap lines are written; what the settings are for
// below them; the notifications not shown; OK and Cancel at the bottom.
constexpr unsigned kSettingsEdit = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr unsigned kSettingsList = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
const DlgItemTemplate kSessionSettingsItems[] = {
    {IDC_STATIC, "IDC_STATIC", K::Label, "SNMP &version:", 7, 9, 118, 8, kLabel},
    {IDC_SNMP_VERSION, "IDC_SNMP_VERSION", K::ComboBox, "", 130, 7, 143, 40, kSettingsList},
    {IDC_STATIC, "IDC_STATIC", K::Label, "&Time-out in ms (100 to 60,000):", 7, 27, 118, 8, kLabel},
    {IDC_TIMEOUT, "IDC_TIMEOUT", K::SpinBox, "", 130, 25, 143, 12, WS_BORDER | WS_TABSTOP},
    {IDC_STATIC, "IDC_STATIC", K::Label, "&Retries (0 to 10):", 7, 45, 118, 8, kLabel},
    {IDC_RETRIES, "IDC_RETRIES", K::SpinBox, "", 130, 43, 143, 12, WS_BORDER | WS_TABSTOP},
    {IDC_STATIC, "IDC_STATIC", K::Label, "&Bulk size (1 to 1,000):", 7, 63, 118, 8, kLabel},
    {IDC_BULK_SIZE, "IDC_BULK_SIZE", K::SpinBox, "", 130, 61, 143, 12, WS_BORDER | WS_TABSTOP},
    {IDC_STATIC, "IDC_STATIC", K::Label, "&User name:", 7, 85, 118, 8, kLabel},
    {IDC_USER_NAME, "IDC_USER_NAME", K::Edit, "", 130, 83, 143, 12, kSettingsEdit},
    {IDC_STATIC, "IDC_STATIC", K::Label, "Security &level:", 7, 103, 118, 8, kLabel},
    {IDC_SECURITY_LEVEL, "IDC_SECURITY_LEVEL", K::ComboBox, "", 130, 101, 143, 60, kSettingsList},
    {IDC_STATIC, "IDC_STATIC", K::Label, "&Authentication protocol:", 7, 121, 118, 8, kLabel},
    {IDC_AUTH_PROTOCOL, "IDC_AUTH_PROTOCOL", K::ComboBox, "", 130, 119, 143, 90, kSettingsList},
    {IDC_STATIC, "IDC_STATIC", K::Label, "Authentication &passphrase:", 7, 139, 118, 8, kLabel},
    {IDC_AUTH_PASSPHRASE, "IDC_AUTH_PASSPHRASE", K::Edit, "", 130, 137, 143, 12,
     kSettingsEdit | ES_PASSWORD},
    {IDC_STATIC, "IDC_STATIC", K::Label, "Pr&ivacy protocol:", 7, 157, 118, 8, kLabel},
    {IDC_PRIV_PROTOCOL, "IDC_PRIV_PROTOCOL", K::ComboBox, "", 130, 155, 143, 70, kSettingsList},
    {IDC_STATIC, "IDC_STATIC", K::Label, "Privac&y passphrase:", 7, 175, 118, 8, kLabel},
    {IDC_PRIV_PASSPHRASE, "IDC_PRIV_PASSPHRASE", K::Edit, "", 130, 173, 143, 12,
     kSettingsEdit | ES_PASSWORD},
    {IDC_STATIC, "IDC_STATIC", K::Label, "&Context name (optional):", 7, 193, 118, 8, kLabel},
    {IDC_CONTEXT_NAME, "IDC_CONTEXT_NAME", K::Edit, "", 130, 191, 143, 12, kSettingsEdit},
    {IDC_STATIC, "IDC_STATIC", K::Label, "&Walk and trap values:", 7, 211, 118, 8, kLabel},
    {IDC_LIST_VALUES, "IDC_LIST_VALUES", K::ComboBox, "", 130, 209, 143, 40, kSettingsList},
    {IDC_STATIC, "IDC_STATIC", K::Label, "Walk and trap i&dentifiers:", 7, 229, 118, 8, kLabel},
    {IDC_LIST_NAMES, "IDC_LIST_NAMES", K::ComboBox, "", 130, 227, 143, 40, kSettingsList},
    {IDC_STATIC, "IDC_STATIC", K::Label,
     "The time-out and retries hold for every request; the bulk size is how many objects Get "
     "All asks for in one SNMPv2c or SNMPv3 request. The SNMPv3 user serves SNMPv3 sessions "
     "and notifications. Passphrases need at least 8 characters; they are never shown again or "
     "kept (only their keys, until Okapel ends). The settings take effect at the next Open; "
     "how lines are written, from the next line on.",
     7, 247, 266, 52, kLabel | SS_WORDWRAP},
    {IDC_STATIC, "IDC_STATIC", K::Label, "Notifications not shown since Okapel started:", 7, 301,
     266, 8, kLabel},
    {IDC_TRAP_DROPS, "IDC_TRAP_DROPS", K::Label, "", 7, 310, 266, 26, kLabel | SS_WORDWRAP},
    {IDOK, "IDOK", K::PushButton, "OK", 169, 339, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP},
    {IDCANCEL, "IDCANCEL", K::PushButton, "Cancel", 223, 339, 50, 14, WS_TABSTOP},
};

} // namespace

const DlgTemplate kManagerDialogTemplate{"Okapel", 312, 303, kManagerItems};

const DlgTemplate kAboutDialogTemplate{"About Okapel", 235, 57, kAboutItems};

const DlgTemplate kSessionSettingsTemplate{"Session Settings", 280, 360, kSessionSettingsItems};

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
        label->setWordWrap((item.style & SS_WORDWRAP) != 0);
        return label;
    }
    case DlgItemKind::Icon: {
        auto* label = new QLabel(parent);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case DlgItemKind::Edit: {
        QLineEdit* edit = (item.style & ES_PASSWORD)
                              ? static_cast<QLineEdit*>(new CSecretEdit(parent))
                              : new CEdit(text, (item.style & ES_READONLY) != 0, parent);
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
    case DlgItemKind::SpinBox: {
        auto* spin = new CSpinBox(parent);
        spin->setFrame((item.style & WS_BORDER) != 0);
        return spin;
    }
    }
    return nullptr;
}

namespace {

bool IsBoxOrButton(DlgItemKind kind) {
    return kind == DlgItemKind::Edit || kind == DlgItemKind::ComboBox ||
           kind == DlgItemKind::PushButton || kind == DlgItemKind::SpinBox;
}

// Boxes and buttons whose template tops are this close (in dialog units) stand in one row.
constexpr int kRowSlack = 4;

// About the height of a closed combo box in dialog units, for finding the rows.
constexpr int kClosedComboUnits = 12;

// The room kept between a label's text and the box it names, in dialog units, as the
// template keeps it for its widest label.
constexpr int kLabelGap = 2;

// One row's boxes and buttons: the same top and height, the union of their template
// rectangles; a combo box counts only with the toolkit's own closed height.
void AlignRows(std::span<const DlgItemTemplate> items, std::vector<QRect>& rects,
               int closedComboHeight) {
    std::vector<bool> placed(items.size(), false);
    for (std::size_t first = 0; first < items.size(); ++first) {
        if (placed[first] || !IsBoxOrButton(items[first].kind))
            continue;
        std::vector<std::size_t> row;
        for (std::size_t i = first; i < items.size(); ++i) {
            if (!placed[i] && IsBoxOrButton(items[i].kind) &&
                std::abs(items[i].y - items[first].y) <= kRowSlack)
                row.push_back(i);
        }
        int top = rects[row.front()].top();
        int bottom = top;
        bool combo = false;
        for (std::size_t i : row) {
            placed[i] = true;
            top = std::min(top, rects[i].top());
            combo = combo || items[i].kind == DlgItemKind::ComboBox;
            if (items[i].kind != DlgItemKind::ComboBox)
                bottom = std::max(bottom, rects[i].top() + rects[i].height());
        }
        const int height = std::max(bottom - top, combo ? closedComboHeight : 0);
        for (std::size_t i : row)
            rects[i] = QRect(rects[i].left(), top, rects[i].width(), height);
    }
}

// The box or button right of a label on its line, or -1.
int BoxRightOf(std::span<const DlgItemTemplate> items, std::size_t label) {
    const DlgItemTemplate& l = items[label];
    int found = -1;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const DlgItemTemplate& c = items[i];
        // A combo box's template height is mostly its list; its closed box is about a row.
        const int height = c.kind == DlgItemKind::ComboBox ? kClosedComboUnits : c.cy;
        if (!IsBoxOrButton(c.kind) || c.x < l.x + l.cx / 2 || c.y > l.y + l.cy ||
            c.y + height < l.y)
            continue;
        if (found < 0 || c.x < items[static_cast<std::size_t>(found)].x)
            found = static_cast<int>(i);
    }
    return found;
}

// A label sits on the text line of the box it names (the row's middle, as the boxes
// centre their text) and keeps its letters' spacing: where its text is wider than the room
// up to the box, it starts further left, into the margin.
void PlaceLabels(std::span<const DlgItemTemplate> items, std::vector<QRect>& rects,
                 const DialogUnits& units, const QFontMetrics& metrics, int clientWidth) {
    const int gap = units.ToPixels(kLabelGap, 0).width();
    for (std::size_t i = 0; i < items.size(); ++i) {
        // A label of several lines keeps the template's rectangle, within which it wraps.
        if (items[i].kind != DlgItemKind::Label || (items[i].style & SS_WORDWRAP))
            continue;
        QRect& rect = rects[i];
        const int box = BoxRightOf(items, i);
        const int text = metrics.horizontalAdvance(QString::fromLatin1(items[i].text));
        if (box >= 0 && items[static_cast<std::size_t>(box)].kind != DlgItemKind::PushButton) {
            const QRect& row = rects[static_cast<std::size_t>(box)];
            rect.moveTop(row.top() + (row.height() - metrics.height() + 1) / 2);
        }
        const int right =
            box >= 0 ? rects[static_cast<std::size_t>(box)].left() - gap : clientWidth;
        if (rect.left() + text > right) {
            rect.setLeft(std::max(0, right - text));
            rect.setRight(std::max(rect.right(), rect.left() + text - 1));
        } else if (rect.width() < text) {
            rect.setWidth(text);
        }
        rect.setHeight(std::max(rect.height(), metrics.height()));
    }
}

} // namespace

DialogLayout LayoutDialog(const DlgTemplate& dlg, const DialogUnits& units,
                          const QFontMetrics& metrics, int closedComboHeight) {
    DialogLayout layout;
    layout.units = units;
    layout.client = units.ToPixels(dlg.cx, dlg.cy);
    for (const DlgItemTemplate& item : dlg.items)
        layout.rects.push_back(units.ToPixels(item.x, item.y, item.cx, item.cy));
    AlignRows(dlg.items, layout.rects, closedComboHeight);
    PlaceLabels(dlg.items, layout.rects, units, metrics, layout.client.width());
    return layout;
}

DialogLayout FitDialogHeight(const DlgTemplate& dlg, DialogLayout layout, int maxHeight,
                             int minListHeight) {
    const int excess = layout.client.height() - maxHeight;
    std::vector<int> canGive(dlg.items.size(), 0);
    int available = 0;
    for (std::size_t i = 0; i < dlg.items.size(); ++i) {
        if (dlg.items[i].kind == DlgItemKind::ListBox)
            canGive[i] = std::max(0, layout.rects[i].height() - minListHeight);
        available += canGive[i];
    }
    const int take = std::min(excess, available);
    if (take <= 0)
        return layout;
    // Each list gives in proportion to what it can; what rounding leaves goes to the lists
    // in table order.
    std::vector<int> given(dlg.items.size(), 0);
    int shared = 0;
    for (std::size_t i = 0; i < given.size(); ++i) {
        given[i] = static_cast<int>(static_cast<long long>(take) * canGive[i] / available);
        shared += given[i];
    }
    for (std::size_t i = 0; i < given.size() && shared < take; ++i) {
        const int more = std::min(take - shared, canGive[i] - given[i]);
        given[i] += more;
        shared += more;
    }
    const std::vector<QRect> before = layout.rects;
    for (std::size_t list = 0; list < given.size(); ++list) {
        if (given[list] == 0)
            continue;
        const int listBottom = before[list].top() + before[list].height();
        layout.rects[list].setHeight(before[list].height() - given[list]);
        for (std::size_t i = 0; i < before.size(); ++i) {
            if (i != list && before[i].top() >= listBottom)
                layout.rects[i].translate(0, -given[list]);
        }
    }
    layout.client.setHeight(layout.client.height() - take);
    return layout;
}

QPoint PlaceFrame(const QRect& workArea, const QSize& frame) {
    QRect placed(QPoint(0, 0), frame);
    placed.moveCenter(workArea.center());
    return QPoint(std::max(placed.left(), workArea.left()), std::max(placed.top(), workArea.top()));
}

QRect UsableArea(const QRect& screen, const QRect& reported, bool reportsPanels) {
    if (reportsPanels || reported != screen)
        return reported;
    // The compositor places the window itself; only the height kept free matters, and the
    // top is where most desktops put their panel.
    return screen.adjusted(0, std::min(kPanelRoom, screen.height() / 4), 0, 0);
}

void ApplyDialogLayout(QWidget* parent, const DialogLayout& layout) {
    for (QObject* child : parent->children()) {
        const QVariant index = child->property("dlgItem");
        if (index.isValid() && child->isWidgetType())
            static_cast<QWidget*>(child)->setGeometry(
                layout.rects[static_cast<std::size_t>(index.toInt())]);
    }
    parent->setFixedSize(layout.client);
}

QWidget* FindDlgItem(const QWidget* parent, int id) {
    if (id == IDC_STATIC)
        return nullptr;
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && widget->property("dlgId").toInt() == id)
            return widget;
    }
    return nullptr;
}

DialogLayout CreateDialogControls(QWidget* parent, const DlgTemplate& dlg) {
    // The templates were drawn in 8-point MS Sans Serif, which no Linux desktop has. The
    // dialogs take the desktop's general font instead, the one the message boxes and menus use
    // too, and their dialog units follow it, as the platform's dialogs follow the system font.
    parent->setFont(QGuiApplication::font());
    const DialogUnits units = DialogUnits::ForFont(parent->font());
    int closedComboHeight = 0;
    int index = 0;
    for (const DlgItemTemplate& item : dlg.items) {
        QWidget* control = CreateControl(parent, item);
        control->setObjectName(QString::fromLatin1(item.name));
        control->setProperty("dlgId", item.id);
        control->setProperty("dlgItem", index++);
        control->setFocusPolicy((item.style & WS_TABSTOP) ? Qt::StrongFocus : Qt::NoFocus);
        // A combo box's template height includes its dropped-down list, which shows as many
        // entries as fit below the closed box.
        if (item.kind == DlgItemKind::ComboBox) {
            auto* combo = static_cast<QComboBox*>(control);
            const int closed = combo->sizeHint().height();
            closedComboHeight = std::max(closedComboHeight, closed);
            const int height = units.ToPixels(item.cx, item.cy).height();
            combo->setMaxVisibleItems(std::max(1, (height - closed) / units.baseY));
        }
    }
    const DialogLayout layout =
        LayoutDialog(dlg, units, QFontMetrics(parent->font()), closedComboHeight);
    ApplyDialogLayout(parent, layout);
    return layout;
}
