#pragma once
// Builds a window's menus from its tables (platform/Actions.h): one QAction
// per command item, shared wherever the same command, caption and keys
// recur, so that every place shows one state; one QMenu per numbered menu,
// shown again wherever its number recurs. Refresh sets every enabled,
// checked and visible state from the window's rules.

#include "platform/Actions.h"

#include <QList>
#include <QObject>

#include <functional>
#include <map>
#include <tuple>
#include <vector>

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;
class QWidget;

namespace zv {

class ActionMenus : public QObject {
public:
    // Answers a rule for a command's argument.
    using RuleFn = std::function<bool(int rule, int argument)>;
    // Runs a command; checked is the new state of an on/off command.
    using RunFn = std::function<void(int command, int argument, bool checked)>;

    ActionMenus(QWidget* owner, RuleFn rule, RunFn run);

    // The table's menus (its top-level items must be menus) join the bar.
    void AddTo(QMenuBar* bar, MenuTable table);
    // The table's items join the menu.
    void AddTo(QMenu* menu, MenuTable table);
    // A new pop-up menu of the table's items.
    QMenu* Popup(MenuTable table);

    // The first action of a command (with that argument), or nullptr.
    QAction* Action(int command, int argument = 0) const;
    // Every action of a command, whatever its argument.
    QList<QAction*> Actions(int command) const;
    // A numbered menu, or nullptr.
    QMenu* SubMenu(int command) const;

    // Enabled, checked and visible states from the rules.
    void Refresh();
    // Only the checked states.
    void RefreshChecked();

private:
    struct Built {
        QAction* action;
        int command;
        int argument;
        int enabled;
        int checked;
        int visible;
    };

    std::size_t AddItems(QMenu* menu, MenuTable table, std::size_t at);
    QMenu* BuildMenu(QWidget* parent, MenuTable table, std::size_t& at);
    QAction* CommandAction(const MenuItem& item);
    static std::size_t SkipMenu(MenuTable table, std::size_t at);
    void SetChecked(const Built& built);

    QWidget* owner_;
    RuleFn rule_;
    RunFn run_;
    std::vector<Built> built_;
    std::map<std::tuple<int, int, QString, QString>, QAction*> shared_;
    std::map<int, QMenu*> menus_;
    std::map<int, QActionGroup*> groups_;
};

} // namespace zv
