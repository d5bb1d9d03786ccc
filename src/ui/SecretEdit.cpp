#include "ui/SecretEdit.h"

#include "snmpapi/SnmpApi.h"
#include "ui/BoxLook.h"
#include "values/Utf8.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

#include <algorithm>
#include <cstring>

namespace {

// What the toolkit holds in place of each character typed.
constexpr QChar kPlaceholder = QLatin1Char('*');

// Keys that move the cursor or the selection and change nothing, which the box leaves to the
// toolkit.
bool MovesOnly(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return event->matches(QKeySequence::SelectAll);
    }
}

// Whether a key's text is characters to type: none of them a control character.
bool TypedText(const QKeyEvent* event) {
    if (event->text().isEmpty() || (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
        return false;
    const QString text = event->text();
    return std::none_of(text.begin(), text.end(),
                        [](QChar c) { return c.category() == QChar::Other_Control; });
}

} // namespace

CSecretEdit::CSecretEdit(QWidget* parent) : QLineEdit(parent) {
    setEchoMode(QLineEdit::Password);
    setAcceptDrops(false);
    setDragEnabled(false);
    // The toolkit may offer what was typed to an input method's predictions and history.
    setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText |
                        Qt::ImhNoAutoUppercase);
}

CSecretEdit::~CSecretEdit() {
    SnmpMgrWipe(m_chars, sizeof m_chars);
}

std::size_t CSecretEdit::Take(char* out) {
    std::size_t length = 0;
    for (int i = 0; i < m_count; ++i) {
        // UTF-8, as net-snmp's tools take a passphrase typed in a UTF-8 terminal.
        length += values::WriteUtf8(m_chars[i], out + length);
    }
    out[length] = '\0';
    Clear();
    return length;
}

void CSecretEdit::Clear() {
    SnmpMgrWipe(m_chars, sizeof m_chars);
    m_count = 0;
    Show(0);
}

void CSecretEdit::focusInEvent(QFocusEvent* event) {
    // Reached by the keyboard, the box selects what was typed so that typing replaces it. The
    // toolkit would select it here, before it tells assistive technology of the focus, and a
    // screen reader that learns of a caret move in a box before the box's focus moves there
    // without speaking it. The box takes the focus as any other would, and selects once the
    // focus has been told.
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason &&
        reason != Qt::ShortcutFocusReason) {
        QLineEdit::focusInEvent(event);
        return;
    }
    QFocusEvent quiet(event->type(), Qt::OtherFocusReason);
    QLineEdit::focusInEvent(&quiet);
    // What is typed before then is typed where the caret stands, and keeps it there.
    QTimer::singleShot(0, this, [this, count = m_count] {
        if (hasFocus() && m_count == count && !hasSelectedText())
            selectAll();
    });
}

void CSecretEdit::keyPressEvent(QKeyEvent* event) {
    if (MovesOnly(event)) {
        QLineEdit::keyPressEvent(event); // moves, and selects with Shift
        return;
    }
    if (EditByKey(event)) {
        event->accept();
        return;
    }
    // Enter, Escape, Tab and the dialog's mnemonics go on to the dialog; every other key that
    // would edit the toolkit's text (undo, redo, copy) is not the toolkit's to handle.
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape ||
        key == Qt::Key_Tab || key == Qt::Key_Backtab || (event->modifiers() & Qt::AltModifier)) {
        event->ignore();
        return;
    }
    event->accept();
}

// The keys that change what was typed; false for any other.
bool CSecretEdit::EditByKey(QKeyEvent* event) {
    const int cursor = cursorPosition();
    if (event->matches(QKeySequence::Paste)) {
        Insert(QGuiApplication::clipboard()->text());
    } else if (event->matches(QKeySequence::Cut)) {
        RemoveSelectionOr(cursor, cursor); // nothing goes to the clipboard
    } else if (event->matches(QKeySequence::DeleteStartOfWord)) {
        RemoveSelectionOr(0, cursor); // a passphrase is one word to the eye
    } else if (event->matches(QKeySequence::DeleteEndOfWord) ||
               event->matches(QKeySequence::DeleteEndOfLine)) {
        RemoveSelectionOr(cursor, m_count);
    } else if (event->key() == Qt::Key_Backspace) {
        RemoveSelectionOr(std::max(cursor - 1, 0), cursor);
    } else if (event->key() == Qt::Key_Delete) {
        RemoveSelectionOr(cursor, std::min(cursor + 1, m_count));
    } else if (TypedText(event)) {
        Insert(event->text());
    } else {
        return false;
    }
    return true;
}

void CSecretEdit::inputMethodEvent(QInputMethodEvent* event) {
    // Only what the input method commits is typed; its preview is not shown.
    if (!event->commitString().isEmpty())
        Insert(event->commitString());
    event->accept();
}

void CSecretEdit::mouseReleaseEvent(QMouseEvent* event) {
    // X11's middle-button paste of the selection, which the toolkit would put in its own text.
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        Insert(QGuiApplication::clipboard()->text(QClipboard::Selection));
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void CSecretEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* paste = menu.addAction(tr("&Paste"));
    paste->setEnabled(!QGuiApplication::clipboard()->text().isEmpty());
    QAction* clear = menu.addAction(tr("&Clear"));
    clear->setEnabled(m_count > 0);
    const QAction* chosen = menu.exec(event->globalPos());
    if (chosen == paste)
        Insert(QGuiApplication::clipboard()->text());
    else if (chosen == clear)
        Clear();
}

void CSecretEdit::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    if (hasFrame())
        DrawBorderWhereLost(this);
}

void CSecretEdit::Insert(const QString& text) {
    int at = cursorPosition();
    if (hasSelectedText()) {
        at = selectionStart();
        Remove(at, at + static_cast<int>(selectedText().size()));
    }
    // The characters one to a code point, in a copy of the box's own that is cleared once read.
    QList<uint> chars = text.toUcs4();
    for (const char32_t c : chars) {
        if (m_count == kMaxCharacters)
            break;
        if (c < 0x20 || c == 0x7F)
            continue; // a line break pasted with the passphrase, and other control characters
        std::memmove(m_chars + at + 1, m_chars + at, (m_count - at) * sizeof(char32_t));
        m_chars[at++] = c;
        ++m_count;
    }
    SnmpMgrWipe(chars.data(), chars.size() * sizeof(uint));
    Show(at);
}

void CSecretEdit::RemoveSelectionOr(int from, int to) {
    if (hasSelectedText()) {
        from = selectionStart();
        to = from + static_cast<int>(selectedText().size());
    }
    Remove(from, to);
    Show(from);
}

void CSecretEdit::Remove(int from, int to) {
    from = std::clamp(from, 0, m_count);
    to = std::clamp(to, from, m_count);
    std::memmove(m_chars + from, m_chars + to, (m_count - to) * sizeof(char32_t));
    m_count -= to - from;
    SnmpMgrWipe(m_chars + m_count, (kMaxCharacters - m_count) * sizeof(char32_t));
}

// Makes the toolkit's text as many placeholders as there are characters, the cursor at
// `cursor`.
void CSecretEdit::Show(int cursor) {
    setText(QString(m_count, kPlaceholder));
    setCursorPosition(cursor);
}
