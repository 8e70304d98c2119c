#include "viewer/ViewerSettings.h"

#include "platform/LittleEndian.h"

#include <algorithm>
#include <sstream>
#include <variant>

namespace zv {

namespace {

using Member = std::variant<bool ViewerSettings::*, std::int32_t ViewerSettings::*,
                            std::uint32_t ViewerSettings::*, WindowBounds ViewerSettings::*>;

struct Field {
    std::size_t offset;
    const char* name;
    Member member;
};

// Every stored field at its offset; the bytes between them are reserved and written as 0.
const Field kFields[] = {
    {0x00, "batchEditorBounds", &ViewerSettings::batchEditorBounds},
    {0x10, "commentBounds", &ViewerSettings::commentBounds},
    {0x20, "viewerBounds", &ViewerSettings::viewerBounds},
    {0x30, "menuBar", &ViewerSettings::menuBar},
    {0x31, "toolBar", &ViewerSettings::toolBar},
    {0x32, "statusBar", &ViewerSettings::statusBar},
    {0x33, "buttonText", &ViewerSettings::buttonText},
    {0x34, "fitToWindow", &ViewerSettings::fitToWindow},
    {0x35, "autoReduce", &ViewerSettings::autoReduce},
    {0x36, "maxFullScreen", &ViewerSettings::maxFullScreen},
    {0x38, "faxQuality", &ViewerSettings::faxQuality},
    {0x3C, "jpegPalette", &ViewerSettings::jpegPalette},
    {0x40, "backColour", &ViewerSettings::backColour},
    {0x44, "comctlClass", &ViewerSettings::comctlClass},
    {0x48, "autoSize", &ViewerSettings::autoSize},
    {0x49, "autoCenter", &ViewerSettings::autoCenter},
    {0x4C, "effectSpeed", &ViewerSettings::effectSpeed},
    {0x50, "showPalette", &ViewerSettings::showPalette},
    {0x54, "delayMs", &ViewerSettings::delayMs},
    {0x58, "playerStatusLine", &ViewerSettings::playerStatusLine},
    {0x59, "playerTrackBar", &ViewerSettings::playerTrackBar},
    {0x5A, "playerControls", &ViewerSettings::playerControls},
    {0x5B, "playerMaxFullScreen", &ViewerSettings::playerMaxFullScreen},
    {0x5C, "playerAutoPlayLoop", &ViewerSettings::playerAutoPlayLoop},
    {0x60, "playerStatusHeight", &ViewerSettings::playerStatusHeight},
    {0x64, "playerTrackHeight", &ViewerSettings::playerTrackHeight},
    {0x68, "playerControlsHeight", &ViewerSettings::playerControlsHeight},
    {0x6C, "volume", &ViewerSettings::volume},
    {0x70, "autoSizeVideo", &ViewerSettings::autoSizeVideo},
    {0x71, "alwaysFullScreen", &ViewerSettings::alwaysFullScreen},
    {0x78, "textPosition", &ViewerSettings::textPosition},
    {0x7C, "useScreen", &ViewerSettings::useScreen},
    {0x7D, "avlJukebox", &ViewerSettings::avlJukebox},
    {0x7E, "pathBox", &ViewerSettings::pathBox},
    {0x7F, "upsampledFit", &ViewerSettings::upsampledFit},
    {0x80, "photoCdStep", &ViewerSettings::photoCdStep},
    {0x88, "turboMode", &ViewerSettings::turboMode},
    {0x90, "fastRefresh", &ViewerSettings::fastRefresh},
    {0x91, "mergeToolBar", &ViewerSettings::mergeToolBar},
    {0x92, "fullScreenMenus", &ViewerSettings::fullScreenMenus},
};

struct FieldWriter {
    const ViewerSettings& settings;
    std::uint8_t* at;
    void operator()(bool ViewerSettings::*m) const { *at = settings.*m ? 1 : 0; }
    void operator()(std::int32_t ViewerSettings::*m) const {
        PutLittle32(at, static_cast<std::uint32_t>(settings.*m));
    }
    void operator()(std::uint32_t ViewerSettings::*m) const { PutLittle32(at, settings.*m); }
    void operator()(WindowBounds ViewerSettings::*m) const {
        const WindowBounds& b = settings.*m;
        PutLittle32(at, static_cast<std::uint32_t>(b.left));
        PutLittle32(at + 4, static_cast<std::uint32_t>(b.top));
        PutLittle32(at + 8, static_cast<std::uint32_t>(b.right));
        PutLittle32(at + 12, static_cast<std::uint32_t>(b.bottom));
    }
};

struct FieldReader {
    ViewerSettings& settings;
    const std::uint8_t* at;
    void operator()(bool ViewerSettings::*m) const { settings.*m = *at != 0; }
    void operator()(std::int32_t ViewerSettings::*m) const {
        settings.*m = static_cast<std::int32_t>(GetLittle32(at));
    }
    void operator()(std::uint32_t ViewerSettings::*m) const { settings.*m = GetLittle32(at); }
    void operator()(WindowBounds ViewerSettings::*m) const {
        WindowBounds& b = settings.*m;
        b.left = static_cast<std::int32_t>(GetLittle32(at));
        b.top = static_cast<std::int32_t>(GetLittle32(at + 4));
        b.right = static_cast<std::int32_t>(GetLittle32(at + 8));
        b.bottom = static_cast<std::int32_t>(GetLittle32(at + 12));
    }
};

struct FieldPrinter {
    const ViewerSettings& settings;
    std::ostream& out;
    void operator()(bool ViewerSettings::*m) const { out << (settings.*m ? 1 : 0); }
    void operator()(std::int32_t ViewerSettings::*m) const { out << settings.*m; }
    void operator()(std::uint32_t ViewerSettings::*m) const { out << settings.*m; }
    void operator()(WindowBounds ViewerSettings::*m) const {
        const WindowBounds& b = settings.*m;
        out << b.left << ' ' << b.top << ' ' << b.right << ' ' << b.bottom;
    }
};

void ClampInto(std::int32_t& value, std::int32_t low, std::int32_t high) {
    value = std::clamp(value, low, high);
}

} // namespace

ViewerSettings DefaultViewerSettings(int screenBits) {
    ViewerSettings settings;
    settings.fastRefresh = screenBits > 8;
    // A new user's big pictures show whole; small ones keep their pixels.
    settings.fitToWindow = true;
    settings.upsampledFit = false;
    return settings;
}

ViewerSettingsRecord SerializeViewerSettings(const ViewerSettings& settings) {
    ViewerSettingsRecord record{};
    for (const Field& field : kFields)
        std::visit(FieldWriter{settings, record.data() + field.offset}, field.member);
    return record;
}

std::optional<ViewerSettings> ParseViewerSettings(const Bytes& record) {
    if (record.size() != kViewerSettingsSize) return std::nullopt;
    ViewerSettings settings;
    for (const Field& field : kFields)
        std::visit(FieldReader{settings, record.data() + field.offset}, field.member);
    return settings;
}

void CorrectReadSettings(ViewerSettings& settings, int screenBits) {
    if (settings.delayMs > 60000) settings.delayMs = 1000;
    if (settings.delayMs < 0) settings.delayMs = 500;
    if (settings.jpegPalette < 0 || settings.jpegPalette > 3) settings.jpegPalette = 3;
    ClampInto(settings.faxQuality, 0, 3);
    ClampInto(settings.effectSpeed, 0, 3);
    ClampInto(settings.showPalette, 0, 2);
    ClampInto(settings.textPosition, 0, 2);
    ClampInto(settings.photoCdStep, 0, 6);
    ClampInto(settings.volume, 1, 1000);
    ClampInto(settings.turboMode, 0, 1);
    // Every Qt style has flat tool bars and hot-tracked lists, the controls of
    // class 3; older classes stored by earlier runs are raised to it.
    if (settings.comctlClass < 3) settings.comctlClass = 3;
    if (screenBits < 15) settings.useScreen = false;
    if (screenBits < 9) settings.fastRefresh = false;
}

void CorrectWrittenSettings(ViewerSettings& settings) {
    if (settings.delayMs > 4000) settings.delayMs = 500;
}

std::string DescribeViewerSettings(const ViewerSettings& settings) {
    std::ostringstream out;
    for (const Field& field : kFields) {
        out << "0x" << std::hex << std::uppercase;
        out.width(2);
        out.fill('0');
        out << field.offset << std::dec << ' ' << field.name << ' ';
        std::visit(FieldPrinter{settings, out}, field.member);
        out << '\n';
    }
    return out.str();
}

} // namespace zv
