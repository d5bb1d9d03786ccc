#include "ui/ListBox.h"

#include "ui/BoxLook.h"
#include "ui/DialogText.h"
#include "values/LineBinding.h"
#include "ui/ListBoxAccessible.h"
#include "ui/Resource.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// Large enough that the blocks' own bookkeeping is nothing beside the text, small enough
// that a short list does not hold much more than it needs.
constexpr std::size_t kBlockBytes = 1024 * 1024;

// The screen follows added lines no more often than the eye can follow them.
constexpr int kFlushIntervalMs = 40;

} // namespace

bool CListLines::Append(std::string_view line) {
    if (m_starts.size() >= m_maxLines || line.size() > m_maxTextBytes - m_textBytes)
        return false;
    if (m_blocks.empty() || m_blocks.back().size - m_blocks.back().used < line.size()) {
        if (m_blocks.size() >= std::numeric_limits<std::uint32_t>::max())
            return false;
        Block block;
        block.size = std::max(kBlockBytes, line.size());
        // Not value-initialised: a block's pages are touched only as lines fill them.
        block.bytes.reset(new (std::nothrow) char[block.size]);
        if (!block.bytes)
            return false;
        m_blocks.push_back(std::move(block));
    }
    Block& block = m_blocks.back();
    m_starts.push_back(static_cast<std::uint64_t>(m_blocks.size() - 1) << 32 | block.used);
    if (!line.empty())
        std::memcpy(block.bytes.get() + block.used, line.data(), line.size());
    block.used += line.size();
    m_textBytes += line.size();
    return true;
}

void CListLines::Clear() {
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    m_starts.clear();
    m_starts.shrink_to_fit();
    m_textBytes = 0;
}

std::string_view CListLines::Line(std::size_t index) const {
    const std::uint64_t start = m_starts[index];
    const Block& block = m_blocks[static_cast<std::size_t>(start >> 32)];
    const std::size_t begin = static_cast<std::uint32_t>(start);
    // The line ends where the next one starts in the same block, or at the block's end.
    std::size_t end = block.used;
    if (index + 1 < m_starts.size() && m_starts[index + 1] >> 32 == start >> 32)
        end = static_cast<std::uint32_t>(m_starts[index + 1]);
    return std::string_view(block.bytes.get() + begin, end - begin);
}

void CListLines::SetCapacity(std::size_t lines, std::size_t textBytes) {
    m_maxLines = lines;
    m_maxTextBytes = textBytes;
}

CListBox::CListBox(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::StyledPanel);
    setFocusPolicy(Qt::StrongFocus);
    // The vertical bar shows once the lines overflow; the horizontal extent is always
    // wider than the list, so that bar is always there.
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    InstallListBoxAccessibility();
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    m_flushTimer.setSingleShot(true);
    connect(&m_flushTimer, &QTimer::timeout, this, &CListBox::Flush);
}

int CListBox::AddString(const std::string& line, const SnmpVarBind* binding) {
    return AddLine(line, binding ? EncodeLineBinding(*binding) : std::string());
}

int CListBox::AddLine(std::string_view line, std::string_view bindingBytes) {
    // The count must stay an int, as the list's indexes are.
    if (m_lines.Count() >= static_cast<std::size_t>(std::numeric_limits<int>::max()) ||
        !m_lines.Append(line))
        return LB_ERRSPACE;
    // A binding that finds no room is not kept, and the line stands without it: an empty
    // record always fits, since the bindings have the lines' own room for records.
    if (bindingBytes.empty() || !m_bindings.Append(bindingBytes))
        m_bindings.Append({});
    const int index = static_cast<int>(m_lines.Count()) - 1;
    // Lines arrive by the thousand in a walk or a trap storm: the scroll bars and the
    // visible lines follow at most every 40 ms while they arrive, and at the first turn of
    // the event loop after a quiet spell, so a single line shows at once.
    if (m_firstUnflushed < 0) {
        m_firstUnflushed = index;
        const qint64 since = m_sinceFlush.isValid() ? m_sinceFlush.elapsed() : kFlushIntervalMs;
        m_flushTimer.start(static_cast<int>(std::max<qint64>(0, kFlushIntervalMs - since)));
    }
    return index;
}

void CListBox::Flush() {
    m_flushTimer.stop();
    m_sinceFlush.start();
    if (m_firstUnflushed < 0)
        return;
    const int first = m_firstUnflushed;
    m_firstUnflushed = -1;
    UpdateScrollBars();
    // Only lines that land in view are painted.
    const QRect added = ItemRect(first).united(ItemRect(GetCount() - 1));
    if (added.intersects(viewport()->rect()))
        viewport()->update(added.intersected(viewport()->rect()));
    NotifyListBoxChange(this, ListBoxChange::LinesAdded, first);
}

void CListBox::ResetContent() {
    m_lines.Clear();
    m_bindings.Clear();
    m_firstUnflushed = -1;
    m_curSel = -1;
    UpdateScrollBars();
    viewport()->update();
    NotifyListBoxChange(this, ListBoxChange::Reset);
}

int CListBox::GetCount() const {
    return static_cast<int>(m_lines.Count());
}

int CListBox::GetCurSel() const {
    return m_curSel;
}

int CListBox::SetCurSel(int index) {
    if (index < -1 || index >= GetCount())
        index = -1;
    const int old = m_curSel;
    m_curSel = index;
    viewport()->update();
    if (old >= 0 && old != index)
        NotifyListBoxChange(this, ListBoxChange::Deselection, old);
    NotifyListBoxChange(this, ListBoxChange::Selection, index);
    return index < 0 ? LB_ERR : index;
}

