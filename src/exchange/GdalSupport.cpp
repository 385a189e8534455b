#include "exchange/GdalSupport.h"

#include <algorithm>
#include <mutex>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal.h>

#include "exchange/ExportOptions.h"

namespace ter5::exchange {

void RegisterGdal() {
    static std::once_flag once;
    std::call_once(once, [] { GDALAllRegister(); });
}

GdalErrorTrap::GdalErrorTrap() {
    CPLPushErrorHandlerEx(
        [](CPLErr level, CPLErrorNum number, const char* message) {
            Handler(static_cast<int>(level), static_cast<int>(number), message);
        },
        this);
}

GdalErrorTrap::~GdalErrorTrap() { CPLPopErrorHandler(); }

void GdalErrorTrap::Handler(int level, int /*number*/, const char* message) {
    auto* trap = static_cast<GdalErrorTrap*>(CPLGetErrorHandlerUserData());
    if (!trap || !message) return;
    const std::string text(message);
    if (level >= CE_Failure) {
        trap->lastError_ = text;
    } else if (level == CE_Warning &&
               std::find(trap->warnings_.begin(), trap->warnings_.end(), text) == trap->warnings_.end()) {
        trap->warnings_.push_back(text);
    }
}

void GdalErrorTrap::Fail(const std::string& file, const std::string& problem) const {
    FailExport(file, lastError_.empty() ? problem : problem + ": " + lastError_);
}

ScopedGdalConfig::ScopedGdalConfig(const char* key, const char* value) : key_(key) {
    if (const char* old = CPLGetThreadLocalConfigOption(key, nullptr)) {
        saved_ = old;
        hadValue_ = true;
    }
    CPLSetThreadLocalConfigOption(key, value);
}

ScopedGdalConfig::~ScopedGdalConfig() {
    CPLSetThreadLocalConfigOption(key_.c_str(), hadValue_ ? saved_.c_str() : nullptr);
}

std::unique_ptr<OGRSpatialReference> ParseCrs(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return nullptr;
    RegisterGdal();
    GdalErrorTrap errors;
    auto srs = std::make_unique<OGRSpatialReference>();
    // The text is the user's: it must not make GDAL read a file or fetch a URL.
    const char* const options[] = {"ALLOW_NETWORK_ACCESS=NO", "ALLOW_FILE_ACCESS=NO", nullptr};
    if (srs->SetFromUserInput(text.c_str() + first, options) != OGRERR_NONE)
        errors.Fail("", "unknown reference system '" + text + "'");
    srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return srs;
}

}  // namespace ter5::exchange
