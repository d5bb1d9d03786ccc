// Dialog templates as tables: each control's identifier, kind, text, geometry in dialog
// units and the styles that change its behaviour. The dialogs build their widgets from
// these tables, so a control's place and looks are stated once.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

#include <span>
#include <vector>

class QFontMetrics;
class QWidget;

// SpinBox: an edit box of a whole number with its up-down control beside it, which keeps
// the number in the range the dialog gives it.
enum class DlgItemKind { PushButton, Label, Edit, ListBox, ComboBox, Icon, SpinBox };

// The styles that matter for behaviour; names follow the platform's.
enum DlgStyle : unsigned {
    WS_TABSTOP = 1u << 0,
    WS_GROUP = 1u << 1,
    WS_VSCROLL = 1u << 2,
    WS_HSCROLL = 1u << 3,
    WS_BORDER = 1u << 4,
    BS_DEFPUSHBUTTON = 1u << 5,
    ES_AUTOHSCROLL = 1u << 6,
    ES_READONLY = 1u << 7,
    LBS_NOTIFY = 1u << 8,
    LBS_USETABSTOPS = 1u << 9,
    LBS_NOINTEGRALHEIGHT = 1u << 10,
    CBS_DROPDOWN = 1u << 11,
    CBS_DROPDOWNLIST = 1u << 12,
    CBS_SORT = 1u << 13,
    CBS_AUTOHSCROLL = 1u << 14,
    SS_LEFT = 1u << 15,
    SS_NOPREFIX = 1u << 16,
    SS_ICON = 1u << 17,
    // A label of several lines, whose words wrap within its rectangle; the other labels keep
    // their text on one line.
    SS_WORDWRAP = 1u << 18,
    // An edit box for a passphrase: masks for what is typed, which the box keeps apart
    // (CSecretEdit).
    ES_PASSWORD = 1u << 19,
};

struct DlgItemTemplate {
    int id;
    const char* name; // the identifier's name, used as the widget's objectName
    DlgItemKind kind;
    const char* text;
    int x, y, cx, cy; // dialog units
    unsigned style;
};

struct DlgTemplate {
    const char* caption;
    int cx, cy; // client size in dialog units
    std::span<const DlgItemTemplate> items;
};

struct DlgPreset {
    int id;
    const char* text;
};

extern const DlgTemplate kManagerDialogTemplate;
extern const DlgPreset kManagerDialogPresets[9];
extern const DlgTemplate kAboutDialogTemplate;
extern const DlgTemplate kSessionSettingsTemplate;

// Dialog base units of a font as the platform defines them: the average width of the
// letters A-Z and a-z, rounded, and the font's character height.
struct DialogUnits {
    int baseX = 0;
    int baseY = 0;
    static DialogUnits ForFont(const QFont& font);
    QRect ToPixels(int x, int y, int cx, int cy) const;
    QSize ToPixels(int cx, int cy) const;
};

// Where a template's controls go, in pixels: one rectangle per item, in table order, and
// the client area's size.
struct DialogLayout {
    DialogUnits units;
    QSize client;
    std::vector<QRect> rects;
};

// The template in `units`, made to read well in the desktop's font: the boxes and buttons
// of one row share their top and height (a closed combo box, whose template height is its
// dropped-down list, takes the row's; one alone keeps `closedComboHeight`), a box's label
// sits on the row's text line, and a label's text that is wider than its rectangle takes
// room from the margin on its left rather than running into its box.
DialogLayout LayoutDialog(const DlgTemplate& dlg, const DialogUnits& units,
                          const QFontMetrics& metrics, int closedComboHeight);

// The layout with a client area at most `maxHeight` tall: the list boxes give up height,
// in proportion to what each can give down to `minListHeight`, and the controls below a
// list move up by what it gave; every other control keeps its size and order. Where even
// that is not enough, the lists stop at `minListHeight` and the client stays taller.
DialogLayout FitDialogHeight(const DlgTemplate& dlg, DialogLayout layout, int maxHeight,
                             int minListHeight);

// Where a window's frame of `frame` size goes in `workArea`: centred, and moved right and
// down as far as needed for its top-left corner (the title bar) to be in the work area.
QPoint PlaceFrame(const QRect& workArea, const QSize& frame);

// The room kept for a desktop's panel where the window system tells nothing of panels:
// GNOME's top bar (32 pixels) and KDE's panel (44, a few more where it floats) fit in it,
// as do weston's panel and sway's bar. The window's frame is kept besides (ScreenFit.h).
inline constexpr int kPanelRoom = 48;

// The part of `screen` that a window may cover. Where the window system reports the
// desktop's panels (X11), that is the work area it reports. Where it cannot (Wayland, where
// the toolkit takes the whole output for the work area), a smaller work area is still taken
// as reported, and otherwise room is kept for a panel along the top.
QRect UsableArea(const QRect& screen, const QRect& reported, bool reportsPanels);

// Creates the template's controls as children of `parent`, in table order (which is the
// tab order), lays them out (LayoutDialog) and fixes the parent's size to the client's.
DialogLayout CreateDialogControls(QWidget* parent, const DlgTemplate& dlg);

// Moves and sizes the controls made by CreateDialogControls to `layout`, and fixes the
// parent's size to its client.
void ApplyDialogLayout(QWidget* parent, const DialogLayout& layout);

// The control that CreateDialogControls made for identifier `id` (never IDC_STATIC), or null.
QWidget* FindDlgItem(const QWidget* parent, int id);