int CListBox::GetText(int index, std::string* line) const {
    if (index < 0 || index >= GetCount())
        return LB_ERR;
    *line = m_lines.Line(static_cast<std::size_t>(index));
    return static_cast<int>(line->size());
}

bool CListBox::GetBinding(int index, CLineBinding* binding) const {
    *binding = CLineBinding{};
    if (index < 0 || index >= GetCount())
        return false;
    return binding->Decode(m_bindings.Line(static_cast<std::size_t>(index)));
}

void CListBox::SetHorizontalExtent(int pixels) {
    m_horizontalExtent = std::max(0, pixels);
    UpdateScrollBars();
}

int CListBox::GetHorizontalExtent() const {
    return m_horizontalExtent;
}

int CListBox::ItemHeight() const {
    return fontMetrics().height();
}

QRect CListBox::ItemRect(int index) const {
    const int top = (index - verticalScrollBar()->value()) * ItemHeight();
    return QRect(0, top, viewport()->width(), ItemHeight());
}

QString CListBox::LineText(int index) const {
    if (index < 0 || index >= GetCount())
        return QString();
    const std::string_view line = m_lines.Line(static_cast<std::size_t>(index));
    return DialogTextOf(line);
}

int CListBox::IndexAt(const QPoint& pos) const {
    const int index = verticalScrollBar()->value() + pos.y() / ItemHeight();
    return index < GetCount() ? index : -1;
}

void CListBox::UpdateScrollBars() {
    const int visible = std::max(1, viewport()->height() / ItemHeight());
    verticalScrollBar()->setRange(0, std::max(0, GetCount() - visible));
    verticalScrollBar()->setPageStep(visible);
    horizontalScrollBar()->setRange(0, std::max(0, m_horizontalExtent - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(fontMetrics().averageCharWidth());
}

void CListBox::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CListBox::scrollContentsBy(int, int) {
    viewport()->update();
}

bool CListBox::event(QEvent* event) {
    const bool handled = QAbstractScrollArea::event(event);
    // The frame's outer line is drawn again, as four bands: at a fractional scale factor the
    // style's one-pixel lines can fall where the list's inside is painted over them, and in a
    // palette with a black window its shade of the window does not show.
    if (event->type() == QEvent::Paint && frameWidth() > 0) {
        QPainter painter(this);
        DrawBands(painter, rect(), 1, BoxBorderColor(palette()));
    }
    return handled;
}

void CListBox::paintEvent(QPaintEvent* event) {
    Flush();
    QPainter painter(viewport());
    const int height = ItemHeight();
    const int first = verticalScrollBar()->value() + event->rect().top() / height;
    const int last =
        std::min(GetCount() - 1, verticalScrollBar()->value() + event->rect().bottom() / height);
    const int xOffset = -horizontalScrollBar()->value();
    const QPalette& pal = palette();
    for (int i = first; i <= last; ++i) {
        const QRect rect = ItemRect(i);
        const bool selected = i == m_curSel;
        if (selected)
            painter.fillRect(rect, pal.brush(QPalette::Highlight));
        painter.setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(rect.adjusted(xOffset + 2, 0, 0, 0),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextExpandTabs | Qt::TextSingleLine,
                         LineText(i));
    }
    if (hasFocus())
        PaintFocusRect(painter);
}

void CListBox::PaintFocusRect(QPainter& painter) const {
    // The focus is on the selected line, or on the first line's place when none is selected,
    // so that a focused list always shows where the keyboard is. Its rectangle stands out at
    // least 3:1 against the line: the highlight colour on an unselected line and the selected
    // text's colour on a selected one, or a mix toward the text where those do not.
    const bool selected = m_curSel >= 0;
    const QPalette& pal = palette();
    const QColor background = pal.color(selected ? QPalette::Highlight : QPalette::Base);
    const QColor text = pal.color(selected ? QPalette::HighlightedText : QPalette::Text);
    const QColor line = ContrastingLine(selected ? text : pal.color(QPalette::Highlight), text,
                                        background, background);
    DrawBands(painter, ItemRect(std::max(0, m_curSel)), 1, line);
}

void CListBox::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void CListBox::SelectByUser(int index) {
    if (index < 0 || index >= GetCount())
        return;
    const int old = m_curSel;
    const bool changed = index != old;
    m_curSel = index;
    if (index < verticalScrollBar()->value())
        verticalScrollBar()->setValue(index);
    else if (index >= verticalScrollBar()->value() + verticalScrollBar()->pageStep())
        verticalScrollBar()->setValue(index - verticalScrollBar()->pageStep() + 1);
    viewport()->update();
    if (changed && old >= 0)
        NotifyListBoxChange(this, ListBoxChange::Deselection, old);
    if (changed)
        NotifyListBoxChange(this, ListBoxChange::Selection, index);
    if (changed)
        emit selectedByOperator();
    if (changed && m_notify)
        emit selChange();
}

void CListBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        SelectByUser(IndexAt(event->position().toPoint()));
    QAbstractScrollArea::mousePressEvent(event);
}

void CListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_notify)
        emit dblClk();
}

void CListBox::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
    NotifyListBoxChange(this, ListBoxChange::Focus, GetCurSel());
}

void CListBox::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        CopySelectedLine();
        return;
    }
    const int page = verticalScrollBar()->pageStep();
    int target;
    switch (event->key()) {
    case Qt::Key_Up:
        target = m_curSel - 1;
        break;
    case Qt::Key_Down:
        target = m_curSel + 1;
        break;
    case Qt::Key_PageUp:
        target = std::max(0, m_curSel - page);
        break;
    case Qt::Key_PageDown:
        target = std::min(GetCount() - 1, m_curSel + page);
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = GetCount() - 1;
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    SelectByUser(target);
}
