#pragma once
// The JPEG compression wizard: the whole picture smoothed as chosen,
// compressed with the chosen quality, progressive coding and subsampling,
// and decompressed again, so the user sees what the file will look like and
// how large it will be before saving it. The picture itself is never
// changed; Save As writes the last Test's stream.

#include "imaging/Bitmap.h"
#include "platform/JpegWizardSession.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zv {

class Dialogs;

// The wizard's remembered settings (the settings record's fields).
struct JpegWizardSettings {
    bool progressive = false;
    bool subsample = false;
    int filter = 0;   // 0 Standard (the encoder's own smoothing), 1 Parametric, 2 Clean
    int amount = 0;   // smoothing 0..255
    int quality = 48; // 1..255, the program's quality scale
    friend bool operator==(const JpegWizardSettings&, const JpegWizardSettings&) = default;
};

inline constexpr int kJpegWizardCode = 999;      // from Tools > JPEG > Compress
inline constexpr int kJpegWizardBatchCode = 998; // the same during a batch run

// Where Save As starts: the folder and the name proposed.
struct JpegWizardTarget {
    std::string folder;
    std::string fileName;
};

// The name Save As proposes for a picture at `path`: its file name without
// the extension, unless the extension is ".jpg".
std::string ProposedJpegName(const std::string& path);

class JpegWizardModel final : public JpegWizardSession {
public:
    JpegWizardModel(int code, const Bitmap& picture, const JpegWizardSettings& settings,
                    Dialogs& dialogs, JpegWizardTarget target = {});

    const std::string& Title() const override { return title_; }
    EffectRow AmountRow() const override { return amount_; }
    EffectRow QualityRow() const override { return quality_; }
    void SetAmount(int amount) override;
    void TypeAmount(const std::string& text) override;
    void SetQuality(int quality) override;
    void TypeQuality(const std::string& text) override;
    bool Progressive() const override { return settings_.progressive; }
    void SetProgressive(bool on) override { settings_.progressive = on; }
    bool Subsample() const override { return settings_.subsample; }
    void SetSubsample(bool on) override { settings_.subsample = on; }
    int Filter() const override { return settings_.filter; }
    void SetFilter(int filter) override;

    PixelRows BeforePixels() const override { return RowsOf(picture_); }
    PixelRows AfterPixels() const override { return RowsOf(after_); }
    void Test() override;
    std::string FileSizeText() const override { return sizeText_; }
    std::string RatioText() const override { return ratioText_; }

    std::string AcceptCaption() const override;
    bool AcceptEnabled() const override;
    void Accept() override;
    void Close() override { closed_ = true; }
    bool Closed() const override { return closed_; }

    // The settings as the wizard leaves them, to be remembered.
    JpegWizardSettings Settings() const;
    // The smoothing amount: the wizard's result, whether saved or closed.
    int Amount() const { return amount_.position; }
    int Tests() const { return tests_; }
    const Bitmap& After() const { return after_; }
    const std::vector<std::uint8_t>& Stream() const { return stream_; }
    // The folder of the last file Save As wrote; empty when none was.
    const std::string& SavedFolder() const { return savedFolder_; }

private:
    static PixelRows RowsOf(const Bitmap& picture);
    void SaveAs();

    int code_;
    const Bitmap& picture_;
    Dialogs& dialogs_;
    JpegWizardTarget target_;
    std::string title_ = "JPEG Compression Wizard";
    JpegWizardSettings settings_;
    EffectRow amount_;
    EffectRow quality_;
    Bitmap after_;
    std::vector<std::uint8_t> stream_;
    std::string sizeText_;
    std::string ratioText_;
    std::string savedFolder_;
    int tests_ = 0;
    bool closed_ = false;
};

// Runs the wizard through `dialogs` on a 24-bit copy of nothing but the
// picture given; `settings` comes back as the wizard left them. Returns the
// smoothing amount (the wizard answers it on Close too).
int RunJpegWizard(Dialogs& dialogs, int code, const Bitmap& picture, JpegWizardSettings& settings,
                  const JpegWizardTarget& target, std::string* savedFolder = nullptr);

} // namespace zv
