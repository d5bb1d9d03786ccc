// A combo box in the platform's sense: an optional sorted list (entries are placed by a
// case-blind comparison as they are added), 32-bit item data, and for the editable kind
// without automatic horizontal scrolling, typing that stops at the visible width of the
// edit field while text set by the program may be longer, however long. As on the
// platform, the mouse wheel changes the selection only of the box that has the focus, and
// the closed box's list drops down as a list of the template's height, with a scroll bar.
// Assistive technology knows each box by its own name, whatever it holds.
#pragma once

#include <QComboBox>

class CComboBox : public QComboBox {
    Q_OBJECT

public:
    CComboBox(bool editable, bool sorted, bool autoHScroll, QWidget* parent = nullptr);

    int AddString(const char* text);         // CB_ADDSTRING: the entry's index
    int GetCount() const { return count(); } // CB_GETCOUNT
    int GetCurSel() const;                   // CB_GETCURSEL: CB_ERR with no selection
    int SetCurSel(int index);                // CB_SETCURSEL
    long GetItemData(int index) const;       // CB_GETITEMDATA: CB_ERR for a bad index
    int SetItemData(int index, long data);   // CB_SETITEMDATA

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool m_sorted;
};
