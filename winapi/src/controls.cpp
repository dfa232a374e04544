// The standard "EDIT" and "BUTTON" classes: their widgets, their text and their window
// procedures.
//
// Supported: a single-line edit (QLineEdit); a multi-line edit with ES_READONLY, a log that the
// user can select in but not type into (QPlainTextEdit, no wrapping, a vertical scroll bar with
// WS_VSCROLL); push buttons and BS_AUTOCHECKBOX check boxes. Messages: WM_SETFONT, EM_SETSEL,
// EM_SCROLLCARET, BM_SETCHECK; everything else goes to DefWindowProcA.
// Deliberately not: other button styles, an editable multi-line edit, EM_LIMITTEXT (the limit
// is always Windows' default), a single-line edit without ES_AUTOHSCROLL (it always scrolls).
// Selection positions are counted in the widget's UTF-16 characters, not in bytes; the program
// only ever asks for the end, which is the same in both.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <limits>

#include "layer.h"

namespace {

// A single-line edit takes at most this many characters from typing and pasting; a
// WM_SETTEXT is not limited.
constexpr qsizetype kTypingLimit = 30000;

constexpr WPARAM kChecked = 1;  // BST_CHECKED

// Remembers the text that the layer last accepted, so that a user's change can be told apart
// from what was there before.
class SingleLineEdit final : public QLineEdit {
  public:
    using QLineEdit::QLineEdit;
    QString accepted;
};

// The user's change as one run replaced: before = head + removed + tail,
// typed = head + inserted + tail. A pasted text is cut at its first line feed (a carriage return
// before it dropped), and what is inserted stops at the typing limit.
QString ApplyTypingRules(const QString& before, const QString& typed, qsizetype& caret) {
    const qsizetype shorter = std::min(before.size(), typed.size());
    qsizetype head = 0;
    while (head < shorter && before[head] == typed[head]) ++head;
    qsizetype tail = 0;
    while (tail < shorter - head &&
           before[before.size() - 1 - tail] == typed[typed.size() - 1 - tail]) {
        ++tail;
    }
    QString inserted = typed.mid(head, typed.size() - head - tail);
    if (const qsizetype lineFeed = inserted.indexOf(u'\n'); lineFeed >= 0) {
        inserted.truncate(lineFeed > 0 && inserted[lineFeed - 1] == u'\r' ? lineFeed - 1
                                                                          : lineFeed);
    }
    const qsizetype room = std::max<qsizetype>(0, kTypingLimit - head - tail);
    if (inserted.size() > room) {
        inserted.truncate(room);
        if (!inserted.isEmpty() && inserted.back().isHighSurrogate()) inserted.chop(1);
    }
    caret = head + inserted.size();
    return typed.left(head) + inserted + typed.right(tail);
}

// Appending decodes only the new bytes; that gives the same characters as decoding the whole
// text only where the old text ends on a whole character that nothing after it can change.
bool CanAppendTo(const std::string& old, const QPlainTextEdit& log) {
    if (old.empty()) return true;
    if (old.back() == '\r') return false;  // a line feed after it makes one line break of the two
    const QTextDocument& document = *log.document();
    // A replacement character at the end may be a lead byte whose trail byte is still to come.
    return document.characterAt(document.characterCount() - 2) !=
           QChar(QChar::ReplacementCharacter);
}

void SetLogText(Window& record, std::string_view text) {
    auto& log = static_cast<QPlainTextEdit&>(*record.widget);
    const std::string& old = record.text;
    if (text.size() >= old.size() && text.substr(0, old.size()) == old && CanAppendTo(old, log)) {
        // The log only grows: re-laying out everything on every line would cost the whole text.
        const std::string_view added = text.substr(old.size());
        QTextCursor end(log.document());
        end.movePosition(QTextCursor::End);
        end.insertText(FromCp932(added));
        record.text.append(added);
        return;
    }
    log.setPlainText(FromCp932(text));
    record.text.assign(text);
}

int ClampedPosition(WPARAM position, int end) {
    const auto signedPosition = static_cast<INT_PTR>(position);
    return signedPosition < 0 || signedPosition > end ? end : static_cast<int>(signedPosition);
}

// EM_SETSEL: a start of -1 removes the selection; a position past the end (or -1 as the end)
// means the end; the caret goes to the end position.
void SetSelection(QWidget& widget, WPARAM start, LPARAM end) {
    const bool deselect = static_cast<INT_PTR>(start) == -1;
    if (auto* log = qobject_cast<QPlainTextEdit*>(&widget)) {
        QTextCursor cursor = log->textCursor();
        const int last = log->document()->characterCount() - 1;
        const int caret = ClampedPosition(static_cast<WPARAM>(end), last);
        cursor.setPosition(deselect ? cursor.position() : ClampedPosition(start, last));
        if (!deselect) cursor.setPosition(caret, QTextCursor::KeepAnchor);
        log->setTextCursor(cursor);
        return;
    }
    auto& edit = static_cast<QLineEdit&>(widget);
    const int last = static_cast<int>(edit.text().size());
    if (deselect) {
        edit.deselect();
        return;
    }
    const int anchor = ClampedPosition(start, last);
    const int caret = ClampedPosition(static_cast<WPARAM>(end), last);
    edit.setSelection(anchor, caret - anchor);
}

void SetFont(QWidget& widget, WPARAM font) {
    const QFont* chosen = FontOf(reinterpret_cast<HGDIOBJ>(font));
    widget.setFont(chosen ? *chosen : QApplication::font());
}

}  // namespace

