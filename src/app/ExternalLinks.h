#pragma once
// Opening web addresses and mail links with the desktop's programs, as the about window
// and the help window do: through the platform layer (xdg-open on Linux, ShellExecute on
// Windows), with the wait cursor while the desktop looks for a program.

#include <QString>
#include <QUrl>
#include <functional>

namespace ter5::base {
class Platform;
}

namespace ter5::app {

// Opens a link; returns an empty text when it opened, else why not.
using LinkOpener = std::function<QString(const QUrl&)>;

// The opener of `platform` (which must outlive it).
LinkOpener PlatformLinkOpener(base::Platform& platform);

}  // namespace ter5::app
