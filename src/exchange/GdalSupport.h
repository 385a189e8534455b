#pragma once
// GDAL as the export uses it: its drivers registered once per process, its error
// messages caught while an export runs (so that they reach the user instead of the
// console), its configuration set for one export, and the reference system read from
// the user's text. Only the export's own sources include this header.

#include <memory>
#include <string>
#include <vector>

#include <ogr_spatialref.h>

namespace ter5::exchange {

// Registers GDAL's drivers; later calls do nothing.
void RegisterGdal();

// Catches GDAL's errors and warnings on this thread while it lives.
class GdalErrorTrap {
public:
    GdalErrorTrap();
    ~GdalErrorTrap();
    GdalErrorTrap(const GdalErrorTrap&) = delete;
    GdalErrorTrap& operator=(const GdalErrorTrap&) = delete;

    // GDAL's last error message; empty when none came.
    const std::string& LastError() const { return lastError_; }
    // GDAL's warnings, each once, in the order they came.
    const std::vector<std::string>& Warnings() const { return warnings_; }
    // Forgets the last error.
    void Clear() { lastError_.clear(); }

    // Throws ExportError "<file>: <problem>: <GDAL's last error>" (without the last part
    // when GDAL said nothing).
    [[noreturn]] void Fail(const std::string& file, const std::string& problem) const;

private:
    static void Handler(int level, int number, const char* message);

    std::string lastError_;
    std::vector<std::string> warnings_;
};

// Sets a GDAL configuration option for this thread while it lives.
class ScopedGdalConfig {
public:
    ScopedGdalConfig(const char* key, const char* value);
    ~ScopedGdalConfig();
    ScopedGdalConfig(const ScopedGdalConfig&) = delete;
    ScopedGdalConfig& operator=(const ScopedGdalConfig&) = delete;

private:
    std::string key_;
    std::string saved_;
    bool hadValue_ = false;
};

// The reference system named by `text`: "EPSG:n", a PROJ string or WKT, read without
// opening files or the network, with x = easting and y = northing whatever the
// system's own axis order. nullptr for an empty text; ExportError with GDAL's message
// for one GDAL cannot read.
std::unique_ptr<OGRSpatialReference> ParseCrs(const std::string& text);

}  // namespace ter5::exchange
