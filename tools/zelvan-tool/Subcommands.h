#pragma once
// The subcommands of zelvan-tool: each has a name, a one-line summary, its
// usage text for --help, and the function that runs it.

#include <string>
#include <vector>

namespace zvtool {

using Arguments = std::vector<std::string>;

struct Subcommand {
    const char* name;
    const char* summary;
    const char* usage; // what `zelvan-tool NAME --help` prints
    int (*run)(const Arguments& arguments);
};

const std::vector<Subcommand>& AllSubcommands();

// Each subcommand's entry, defined beside its code.
int RunSettings(const Arguments& arguments);
extern const char* const kSettingsUsage;
int RunInfo(const Arguments& arguments);
extern const char* const kInfoUsage;
int RunConvert(const Arguments& arguments);
extern const char* const kConvertUsage;
int RunThumbs(const Arguments& arguments);
extern const char* const kThumbsUsage;
int RunApply(const Arguments& arguments);
extern const char* const kApplyUsage;
int RunHistogram(const Arguments& arguments);
extern const char* const kHistogramUsage;
int RunAnalyze(const Arguments& arguments);
extern const char* const kAnalyzeUsage;
int RunJpeg(const Arguments& arguments);
extern const char* const kJpegUsage;
int RunZip(const Arguments& arguments);
extern const char* const kZipUsage;
int RunBatchConvert(const Arguments& arguments);
extern const char* const kBatchConvertUsage;
int RunBip(const Arguments& arguments);
extern const char* const kBipUsage;
int RunAlbum(const Arguments& arguments);
extern const char* const kAlbumUsage;

} // namespace zvtool
