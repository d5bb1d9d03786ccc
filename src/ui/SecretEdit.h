// A box for a passphrase. It shows one mask per character typed and keeps what is typed in a
// buffer of its own, never in the toolkit's text (which holds as many placeholder characters,
// so that the toolkit's copies, its undo history and what screen readers are told hold
// nothing secret). Take hands the passphrase over once and clears the buffer; the box clears
// it too when it goes.
#pragma once

#include <QLineEdit>

#include <cstddef>

class CSecretEdit : public QLineEdit {
    Q_OBJECT

public:
    // The most characters a passphrase may have, as every box of the dialog reads at most 254.
    static constexpr int kMaxCharacters = 254;
    // The most bytes Take writes: each character in UTF-8, and a terminating zero.
    static constexpr std::size_t kMaxBytes = 4 * kMaxCharacters + 1;

    explicit CSecretEdit(QWidget* parent = nullptr);
    ~CSecretEdit() override;
    CSecretEdit(const CSecretEdit&) = delete;
    CSecretEdit& operator=(const CSecretEdit&) = delete;

    // How many characters have been typed.
    int Count() const { return m_count; }
    // Writes what was typed, in UTF-8 and ended by a zero, to `out` (kMaxBytes of room), and
    // empties the box and clears its buffer. Returns the number of bytes before the zero.
    std::size_t Take(char* out);
    // Empties the box and clears its buffer.
    void Clear();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool EditByKey(QKeyEvent* event);
    void Insert(const QString& text);
    void RemoveSelectionOr(int from, int to);
    void Remove(int from, int to);
    void Show(int cursor);

    char32_t m_chars[kMaxCharacters] = {};
    int m_count = 0;
};
