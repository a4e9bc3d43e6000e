#include "window_model/menu.hpp"

#include <stdexcept>

namespace velmor::ui {

MenuItem::MenuItem(std::string name, std::string caption, MenuItemKind kind, MenuItem* parent)
    : name_(std::move(name)), caption_(std::move(caption)), kind_(kind), parent_(parent) {
    if (parent_) listener_ = parent_->listener_;
}

void MenuItem::notify() {
    if (listener_ && *listener_) (*listener_)(*this);
}

void MenuItem::setCaption(std::string_view caption) {
    if (caption_ == caption) return;
    caption_.assign(caption);
    notify();
}

void MenuItem::setEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    notify();
}

void MenuItem::setVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    notify();
}

void MenuItem::setChecked(bool checked) {
    if (checked && radioGroup_ != 0 && parent_) {
        for (auto& sibling : parent_->items_) {
            if (sibling.get() != this && sibling->radioGroup_ == radioGroup_ && sibling->checked_) {
                sibling->checked_ = false;
                sibling->notify();
            }
        }
    }
    if (checked_ == checked) return;
    checked_ = checked;
    notify();
}

void MenuItem::trigger() {
    if (command_) command_();
}

MenuItem& MenuItem::add(std::string name, std::string caption, MenuItemKind kind) {
    items_.push_back(std::make_unique<MenuItem>(std::move(name), std::move(caption), kind, this));
    return *items_.back();
}

MenuItem& MenuItem::withShortcut(std::string key) {
    shortcut_ = std::move(key);
    return *this;
}
MenuItem& MenuItem::withHint(std::string hint) {
    hint_ = std::move(hint);
    return *this;
}
MenuItem& MenuItem::withEnabled(bool enabled) {
    enabled_ = enabled;
    return *this;
}
MenuItem& MenuItem::withVisible(bool visible) {
    visible_ = visible;
    return *this;
}
MenuItem& MenuItem::withCheck(bool checked, int radioGroup) {
    checkable_ = true;
    checked_ = checked;
    radioGroup_ = radioGroup;
    return *this;
}

MenuBar::MenuBar() : root_("", "", MenuItemKind::Menu, nullptr) {
    root_.setListener(&listener_);
}

MenuItem& MenuBar::addMenu(std::string name, std::string caption) {
    return root_.add(std::move(name), std::move(caption), MenuItemKind::Menu);
}

namespace {
void collect(MenuItem& item, std::vector<MenuItem*>& out) {
    for (auto& child : item.items()) {
        out.push_back(child.get());
        collect(*child, out);
    }
}
MenuItem* find(MenuItem& item, std::string_view name) {
    for (auto& child : item.items()) {
        if (child->name() == name) return child.get();
        if (MenuItem* found = find(*child, name)) return found;
    }
    return nullptr;
}
}  // namespace

MenuItem& MenuBar::item(std::string_view name) {
    if (MenuItem* found = find(root_, name)) return *found;
    throw std::out_of_range("no menu item " + std::string(name));
}

const MenuItem& MenuBar::item(std::string_view name) const {
    return const_cast<MenuBar*>(this)->item(name);
}

std::vector<MenuItem*> MenuBar::inMenuOrder() {
    std::vector<MenuItem*> out;
    collect(root_, out);
    return out;
}

bool MenuBar::pressShortcut(std::string_view key) {
    for (MenuItem* item : inMenuOrder()) {
        if (item->shortcut() != key) continue;
        for (const MenuItem* m = item; m && m != &root_; m = m->parent())
            if (!m->enabled()) return false;
        if (!item->hasCommand()) return false;
        item->trigger();
        return true;
    }
    return false;
}

void MenuBar::setListener(std::function<void(const MenuItem&)> listener) {
    listener_ = std::move(listener);
}

}  // namespace velmor::ui
