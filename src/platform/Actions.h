#pragma once
// A window's menus as data: one flat table per menu bar or pop-up menu, in
// the order the items appear. A menu opens with a Menu item and closes with
// End; between them come its commands, separators and sub-menus. A command
// names the window's command number (and an argument, for families such as
// the sort orders), its caption with its "&" mnemonic, its keys, and the
// window's rules that say when it is enabled, checked and visible. The
// window runs the commands and answers the rules; a builder in platform/qt
// makes the menus and keeps their states.

#include <span>
#include <string_view>

namespace zv {

// Rule numbers are the window's own, with these two fixed.
inline constexpr int kRuleAlways = 0; // enabled and visible; for checked: not checkable
inline constexpr int kRuleNever = -1; // never enabled: a piece not built yet

enum class MenuItemKind { Command, Menu, End, Separator };

struct MenuItem {
    MenuItemKind kind = MenuItemKind::Command;
    // The window's command number. A menu with a number is built once and
    // shown again wherever the number recurs (its items are then skipped).
    int command = 0;
    int argument = 0;          // passed with the command and to its rules
    std::string_view caption;  // with its "&" mnemonic
    std::string_view keys;     // key sequences in portable text, "; " between several
    int enabled = kRuleAlways; // the rule that enables it
    int checked = kRuleAlways; // the rule that checks it; kRuleAlways: not checkable
    int visible = kRuleAlways; // the rule that shows it
    int group = 0;             // commands of one non-zero group are exclusive choices
};

using MenuTable = std::span<const MenuItem>;

constexpr MenuItem Menu(std::string_view caption, int command = 0, int enabled = kRuleAlways,
                        int visible = kRuleAlways) {
    return {MenuItemKind::Menu, command, 0, caption, {}, enabled, kRuleAlways, visible, 0};
}

constexpr MenuItem End() {
    MenuItem item;
    item.kind = MenuItemKind::End;
    return item;
}

constexpr MenuItem Separator() {
    MenuItem item;
    item.kind = MenuItemKind::Separator;
    return item;
}

constexpr MenuItem Command(int command, std::string_view caption, std::string_view keys = {},
                           int enabled = kRuleAlways, int argument = 0) {
    return {MenuItemKind::Command, command,     argument, caption, keys, enabled,
            kRuleAlways,           kRuleAlways, 0};
}

// A command that is not built yet: shown, never enabled.
constexpr MenuItem Disabled(std::string_view caption, std::string_view keys = {}) {
    return {MenuItemKind::Command, 0, 0, caption, keys, kRuleNever, kRuleAlways, kRuleAlways, 0};
}

// An on/off command; the rule says whether it is on.
constexpr MenuItem Toggle(int command, std::string_view caption, int checked,
                          int enabled = kRuleAlways, std::string_view keys = {}) {
    return {MenuItemKind::Command, command, 0, caption, keys, enabled, checked, kRuleAlways, 0};
}

// One of an exclusive group of choices, told apart by the argument.
constexpr MenuItem Choice(int command, int argument, std::string_view caption, int checked,
                          int group, int enabled = kRuleAlways) {
    return {MenuItemKind::Command, command, argument, caption, {}, enabled, checked,
            kRuleAlways,           group};
}

// With a visible rule.
constexpr MenuItem ShownWhen(MenuItem item, int visible) {
    item.visible = visible;
    return item;
}

// True when every Menu has its End and nothing closes what was not opened.
constexpr bool MenusBalanced(MenuTable table) {
    int depth = 0;
    for (const MenuItem& item : table) {
        if (item.kind == MenuItemKind::Menu) ++depth;
        if (item.kind == MenuItemKind::End && --depth < 0) return false;
    }
    return depth == 0;
}

} // namespace zv
