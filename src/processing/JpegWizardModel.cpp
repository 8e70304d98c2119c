#include "processing/JpegWizardModel.h"

#include "formats/JpegCodec.h"
#include "platform/Dialogs.h"
#include "platform/ParameterDialogModel.h"
#include "platform/linux/AtomicFile.h"
#include "processing/Filter5x5.h"
#include "processing/Kernel3x3.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string_view>

namespace zv {

namespace {

constexpr int kMaxQuality = 255;
// libjpeg's smoothing factor ends at 100: above it its weights turn negative.
constexpr int kMaxEncoderSmoothing = 100;

EffectRow Row(const char* caption, int min, int max, int start, int large, const char* minLabel,
              const char* maxLabel) {
    EffectRow row;
    row.caption = caption;
    row.minLabel = minLabel;
    row.maxLabel = maxLabel;
    row.min = min;
    row.max = max;
    row.largeStep = large;
    row.smallStep = 1;
    row.position = std::clamp(start, min, max);
    row.text = std::to_string(row.position);
    return row;
}

void Place(EffectRow& row, int position) {
    row.position = std::clamp(position, row.min, row.max);
    row.text = std::to_string(row.position);
}

// The smoothing the settings ask for before coding: the parametric filter
// defocuses, Clean smooths flat areas; Standard leaves it to the encoder.
bool PreFilters(const JpegWizardSettings& s) {
    return s.filter != 0 && s.amount >= 1 && s.amount <= 255;
}
void PreFilter(Bitmap& picture, int filter, int amount) {
    if (amount < 1 || amount > 255) return;
    if (filter == 1) DeFocus(picture, 255 - amount);
    if (filter == 2) SharpGaussianBlur5x5(picture, 255, amount);
}

JpegEncodeOptions EncodeOptions(const JpegWizardSettings& s) {
    JpegEncodeOptions options;
    options.quality = s.quality;
    options.scale = JpegQualityScale::Linear;
    options.subsampling = s.subsample ? JpegSubsampling::Both : JpegSubsampling::None;
    options.smoothing = s.filter == 0 ? std::clamp(s.amount, 0, kMaxEncoderSmoothing) : 0;
    options.progressive = s.progressive;
    options.optimiseTables = true;
    options.dct = JpegDct::Float;
    return options;
}

// U / N with two decimals, the whole part U div N.
std::string Ratio(std::int64_t u, std::int64_t n) {
    char text[64];
    std::snprintf(text, sizeof text, "%lld.%02lld", static_cast<long long>(u / n),
                  static_cast<long long>(u % n * 100 / n));
    return text;
}

bool HasExtension(const std::string& path, std::string_view extension) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == extension;
}

} // namespace

std::string ProposedJpegName(const std::string& path) {
    const std::filesystem::path file = std::filesystem::path(path).filename();
    return HasExtension(path, ".jpg") ? file.string() : file.stem().string();
}

JpegWizardModel::JpegWizardModel(int code, const Bitmap& picture,
                                 const JpegWizardSettings& settings, Dialogs& dialogs,
                                 JpegWizardTarget target)
    : code_(code), picture_(picture), dialogs_(dialogs), target_(std::move(target)),
      settings_(settings) {
    amount_ = Row("&Filter", 0, 255, settings.amount, 16, "0 (none)", "255 (fuzzy)");
    quality_ = Row("&Quality", 1, kMaxQuality, settings.quality, 8, "1 (best)", "255 (smaller)");
    settings_.filter = std::clamp(settings.filter, 0, 2);
}

PixelRows JpegWizardModel::RowsOf(const Bitmap& picture) {
    if (picture.Empty() || picture.Format() != PixelFormat::Bits24) return {};
    return {picture.Width(), picture.Height(), picture.Stride(), picture.ScanLine(0)};
}

void JpegWizardModel::SetAmount(int amount) {
    if (!closed_) Place(amount_, amount);
}

void JpegWizardModel::TypeAmount(const std::string& text) {
    if (closed_) return;
    const std::optional<int> typed = ReadWholeNumber(text);
    if (typed)
        Place(amount_, *typed);
    else
        amount_.text = std::to_string(amount_.position);
}

