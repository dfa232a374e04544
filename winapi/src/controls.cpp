// The standard "EDIT" and "BUTTON" classes: their widgets, their text and their window
// procedures.
//
// Supported: a single-line edit (QLineEdit); a multi-line edit with ES_READONLY, a log that the
// user can select in but not type into (QPlainTextEdit, no wrapping, a vertical scroll bar with
// WS_VSCROLL); push buttons and BS_AUTOCHECKBOX check boxes. Messages: WM_SETFONT, EM_SETSEL,
// EM_SCROLLCARET, BM_SETCHECK; everything else goes to DefWindowProcA. What the user types,
// commits through an input method or pastes (Ctrl+V, Shift+Insert, the context menu's Paste, a
// middle click where the platform has a selection) goes into a single-line edit as far as
// Windows lets it: up to its first line feed and within the typing limit.
// Deliberately not: other button styles, an editable multi-line edit, EM_LIMITTEXT (the limit
// is always Windows' default), a single-line edit without ES_AUTOHSCROLL (it always scrolls),
// dropping text on a single-line edit (a Windows edit takes no drops), the limit for the Unicode
// control characters that Qt's context menu offers in right-to-left locales.
// Selection positions are counted in the widget's UTF-16 characters, not in bytes; the program
// only ever asks for the end, which is the same in both.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
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

// What the user inserts may take the selection's place only in part, as in a Windows edit: a
// text ends at its first line feed (a carriage return right before it dropped), and only as much
// of it goes in as keeps the field within the typing limit, never half of a surrogate pair.
QString Admitted(QString text, qsizetype kept) {
    if (const qsizetype lineFeed = text.indexOf(u'\n'); lineFeed >= 0) {
        text.truncate(lineFeed > 0 && text[lineFeed - 1] == u'\r' ? lineFeed - 1 : lineFeed);
    }
    const qsizetype room = std::max<qsizetype>(0, kTypingLimit - kept);
    if (text.size() > room) {
        text.truncate(room);
        if (!text.isEmpty() && text.back().isHighSurrogate()) text.chop(1);
    }
    return text;
}

// Holds each insertion by the user to the typing rules before Qt makes it, where the inserted
// text is still known: telling it afterwards from the old and new texts is a guess that takes
// whatever the insertion shares with the old text for old text. Remembers the text that the
// layer last accepted, so that a change can be told from a signal that changed nothing.
class SingleLineEdit final : public QLineEdit {
  public:
    using QLineEdit::QLineEdit;
    QString accepted;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Paste)) {
            // Ctrl+Shift+Insert, where Qt binds it to paste at all (X11), pastes the selection.
            const bool selection = event->key() == Qt::Key_Insert &&
                                   event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier);
            Paste(selection ? QClipboard::Selection : QClipboard::Clipboard);
            event->accept();
            return;
        }
        const QString typed = Admitted(event->text(), Kept());
        if (typed == event->text()) {
            QLineEdit::keyPressEvent(event);
            return;
        }
        // The key's character does not fit: Qt gets the key with what does.
        QKeyEvent cut(event->type(), event->key(), event->modifiers(), event->nativeScanCode(),
                      event->nativeVirtualKey(), event->nativeModifiers(), typed,
                      event->isAutoRepeat(), event->count(), event->device());
        QLineEdit::keyPressEvent(&cut);
        // Qt ignores a key left without text; a typed character still replaces the selection.
        const bool typing = !(event->modifiers() & Qt::ControlModifier) &&
                            QChar::isPrint(event->text().toUcs4().value(0));
        if (!cut.isAccepted() && typing) {
            insert(typed);
            cut.accept();
        }
        event->setAccepted(cut.isAccepted());
    }

    void inputMethodEvent(QInputMethodEvent* event) override {
        const QString commit = Admitted(event->commitString(), Kept() - event->replacementLength());
        if (commit == event->commitString()) {
            QLineEdit::inputMethodEvent(event);
            return;
        }
        // Qt leaves the selection for a commit with nothing in it; a cut one replaces it still.
        if (commit.isEmpty() && hasSelectedText()) insert(commit);
        QInputMethodEvent cut(event->preeditString(), event->attributes());
        cut.setCommitString(commit, event->replacementStart(), event->replacementLength());
        QLineEdit::inputMethodEvent(&cut);
        event->setAccepted(cut.isAccepted());
    }

    void contextMenuEvent(QContextMenuEvent* event) override {
        QMenu* menu = createStandardContextMenu();
        for (QAction* action : menu->actions()) {
            // Qt 6.4 connects its Paste to the slot by name; later versions name the action.
            if (disconnect(action, SIGNAL(triggered()), this, SLOT(paste())) ||
                action->objectName() == u"edit-paste") {
                action->disconnect(this);
                connect(action, &QAction::triggered, this,
                        [this] { Paste(QClipboard::Clipboard); });
            }
        }
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(event->globalPos());
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        // Where the platform has a selection (X11), Qt pastes it at the caret that the middle
        // button's press has just placed.
        if (event->button() == Qt::MiddleButton &&
            QGuiApplication::clipboard()->supportsSelection()) {
            deselect();
            Paste(QClipboard::Selection);
            return;
        }
        QLineEdit::mouseReleaseEvent(event);
    }

  private:
    // The text that an insertion keeps: all but the selection.
    qsizetype Kept() const { return text().size() - selectionLength(); }

    // As Qt pastes, but with the rules applied to the clipboard's text.
    void Paste(QClipboard::Mode mode) {
        insert(Admitted(QGuiApplication::clipboard()->text(mode), Kept()));
    }
};

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
            edit->setAcceptDrops(false);  // a Windows edit takes no dropped text
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
    if (edit.text() == edit.accepted) return false;
    edit.accepted = edit.text();
    record.text = ToCp932(edit.accepted);
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
