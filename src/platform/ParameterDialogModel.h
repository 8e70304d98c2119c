#pragma once
// The parameter dialog's state: one number chosen by a scroll bar (with an
// edit box, a hexadecimal label for large ranges and up to six presets) or by
// a track bar (with a caption that names the size it stands for). The window
// only shows it; scripts drive it directly.

#include <array>
#include <optional>
#include <string>

namespace zv {

struct ParameterDialogRecord {
    int min = 0;
    int max = 100;
    int start = 0;
    int largeStep = 10;
    int smallStep = 1;
    std::array<int, 6> presets{};
    bool showPresets = false;
    bool trackBar = false;
};

class ParameterDialogModel {
public:
    ParameterDialogModel(std::string title, std::string minLabel, std::string maxLabel,
                         const ParameterDialogRecord& record);

    const ParameterDialogRecord& Record() const { return record_; }
    const std::string& Title() const { return title_; }
    // The window caption: the title, or while the track bar moves the size
    // its position stands for.
    const std::string& Caption() const { return caption_; }
    // The labels passed, or the range's ends as numbers.
    std::string MinLabel() const;
    std::string MaxLabel() const;

    int Position() const { return position_; }
    const std::string& BoxText() const { return box_; }
    // The position as 8 hexadecimal digits for ranges reaching 1048576;
    // empty otherwise.
    std::string HexLabel() const;
    // "&a = 5", ... for the six presets; empty when they are hidden.
    std::array<std::string, 6> PresetCaptions() const;

    // Slider or track bar moved; limited to the range.
    void SetPosition(int position);
    // Text typed in the edit box; text that is not a number restores the
    // start value.
    void TypeText(const std::string& text);
    // A preset button: its value, and the dialog closes with OK.
    void ChoosePreset(int index);
    void Ok();
    void Cancel();

    bool Closed() const { return closed_; }
    // The chosen value after OK; nullopt after Cancel or while open.
    std::optional<int> Result() const { return result_; }

private:
    void Show(int position);
    std::string title_;
    std::string minLabel_;
    std::string maxLabel_;
    ParameterDialogRecord record_;
    std::string caption_;
    std::string box_;
    int position_ = 0;
    bool closed_ = false;
    std::optional<int> result_;
};

// A whole number in decimal, with an optional sign and blanks around it;
// nullopt for anything else or a number outside int.
std::optional<int> ReadWholeNumber(const std::string& text);

} // namespace zv
