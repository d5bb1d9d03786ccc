// A list box in the platform's sense: unsorted lines of text (UTF-8 bytes), single
// selection, a horizontal extent in pixels, and notifications that only the operator's
// own actions raise. Lines are kept as bytes, so a line reads back exactly as it was added,
// however long. Appending is constant time and costs little more than the line's bytes, and
// the screen follows the lines at most every 40 ms, so that a walk of a million objects or
// a storm of traps is limited by the network, not by the list.
// For the desktop: Ctrl+C and a context menu copy lines, and assistive technology sees a
// list with one item per line (ListBoxAccessible.h).
#pragma once

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QTimer>

class QPainter;
#include <algorithm>
class CLineBinding;
struct SnmpVarBind;
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// How many lines and text bytes a list holds at most. Sized so that an operator's longest
// day stays far below it (a million ordinary lines take about 60 MB), and so that both lists
// full, the trap queue full and the program itself stay within about 1 GiB of memory,
// whatever a sender sends.
inline constexpr std::size_t kListMaxLines = 4 * 1024 * 1024;
inline constexpr std::size_t kListMaxTextBytes = 256 * 1024 * 1024;

// The lines of a list: their bytes back to back in large blocks, and where each line
// starts. A line never spans two blocks; a line longer than a block gets a block of its own.
class CListLines {
public:
    // Adds a line; false, with nothing kept, when it would pass either capacity.
    bool Append(std::string_view line);
    void Clear();
    std::size_t Count() const { return m_starts.size(); }
    std::string_view Line(std::size_t index) const;
    // The text bytes held, without the per-line index.
    std::size_t TextBytes() const { return m_textBytes; }
    // How many more lines, and bytes of their text, it can take.
    std::size_t LinesLeft() const { return m_maxLines - std::min(m_maxLines, m_starts.size()); }
    std::size_t TextBytesLeft() const {
        return m_maxTextBytes - std::min(m_maxTextBytes, m_textBytes);
    }

    void SetCapacity(std::size_t lines, std::size_t textBytes);

private:
    struct Block {
        std::unique_ptr<char[]> bytes;
        std::size_t size = 0;
        std::size_t used = 0;
    };
    std::vector<Block> m_blocks;
    // Block index in the high 32 bits, offset in the block in the low 32 bits.
    std::vector<std::uint64_t> m_starts;
    std::size_t m_textBytes = 0;
    std::size_t m_maxLines = kListMaxLines;
    std::size_t m_maxTextBytes = kListMaxTextBytes;
};

class CListBox : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit CListBox(QWidget* parent = nullptr);

    // LB_ADDSTRING: the new line's index, or LB_ERRSPACE when the list cannot take it (the
    // line is then not kept). With a binding, the binding is kept beside the line, as it
    // arrived, for GetBinding.
    int AddString(const std::string& line, const SnmpVarBind* binding = nullptr);
    // The same with the binding already as EncodeLineBinding writes it (empty for none).
    int AddLine(std::string_view line, std::string_view bindingBytes);
    void ResetContent();                             // LB_RESETCONTENT
    int GetCount() const;                            // LB_GETCOUNT
    int GetCurSel() const;                           // LB_GETCURSEL: LB_ERR with no selection
    int SetCurSel(int index);                        // LB_SETCURSEL: no notification
    int GetText(int index, std::string* line) const; // LB_GETTEXT: length or LB_ERR
    // How many more lines the list can take, and in `textBytes` how many bytes of their text.
    std::size_t RoomLeft(std::size_t* textBytes) const {
        *textBytes = m_lines.TextBytesLeft();
        return m_lines.LinesLeft();
    }
    // The binding the line was added with; false (and an empty one) for a line added
    // without one, or when the list had no room left to keep it.
    bool GetBinding(int index, CLineBinding* binding) const;
    void SetHorizontalExtent(int pixels); // LB_SETHORIZONTALEXTENT
    int GetHorizontalExtent() const;
    // Whether notifications (LBN_SELCHANGE, LBN_DBLCLK) are sent.
    void SetNotify(bool notify) { m_notify = notify; }

    // The selected line, or every line one per line, to the clipboard as text. Copying
    // changes neither the selection nor raises a notification.
    void CopySelectedLine() const;
    void CopyAllLines() const;

    // Brings the scroll bars and the visible lines up to date with the lines added since
    // the last time.
    void Flush();

    // The rectangle of a line in viewport coordinates, and the line at a viewport point
    // (-1 for none).
    QRect ItemRect(int index) const;
    int ItemHeight() const;
    int IndexAt(const QPoint& pos) const;

    // A line as it is shown, painted, copied and read out: its bytes as Latin-1, one
    // character per byte, so that nothing is lost or merged; empty for no such line.
    QString LineText(int index) const;

    // A capacity other than kListMaxLines and kListMaxTextBytes, so that tests can reach it:
    // a seam of the testing library (src/testing), which the tests link and the program
    // does not.
    void SetCapacityForTesting(std::size_t lines, std::size_t textBytes);

signals:
    void selChange(); // LBN_SELCHANGE: the operator changed the selection
    // The operator changed the selection, whether the list notifies its dialog or not: for
    // the windows beside the dialog that follow it (the MIB browser).
    void selectedByOperator();
    void dblClk(); // LBN_DBLCLK: the operator double-clicked a line

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void UpdateScrollBars();
    void PaintFocusRect(QPainter& painter) const;
    void SelectByUser(int index);

    CListLines m_lines;
    // Beside each line its binding's bytes (EncodeLineBinding), none for a line without.
    CListLines m_bindings;
    int m_curSel = -1;
    int m_horizontalExtent = 0;
    bool m_notify = false;

    // Lines added since the last flush start here; -1 when none are.
    int m_firstUnflushed = -1;
    QElapsedTimer m_sinceFlush;
    QTimer m_flushTimer;
};
