// The driver's registration with GDAL and its Identify and Open. GDAL loads the plugin
// ogr_Paradox.so from GDAL_DRIVER_PATH or its plugin directory and calls
// RegisterOGRParadox, the name it derives from the file name.

#include <cstring>
#include <filesystem>
#include <vector>

#include <gdal_priv.h>

#include "engine/ByteIo.h"
#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "engine/Format.h"
#include "engine/TableHeader.h"
#include "engine/TextCodec.h"
#include "exchange/gdal/DriverErrors.h"
#include "exchange/gdal/ParadoxDataset.h"

namespace ter5::exchange {
namespace {

namespace fs = std::filesystem;

constexpr char kDriverName[] = "Paradox";
constexpr char kLongName[] = "Paradox tables and TER v.5 land-cadastre bases (read-only)";
constexpr char kOpenOptions[] =
    "<OpenOptionList>"
    "  <Option name='ENCODING' type='string' description='Code page of the text in the tables (866, 1251, "
    "CP1252, ...). Default: the one each table names, read as Windows-1251 unless it is 866'/>"
    "  <Option name='BCD_AS' type='string-select' default='REAL' description='OGR type of BCD fields: REAL, "
    "or STRING for the exact decimal'>"
    "    <Value>REAL</Value>"
    "    <Value>STRING</Value>"
    "  </Option>"
    "  <Option name='CRS' type='string' description='Reference system of the survey coordinates of a base "
    "(EPSG:n, a PROJ string or WKT); the base does not record it. Default: none'/>"
    "</OpenOptionList>";

// Whether the header bytes a table file starts with are those of a table the engine
// reads; the fixed part is tested before more of the file is read.
bool LooksLikeTable(GDALOpenInfo* info) {
    if (info->fpL == nullptr || info->nHeaderBytes < static_cast<int>(engine::format::kFixedHeaderEnd)) return false;
    const GByte* head = info->pabyHeader;
    const std::uint8_t kind = head[engine::format::kFileType];
    if (kind != static_cast<std::uint8_t>(engine::FileType::KeyedDb) &&
        kind != static_cast<std::uint8_t>(engine::FileType::UnkeyedDb))
        return false;
    const int headerSize = engine::ReadU16(head + engine::format::kHeaderSize);
    if (headerSize > info->nHeaderBytes) info->TryToIngest(headerSize);
    return engine::IsTableHeader(info->pabyHeader, static_cast<std::size_t>(info->nHeaderBytes));
}

// Whether the directory holds a file with a table's header among its .db files.
bool HoldsTable(const char* directory) {
    std::error_code ec;
    for (fs::directory_iterator it(engine::PathFromUtf8(directory), ec), end; !ec && it != end; it.increment(ec)) {
        if (!engine::EqualsNoCase(engine::PathToUtf8(it->path().extension()), ".db")) continue;
        try {
            std::vector<std::uint8_t> head = engine::ReadFilePrefix(it->path(), engine::format::kFixedHeaderEnd);
            if (head.size() < engine::format::kFixedHeaderEnd) continue;
            head = engine::ReadFilePrefix(it->path(), engine::ReadU16(head.data() + engine::format::kHeaderSize));
            if (engine::IsTableHeader(head.data(), head.size())) return true;
        } catch (const std::exception&) {
            // An unreadable file is no table here; Open names it when it is one.
        }
    }
    return false;
}

int Identify(GDALOpenInfo* info) {
    if ((info->nOpenFlags & GDAL_OF_VECTOR) == 0) return FALSE;
    return info->bIsDirectory ? HoldsTable(info->pszFilename) : LooksLikeTable(info);
}

GDALDataset* Open(GDALOpenInfo* info) {
    if (!Identify(info)) return nullptr;
    if (info->eAccess == GA_Update) {
        CPLError(CE_Failure, CPLE_NotSupported,
                 "%s: the Paradox driver reads tables and bases only; open it read-only (update is not supported)",
                 info->pszFilename);
        return nullptr;
    }
    return Guarded(
        [info]() -> GDALDataset* {
            ParadoxOpenOptions options;
            if (const char* encoding = CSLFetchNameValue(info->papszOpenOptions, "ENCODING")) {
                try {
                    options.CodePage = engine::ParseCodePage(encoding);
                } catch (const std::exception& e) {
                    engine::Fail("open option ENCODING", e.what());
                }
            }
            options.BcdAsText = EQUAL(CSLFetchNameValueDef(info->papszOpenOptions, "BCD_AS", "REAL"), "STRING");
            options.Crs = CSLFetchNameValueDef(info->papszOpenOptions, "CRS", "");
            return new ParadoxDataset(engine::PathFromUtf8(info->pszFilename), info->bIsDirectory, options);
        },
        static_cast<GDALDataset*>(nullptr));
}

}  // namespace
}  // namespace ter5::exchange

extern "C" __attribute__((visibility("default"))) void RegisterOGRParadox() {
    if (!GDAL_CHECK_VERSION("ogr_Paradox")) return;
    if (GDALGetDriverByName(ter5::exchange::kDriverName) != nullptr) return;
    auto* driver = new GDALDriver();
    driver->SetDescription(ter5::exchange::kDriverName);
    driver->SetMetadataItem(GDAL_DCAP_VECTOR, "YES");
    driver->SetMetadataItem(GDAL_DMD_LONGNAME, ter5::exchange::kLongName);
    driver->SetMetadataItem(GDAL_DMD_EXTENSIONS, "db");
    driver->SetMetadataItem(GDAL_DMD_OPENOPTIONLIST, ter5::exchange::kOpenOptions);
    driver->pfnIdentify = ter5::exchange::Identify;
    driver->pfnOpen = ter5::exchange::Open;
    GetGDALDriverManager()->RegisterDriver(driver);
}
