#pragma once
// The menu bar: items with captions, shortcuts and enabled/visible/checked
// states, and the key-matching rule of the window.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velmor::ui {

enum class MenuItemKind { Menu, Command, Separator };

class MenuItem {
  public:
    MenuItem(std::string name, std::string caption, MenuItemKind kind, MenuItem* parent);

    const std::string& name() const { return name_; }
    const std::string& caption() const { return caption_; }
    MenuItemKind kind() const { return kind_; }
    MenuItem* parent() const { return parent_; }
    const std::string& shortcut() const { return shortcut_; }  // "F5", "Ctrl+S", "Ctrl+F4", ...
    const std::string& hint() const { return hint_; }
    bool enabled() const { return enabled_; }
    bool visible() const { return visible_; }
    bool checked() const { return checked_; }
    bool checkable() const { return checkable_; }
    int radioGroup() const { return radioGroup_; }  // 0: not a radio item
    const std::vector<std::unique_ptr<MenuItem>>& items() const { return items_; }

    void setCaption(std::string_view caption);
    void setEnabled(bool enabled);
    void setVisible(bool visible);
    // Setting a check mark from code runs nothing; checking a radio item
    // clears the other items of its group.
    void setChecked(bool checked);
    void setCommand(std::function<void()> command) { command_ = std::move(command); }
    // Runs the command, as a user's choice of the item does (no state checks).
    void trigger();
    bool hasCommand() const { return static_cast<bool>(command_); }

    MenuItem& add(std::string name, std::string caption, MenuItemKind kind = MenuItemKind::Command);
    MenuItem& withShortcut(std::string key);
    MenuItem& withHint(std::string hint);
    MenuItem& withEnabled(bool enabled);
    MenuItem& withVisible(bool visible);
    MenuItem& withCheck(bool checked, int radioGroup = 0);

    void setListener(std::function<void(const MenuItem&)>* listener) { listener_ = listener; }

  private:
    void notify();

    std::string name_;
    std::string caption_;
    MenuItemKind kind_;
    MenuItem* parent_;
    std::string shortcut_;
    std::string hint_;
    bool enabled_ = true;
    bool visible_ = true;
    bool checked_ = false;
    bool checkable_ = false;
    int radioGroup_ = 0;
    std::vector<std::unique_ptr<MenuItem>> items_;
    std::function<void()> command_;
    std::function<void(const MenuItem&)>* listener_ = nullptr;
};

class MenuBar {
  public:
    MenuBar();
    MenuItem& root() { return root_; }
    const MenuItem& root() const { return root_; }
    MenuItem& addMenu(std::string name, std::string caption);
    // Finds an item anywhere in the tree; throws std::out_of_range if unknown.
    MenuItem& item(std::string_view name);
    const MenuItem& item(std::string_view name) const;
    // Every item in menu order: menus left to right, each top to bottom, depth first.
    std::vector<MenuItem*> inMenuOrder();
    // A key goes to the first item in menu order that carries it; its command
    // runs only when the item and every menu above it are enabled. Hidden items
    // are still reached. Returns true when a command ran.
    bool pressShortcut(std::string_view key);
    // Called on every change of any item (caption, enabled, visible, checked).
    void setListener(std::function<void(const MenuItem&)> listener);

  private:
    MenuItem root_;
    std::function<void(const MenuItem&)> listener_;
};

}  // namespace velmor::ui
