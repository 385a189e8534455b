#pragma once
// Reads values from the registry files of a Wine prefix (system.reg holds
// HKEY_LOCAL_MACHINE, user.reg HKEY_CURRENT_USER), which is where a Windows
// installer run under Wine leaves its settings. The format, as wineserver saves it:
//
//     WINE REGISTRY Version 2
//     ;; All keys relative to REGISTRY\\Machine
//     [Software\\Terrakon] 1796782727
//     #time=1dd87839f8cae2c
//     "PathWorkFiles"="C:\\\x41f\x440\x43e\\"
//     "Other"=str(2):"%ProgramFiles%\\Ter"
//     "Count"=dword:00000005
//
// Key paths and names compare without regard to case, as Windows does. In quoted
// text a backslash escapes the next character: "\\" and "\"" stand for themselves,
// \a \b \t \n \v \f \r \e for control characters, \x followed by up to four hex
// digits and \ followed by up to three octal digits for a UTF-16 code unit (so
// every character beyond ASCII is written as \xNNN). REG_SZ is a bare quoted
// string; REG_EXPAND_SZ is str(2):"..."; a string value that is not valid text is
// saved as hex(1): or hex(2): bytes of UTF-16LE, wrapped over lines ending in "\".

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ter5::base {

// Registry value types (winnt.h).
inline constexpr int kRegSz = 1;
inline constexpr int kRegExpandSz = 2;

// One value as read from a registry file.
struct RegistryValue {
    int type = kRegSz;  // a REG_* number; 4 for dword:, 3 for hex:
    std::string text;   // UTF-8 text of REG_SZ and REG_EXPAND_SZ; empty for other types
};

// The value `name` ("" or "@" for the key's default value) of key `key` (a path
// relative to the file's root, components separated by single backslashes, e.g.
// "Software\Terrakon") in the registry file `file`. nullopt when the file, the key or
// the value is missing. Throws std::runtime_error naming the file when it cannot be read.
std::optional<RegistryValue> ReadWineRegistryValue(const std::filesystem::path& file, std::string_view key,
                                                   std::string_view name);

// The text inside the quotes of a saved string, unescaped, as UTF-8.
std::string DecodeWineRegistryString(std::string_view escaped);

// Expands the %NAME% references of a REG_EXPAND_SZ value as Windows programs of the
// prefix see them: the variables of the prefix's Session Manager\Environment key and
// those Wine sets itself (SystemDrive, SystemRoot, windir, ProgramFiles,
// CommonProgramFiles, ProgramData, ...). `wow64` gives the view of a 32-bit program
// in a 64-bit prefix (ProgramFiles is then "Program Files (x86)"). Unknown names
// stay as written.
std::string ExpandWineEnvironment(const std::string& text, const std::filesystem::path& systemReg, bool wow64);

}  // namespace ter5::base
