#pragma once
// What the JPEG compression wizard shows and what its controls do, as the
// toolbox's wizard model offers it to the dialogs: the smoothing amount
// slider, the compressor's quality, progressive and subsampling boxes and
// smoothing filter, Test (compress and decompress the whole picture), the
// file size and ratio it reached, Save As and Close.

#include "platform/EffectDialogSession.h"

#include <string>

namespace zv {

class JpegWizardSession {
public:
    virtual ~JpegWizardSession() = default;

    virtual const std::string& Title() const = 0;
    // The smoothing amount (slider 1) and the quality, with their edit boxes.
    virtual EffectRow AmountRow() const = 0;
    virtual EffectRow QualityRow() const = 0;
    virtual void SetAmount(int amount) = 0;
    virtual void TypeAmount(const std::string& text) = 0;
    virtual void SetQuality(int quality) = 0;
    virtual void TypeQuality(const std::string& text) = 0;
    virtual bool Progressive() const = 0;
    virtual void SetProgressive(bool on) = 0;
    virtual bool Subsample() const = 0;
    virtual void SetSubsample(bool on) = 0;
    // The smoothing filter: 0 "Standard", 1 "Parametric", 2 "Clean".
    virtual int Filter() const = 0;
    virtual void SetFilter(int filter) = 0;

    // The picture and its compressed copy (empty before the first Test).
    virtual PixelRows BeforePixels() const = 0;
    virtual PixelRows AfterPixels() const = 0;
    virtual void Test() = 0;
    // "File size: ... bytes" and "Compression ratio: ... to 1" after a Test,
    // or the error that stopped it.
    virtual std::string FileSizeText() const = 0;
    virtual std::string RatioText() const = 0;

    // The accept button: "Save &As" saves the last Test's stream and stays
    // open; "&Apply" (during a batch) closes.
    virtual std::string AcceptCaption() const = 0;
    virtual bool AcceptEnabled() const = 0;
    virtual void Accept() = 0;
    virtual void Close() = 0;
    virtual bool Closed() const = 0;
};

} // namespace zv
