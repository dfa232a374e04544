// The two handle tables: windows, and the graphics objects beside them.
//
// Handles count up from 1 and are never reused, so a handle kept after its window or object is
// gone finds nothing rather than a newcomer.
#include <map>
#include <variant>

#include "cp932.h"
#include "layer.h"
#include "winapi_qt.h"

namespace {

std::uintptr_t lastHandle = 0;

std::map<std::uintptr_t, Window> windows;

using GdiObject = std::variant<QFont, QColor, QImage, Qt::CursorShape>;
std::map<std::uintptr_t, GdiObject> objects;

std::uintptr_t Key(const void* handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

HGDIOBJ AddObject(GdiObject object) {
    const std::uintptr_t key = ++lastHandle;
    objects.emplace(key, std::move(object));
    return reinterpret_cast<HGDIOBJ>(key);
}

template <typename T>
const T* ObjectOf(HGDIOBJ object) {
    const auto found = objects.find(Key(object));
    return found == objects.end() ? nullptr : std::get_if<T>(&found->second);
}

}  // namespace

Window& AddWindow(Window record) {
    const std::uintptr_t key = ++lastHandle;
    record.self = reinterpret_cast<HWND>(key);
    return windows.emplace(key, std::move(record)).first->second;
}

Window* Lookup(HWND window) {
    const auto found = windows.find(Key(window));
    return found == windows.end() ? nullptr : &found->second;
}

void RemoveWindow(HWND window) {
    windows.erase(Key(window));
}

HWND HandleOfWidget(const QWidget* widget) {
    if (!widget) return nullptr;
    for (const auto& [key, record] : windows) {
        if (record.widget == widget) return record.self;
    }
    return nullptr;
}

std::vector<HWND> ChildrenOf(HWND parent) {
    std::vector<HWND> children;
    for (const auto& [key, record] : windows) {
        if (parent && record.parent == parent) children.push_back(record.self);
    }
    return children;
}

QWidget* WidgetOf(HWND window) {
    const Window* record = Lookup(window);
    return record ? record->widget.data() : nullptr;
}

HGDIOBJ AddFont(const QFont& font) {
    return AddObject(font);
}
HGDIOBJ AddBrush(const QColor& color) {
    return AddObject(color);
}
HGDIOBJ AddIcon(const QImage& icon) {
    return AddObject(icon);
}
HGDIOBJ AddCursor(Qt::CursorShape shape) {
    return AddObject(shape);
}

const QFont* FontOf(HGDIOBJ object) {
    return ObjectOf<QFont>(object);
}
const QColor* BrushColorOf(HGDIOBJ object) {
    return ObjectOf<QColor>(object);
}
const QImage* IconOf(HGDIOBJ object) {
    return ObjectOf<QImage>(object);
}
const Qt::CursorShape* CursorOf(HGDIOBJ object) {
    return ObjectOf<Qt::CursorShape>(object);
}

bool RemoveFontOrBrush(HGDIOBJ object) {
    if (!FontOf(object) && !BrushColorOf(object)) return false;
    objects.erase(Key(object));
    return true;
}

QString FromCp932(std::string_view bytes) {
    const std::string utf8 = Cp932ToUtf8(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToCp932(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToCp932(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}
