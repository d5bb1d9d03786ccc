#include "ui/ListBox.h"

#include "ui/ListBoxAccessible.h"
#include "ui/Resource.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

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
}

int CListBox::AddString(const std::string& line) {
    if (m_lines.size() >= static_cast<size_t>(std::numeric_limits<int>::max()))
        return LB_ERR;
    m_lines.push_back(line);
    // Lines arrive by the thousand in a walk: the scroll bars follow once per burst, when
    // the list is next painted or flushed, and only a line that lands in view is painted.
    if (!m_scrollBarsDue) {
        m_scrollBarsDue = true;
        QMetaObject::invokeMethod(this, &CListBox::Flush, Qt::QueuedConnection);
    }
    const QRect rect = ItemRect(static_cast<int>(m_lines.size()) - 1);
    if (rect.intersects(viewport()->rect()))
        viewport()->update(rect);
    NotifyListBoxChange(this, ListBoxChange::LineAdded, static_cast<int>(m_lines.size()) - 1);
    return static_cast<int>(m_lines.size()) - 1;
}

void CListBox::Flush() {
    if (m_scrollBarsDue) {
        m_scrollBarsDue = false;
        UpdateScrollBars();
    }
}

void CListBox::ResetContent() {
    m_lines.clear();
    m_lines.shrink_to_fit();
    m_curSel = -1;
    UpdateScrollBars();
    viewport()->update();
    NotifyListBoxChange(this, ListBoxChange::Reset);
}

int CListBox::GetCount() const {
    return static_cast<int>(m_lines.size());
}

int CListBox::GetCurSel() const {
    return m_curSel;
}

int CListBox::SetCurSel(int index) {
    if (index < -1 || index >= GetCount())
        index = -1;
    m_curSel = index;
    viewport()->update();
    NotifyListBoxChange(this, ListBoxChange::Selection, index);
    return index < 0 ? LB_ERR : index;
}

int CListBox::GetText(int index, std::string* line) const {
    if (index < 0 || index >= GetCount())
        return LB_ERR;
    *line = m_lines[static_cast<size_t>(index)];
    return static_cast<int>(line->size());
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
        // The bytes are shown as Latin-1, one character per byte, so nothing is lost or
        // merged on the way to the screen.
        const std::string& line = m_lines[static_cast<size_t>(i)];
        painter.drawText(rect.adjusted(xOffset + 2, 0, 0, 0),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextExpandTabs | Qt::TextSingleLine,
                         QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())));
    }
}

void CListBox::SelectByUser(int index) {
    if (index < 0 || index >= GetCount())
        return;
    const bool changed = index != m_curSel;
    m_curSel = index;
    if (index < verticalScrollBar()->value())
        verticalScrollBar()->setValue(index);
    else if (index >= verticalScrollBar()->value() + verticalScrollBar()->pageStep())
        verticalScrollBar()->setValue(index - verticalScrollBar()->pageStep() + 1);
    viewport()->update();
    if (changed)
        NotifyListBoxChange(this, ListBoxChange::Selection, index);
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
