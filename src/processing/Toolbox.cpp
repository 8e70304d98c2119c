#include "processing/Toolbox.h"

#include "processing/ArtisticOperations.h"
#include "processing/BatchLine.h"
#include "processing/ColourOperations.h"
#include "processing/CorrectionOperations.h"
#include "processing/FilterOperations.h"
#include "processing/GeometryOperations.h"
#include "processing/Masks.h"
#include "processing/Mosaic.h"
#include "processing/PictureArithmetic.h"
#include "processing/ToneOperations.h"

#include <stdexcept>

namespace zv {

bool AcceptsValues(const ToolboxOperation& op, const EffectValues& values) {
    for (int n = 0; n < op.paramCount && n < 3; ++n)
        if (!op.ranges[n].Holds(values[n])) return false;
    return !op.accepts || op.accepts(values);
}

std::string DescribeParameters(const ToolboxOperation& op) {
    const std::string word = op.word ? op.word : "this operation";
    if (op.paramCount == 0) return word + " takes no parameters";
    std::string names, ranges;
    for (int n = 0; n < op.paramCount && n < 3; ++n) {
        names += (n ? ", P" : "P") + std::to_string(n + 1);
        ranges += (n ? ", " : "") + std::to_string(op.ranges[n].min) + ".." +
                  std::to_string(op.ranges[n].max);
    }
    std::string text = word + " takes " + names + ": " + ranges;
    if (op.acceptsText && *op.acceptsText) text += std::string(", with ") + op.acceptsText;
    return text;
}

ToolboxRegistry::ToolboxRegistry(std::initializer_list<std::span<const ToolboxOperation>> tables) {
    for (std::span<const ToolboxOperation> table : tables)
        for (const ToolboxOperation& op : table) Add(op);
}

void ToolboxRegistry::Add(const ToolboxOperation& op) {
    if (!op.pixels == !op.work)
        throw std::logic_error(std::string("toolbox entry ") + (op.word ? op.word : "?") +
                               " needs one pixel or work function");
    all_.push_back(&op);
    if (op.effectCode != 0 && !codes_.emplace(op.effectCode, &op).second)
        throw std::logic_error("toolbox effect code " + std::to_string(op.effectCode) +
                               " registered twice");
    for (const char* word : {op.word, op.alias}) {
        if (!word) continue;
        const auto [at, added] = words_.emplace(BatchWordKey(word), &op);
        const bool shared = op.sharesWord && word == op.word;
        if (added == shared)
            throw std::logic_error(
                std::string("toolbox word ") + word +
                (added ? " shared before it is registered" : " registered twice"));
    }
}

const ToolboxOperation* ToolboxRegistry::FindWord(std::string_view word) const {
    const auto at = words_.find(BatchWordKey(word));
    return at == words_.end() ? nullptr : at->second;
}

const ToolboxOperation* ToolboxRegistry::FindCode(int effectCode) const {
    const auto at = codes_.find(effectCode);
    return at == codes_.end() ? nullptr : at->second;
}

const ToolboxRegistry& TheToolbox() {
    // The one list of operation families; a new family adds its table here.
    static const ToolboxRegistry registry{
        ToneOperations(),     FilterOperations(), CorrectionOperations(),
        ColourOperations(),   MaskOperations(),   ArithmeticOperations(),
        GeometryOperations(), MosaicOperations(), ArtisticOperations()};
    return registry;
}

} // namespace zv
