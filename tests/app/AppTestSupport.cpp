#include "AppTestSupport.h"

#include "templates/TemplateSchema.h"

namespace ter5::testing {

MainWindowFixture::MainWindowFixture(bool trayAvailable, bool showAtStart, bool templates, bool offerDemoBase) {
    if (templates) templates::EnsureTemplateTables(scratch.Str());
    platformOptions.userSettings = scratch.Path() / "config" / "ter5manager.conf";
    platformOptions.systemSettings = scratch.Path() / "etc" / "ter5manager.conf";
    platformOptions.legacySettings = scratch.Path() / "etc" / "terrakon.conf";
    platformOptions.winePrefix = scratch.Make("prefix");
    platformOptions.searchPath = scratch.Make("bin").string();
    QDir::setCurrent(QString::fromStdString(scratch.Str()));

    app::TMain::Options options;
    options.trayAvailable = trayAvailable;
    options.showAtStart = showAtStart;
    options.startDirectory = QString::fromStdString(scratch.Str());
    options.offerDemoBase = offerDemoBase;
    options.platform = std::make_shared<base::LinuxPlatform>(platformOptions);
    window = std::make_unique<app::TMain>(options);
    window->Start();
}

}  // namespace ter5::testing
