// A list box in the platform's sense: unsorted lines of single-byte text, single
// selection, a horizontal extent in pixels, and notifications that only the operator's
// own actions raise. Lines are kept as bytes, so a line reads back exactly as it was added,
// however long; appending is constant time, so a walk of 100,000 objects stays linear.
// For the desktop: Ctrl+C and a context menu copy lines, and assistive technology sees a
// list with one item per line (ListBoxAccessible.h).
#pragma once

#include <QAbstractScrollArea>

#include <string>
#include <vector>

class CListBox : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit CListBox(QWidget* parent = nullptr);

    // LB_ADDSTRING: the new line's index, or LB_ERR when it cannot be stored.
    int AddString(const std::string& line);
    void ResetContent();                             // LB_RESETCONTENT
    int GetCount() const;                            // LB_GETCOUNT
    int GetCurSel() const;                           // LB_GETCURSEL: LB_ERR with no selection
    int SetCurSel(int index);                        // LB_SETCURSEL: no notification
    int GetText(int index, std::string* line) const; // LB_GETTEXT: length or LB_ERR
    void SetHorizontalExtent(int pixels);            // LB_SETHORIZONTALEXTENT
    int GetHorizontalExtent() const;
    // Whether notifications (LBN_SELCHANGE, LBN_DBLCLK) are sent.
    void SetNotify(bool notify) { m_notify = notify; }

    // The selected line, or every line one per line, to the clipboard as text. Copying
    // changes neither the selection nor raises a notification.
    void CopySelectedLine() const;
    void CopyAllLines() const;

    // Brings the scroll bars up to date with the lines added since the last time.
    void Flush();

    // The rectangle of a line in viewport coordinates.
    QRect ItemRect(int index) const;
    int ItemHeight() const;

signals:
    void selChange(); // LBN_SELCHANGE: the operator changed the selection
    void dblClk();    // LBN_DBLCLK: the operator double-clicked a line

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void UpdateScrollBars();
    void SelectByUser(int index);
    int IndexAt(const QPoint& pos) const;

    std::vector<std::string> m_lines;
    int m_curSel = -1;
    int m_horizontalExtent = 0;
    bool m_notify = false;
    bool m_scrollBarsDue = false;
};
