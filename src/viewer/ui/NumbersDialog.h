#pragma once
// A small dialog that asks for a few whole numbers, each within its limits:
// the magnification, the screen gamma, a viewport, a selection, a grid.

#include <QString>

#include <optional>
#include <vector>

class QWidget;

namespace zv {

struct NumberField {
    QString label;
    int minimum = 0;
    int maximum = 100;
    int value = 0;
    std::vector<int> presets; // offered in a drop-down list when not empty
};

// The values in the order of the fields; nothing when cancelled.
std::optional<std::vector<int>> AskNumbers(QWidget* parent, const QString& title,
                                           std::vector<NumberField> fields);

} // namespace zv