QWidget* CreateControlWidget(Window& record, QWidget* parent) {
    const bool clientEdge = record.exStyle & WS_EX_CLIENTEDGE;
    switch (record.kind) {
        case Kind::Edit: {
            auto* edit = new SingleLineEdit(parent);
            // Qt's own limit of 32,767 would cut even a text set by the program.
            edit->setMaxLength(std::numeric_limits<int>::max());
            edit->setFrame(clientEdge);
            return edit;
        }
        case Kind::Log: {
            auto* log = new QPlainTextEdit(parent);
            log->setReadOnly(true);
            log->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
            log->setUndoRedoEnabled(false);  // it would keep a second copy of every line
            log->setLineWrapMode(QPlainTextEdit::NoWrap);
            log->setVerticalScrollBarPolicy((record.style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn
                                                                        : Qt::ScrollBarAlwaysOff);
            log->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            if (!clientEdge) log->setFrameShape(QFrame::NoFrame);
            return log;
        }
        case Kind::PushButton: {
            auto* button = new QPushButton(parent);
            button->setAutoDefault(false);  // no default button: Return does not click it
            return button;
        }
        case Kind::CheckBox:
            return new QCheckBox(parent);
        case Kind::Desktop:
        case Kind::TopLevel:
            break;
    }
    return nullptr;
}

void SetControlText(Window& record, std::string_view text) {
    switch (record.kind) {
        case Kind::Edit: {
            auto& edit = static_cast<SingleLineEdit&>(*record.widget);
            record.text.assign(text);
            edit.accepted = FromCp932(text);
            record.settingText = true;
            edit.setText(edit.accepted);
            record.settingText = false;
            return;
        }
        case Kind::Log:
            SetLogText(record, text);
            return;
        case Kind::PushButton:
        case Kind::CheckBox:
            record.text.assign(text);
            static_cast<QAbstractButton&>(*record.widget).setText(FromCp932(text));
            return;
        case Kind::Desktop:
        case Kind::TopLevel:
            return;
    }
}

bool TakeUserEdit(Window& record) {
    auto& edit = static_cast<SingleLineEdit&>(*record.widget);
    qsizetype caret = 0;
    const QString text = ApplyTypingRules(edit.accepted, edit.text(), caret);
    if (text != edit.text()) {
        record.settingText = true;
        edit.setText(text);
        edit.setCursorPosition(static_cast<int>(caret));
        record.settingText = false;
    }
    if (text == edit.accepted) return false;
    edit.accepted = text;
    record.text = ToCp932(text);
    return true;
}

// The window procedure of both standard classes: each message acts only on the controls it
// belongs to, as the edit and button classes each ignore the other's messages.
LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* record = Lookup(window);
    if (!record || !record->widget) return 0;
    const bool edit = record->kind == Kind::Edit || record->kind == Kind::Log;
    switch (message) {
        case WM_SETFONT:
            SetFont(*record->widget, wParam);
            return 0;
        case EM_SETSEL:
            if (edit) SetSelection(*record->widget, wParam, lParam);
            return 0;
        case EM_SCROLLCARET:
            if (auto* log = qobject_cast<QPlainTextEdit*>(record->widget))
                log->ensureCursorVisible();
            return edit;
        case BM_SETCHECK:
            // Sets the mark only: a push button has none, and no BN_CLICKED follows.
            if (auto* box = qobject_cast<QCheckBox*>(record->widget))
                box->setChecked(wParam == kChecked);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}
