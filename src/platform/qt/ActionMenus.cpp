#include "platform/qt/ActionMenus.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QString>

namespace zv {

namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

ActionMenus::ActionMenus(QWidget* owner, RuleFn rule, RunFn run)
    : QObject(owner), owner_(owner), rule_(std::move(rule)), run_(std::move(run)) {}

void ActionMenus::AddTo(QMenuBar* bar, MenuTable table) {
    Q_ASSERT(MenusBalanced(table));
    for (std::size_t at = 0; at < table.size();) {
        Q_ASSERT(table[at].kind == MenuItemKind::Menu);
        QMenu* menu = BuildMenu(bar, table, at);
        bar->addMenu(menu);
    }
}

void ActionMenus::AddTo(QMenu* menu, MenuTable table) {
    Q_ASSERT(MenusBalanced(table));
    AddItems(menu, table, 0);
}

QMenu* ActionMenus::Popup(MenuTable table) {
    auto* menu = new QMenu(owner_);
    AddTo(menu, table);
    return menu;
}

// The items from `at` up to the End of the menu they are in (or the end of
// the table); returns the position after that End.
std::size_t ActionMenus::AddItems(QMenu* menu, MenuTable table, std::size_t at) {
    while (at < table.size()) {
        const MenuItem& item = table[at];
        switch (item.kind) {
        case MenuItemKind::End: return at + 1;
        case MenuItemKind::Separator:
            menu->addSeparator();
            ++at;
            break;
        case MenuItemKind::Menu: menu->addMenu(BuildMenu(menu, table, at)); break;
        case MenuItemKind::Command:
            menu->addAction(CommandAction(item));
            ++at;
            break;
        }
    }
    return at;
}

// The menu opened at `at`; `at` moves past its End.
QMenu* ActionMenus::BuildMenu(QWidget* parent, MenuTable table, std::size_t& at) {
    const MenuItem& item = table[at];
    if (item.command != 0) {
        if (const auto found = menus_.find(item.command); found != menus_.end()) {
            at = SkipMenu(table, at);
            return found->second;
        }
    }
    auto* menu = new QMenu(Text(item.caption), parent);
    built_.push_back(
        {menu->menuAction(), item.command, item.argument, item.enabled, kRuleAlways, item.visible});
    if (item.command != 0) menus_[item.command] = menu;
    at = AddItems(menu, table, at + 1);
    return menu;
}

std::size_t ActionMenus::SkipMenu(MenuTable table, std::size_t at) {
    int depth = 0;
    for (; at < table.size(); ++at) {
        if (table[at].kind == MenuItemKind::Menu) ++depth;
        if (table[at].kind == MenuItemKind::End && --depth == 0) return at + 1;
    }
    return at;
}

QAction* ActionMenus::CommandAction(const MenuItem& item) {
    const QString caption = Text(item.caption);
    const QString keys = Text(item.keys);
    const auto key = std::make_tuple(item.command, item.argument, caption, keys);
    if (item.command != 0) {
        if (const auto found = shared_.find(key); found != shared_.end()) return found->second;
    }
    auto* action = new QAction(caption, owner_);
    if (!keys.isEmpty())
        action->setShortcuts(QKeySequence::listFromString(keys, QKeySequence::PortableText));
    if (item.checked != kRuleAlways) action->setCheckable(true);
    if (item.group != 0) {
        QActionGroup*& group = groups_[item.group];
        if (!group) group = new QActionGroup(this);
        group->addAction(action);
    }
    if (item.enabled == kRuleNever) action->setEnabled(false);
    if (item.command != 0) {
        shared_[key] = action;
        connect(action, &QAction::triggered, this,
                [this, command = item.command, argument = item.argument](bool checked) {
                    run_(command, argument, checked);
                });
    }
    built_.push_back(
        {action, item.command, item.argument, item.enabled, item.checked, item.visible});
    return action;
}

QAction* ActionMenus::Action(int command, int argument) const {
    for (const Built& built : built_)
        if (built.command == command && built.argument == argument && !built.action->menu())
            return built.action;
    return nullptr;
}

QList<QAction*> ActionMenus::Actions(int command) const {
    QList<QAction*> actions;
    for (const Built& built : built_)
        if (built.command == command && !built.action->menu()) actions << built.action;
    return actions;
}

QMenu* ActionMenus::SubMenu(int command) const {
    const auto found = menus_.find(command);
    return found == menus_.end() ? nullptr : found->second;
}

void ActionMenus::Refresh() {
    for (const Built& built : built_) {
        if (built.enabled != kRuleAlways && built.enabled != kRuleNever)
            built.action->setEnabled(rule_(built.enabled, built.argument));
        SetChecked(built);
        if (built.visible != kRuleAlways)
            built.action->setVisible(rule_(built.visible, built.argument));
    }
}

void ActionMenus::RefreshChecked() {
    for (const Built& built : built_) SetChecked(built);
}

void ActionMenus::SetChecked(const Built& built) {
    if (built.checked == kRuleAlways) return;
    // In a group only the choice that holds is set; the group clears the others.
    const bool on = rule_(built.checked, built.argument);
    if (built.action->isChecked() != on && (on || !built.action->actionGroup()))
        built.action->setChecked(on);
}

} // namespace zv
