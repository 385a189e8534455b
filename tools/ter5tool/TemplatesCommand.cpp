// `ter5tool templates DIR`: writes the template tables into DIR (created when
// missing): every one that is not there yet, with the default templates when none
// was. The build uses it to make the default templates the package installs.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Commands.h"
#include "base/PathNames.h"
#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "templates/TemplateSchema.h"

namespace ter5::tool {
namespace {

namespace fs = std::filesystem;

int RunTemplates(const std::vector<std::string>& args) {
    RejectOptions(args);
    if (args.size() != 1) engine::Fail("", "templates takes one directory");
    const fs::path dir = base::PathFromUtf8(args[0]);
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) engine::Fail(args[0], "cannot create the directory: " + ec.message());

    std::size_t missing = 0;
    const auto& schemas = templates::TemplateTableSchemas();
    for (const auto& schema : schemas) missing += !engine::FindFileNoCase(dir, schema.fileName).has_value();
    const bool defaults = templates::EnsureTemplateTables(base::PathToUtf8(dir));
    if (defaults)
        std::printf("%s: %zu template tables written with the default templates\n", args[0].c_str(), schemas.size());
    else
        std::printf("%s: %zu missing template table(s) created\n", args[0].c_str(), missing);
    return 0;
}

const CommandRegistration kTemplates(
    "templates", "DIR  write the template tables into DIR: the missing ones, with the default templates when none is there",
    RunTemplates,
    "The template tables are NameBase.DB (groups), Bases.DB (table templates),\n"
    "Field.DB (fields) and Index.db (indexes). Tables already in DIR are kept as\n"
    "they are.\n");

}  // namespace
}  // namespace ter5::tool