void JpegWizardModel::SetQuality(int quality) {
    if (!closed_) Place(quality_, quality);
}

// Values above 255 become 255 and values of 0 or less 1; text that is not
// a number puts the position back.
void JpegWizardModel::TypeQuality(const std::string& text) {
    if (closed_) return;
    const std::optional<int> typed = ReadWholeNumber(text);
    if (typed)
        Place(quality_, *typed);
    else
        quality_.text = std::to_string(quality_.position);
}

void JpegWizardModel::SetFilter(int filter) {
    if (!closed_) settings_.filter = std::clamp(filter, 0, 2);
}

JpegWizardSettings JpegWizardModel::Settings() const {
    JpegWizardSettings settings = settings_;
    settings.amount = amount_.position;
    settings.quality = quality_.position;
    return settings;
}

void JpegWizardModel::Test() {
    if (closed_ || RowsOf(picture_).bits == nullptr) return;
    const JpegWizardSettings settings = Settings();
    const std::int64_t u = std::int64_t{3} * picture_.Width() * picture_.Height();
    stream_.clear();
    try {
        // Only a pre-filter needs a copy of the picture to work on.
        if (PreFilters(settings)) {
            Bitmap work = picture_;
            PreFilter(work, settings.filter, settings.amount);
            stream_ = JpegEncode(work, EncodeOptions(settings));
        } else {
            stream_ = JpegEncode(picture_, EncodeOptions(settings));
        }
        Bitmap decoded;
        JpegDecoder decoder(stream_);
        JpegDecodeOptions options;
        options.performance = JpegPerformance::Quality;
        decoder.Decode(options, decoded);
        after_ = std::move(decoded);
    } catch (const std::exception& e) {
        // Nothing was coded: no size, no ratio to divide by, nothing to save.
        stream_.clear();
        after_ = Bitmap();
        sizeText_.clear();
        ratioText_ = std::string("Compression failed: ") + e.what();
        ++tests_;
        return;
    }
    const auto n = static_cast<std::int64_t>(stream_.size());
    sizeText_ = "File size: " + std::to_string(n) + " bytes";
    ratioText_ = "Compression ratio: " + Ratio(u, n) + " to 1";
    ++tests_;
}

std::string JpegWizardModel::AcceptCaption() const {
    return code_ == kJpegWizardBatchCode ? "&Apply" : "Save &As";
}

bool JpegWizardModel::AcceptEnabled() const {
    if (closed_) return false;
    return code_ == kJpegWizardBatchCode || !stream_.empty();
}

void JpegWizardModel::Accept() {
    if (!AcceptEnabled()) return;
    if (code_ == kJpegWizardBatchCode) {
        closed_ = true;
        return;
    }
    SaveAs();
}

// Writes the last Test's stream under a temporary name renamed over the
// chosen file, so a failed write leaves an old file as it was; a failure is
// reported and the wizard stays open either way.
void JpegWizardModel::SaveAs() {
    FileDialogRequest request;
    request.title = "Save As";
    request.filter = "JPG (JPEG/JFIF)  24-bit color|*.jpg";
    request.initialFolder = target_.folder;
    request.fileName = target_.fileName;
    const std::optional<std::string> chosen = dialogs_.SaveFile(request);
    if (!chosen || chosen->empty()) return;
    std::filesystem::path path(*chosen);
    if (!path.has_extension()) path += ".jpg";
    try {
        WriteFileAtomically(
            path, std::string_view(reinterpret_cast<const char*>(stream_.data()), stream_.size()));
    } catch (const std::exception& e) {
        dialogs_.Error(e.what());
        return;
    }
    savedFolder_ = path.parent_path().string();
    target_.folder = savedFolder_;
    target_.fileName = path.filename().string();
}

int RunJpegWizard(Dialogs& dialogs, int code, const Bitmap& picture, JpegWizardSettings& settings,
                  const JpegWizardTarget& target, std::string* savedFolder) {
    JpegWizardModel model(code, picture, settings, dialogs, target);
    dialogs.JpegWizard(model);
    if (!model.Closed()) model.Close();
    settings = model.Settings();
    if (savedFolder) *savedFolder = model.SavedFolder();
    return model.Amount();
}

} // namespace zv
