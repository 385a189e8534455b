#include "app/ExternalLinks.h"

#include <QApplication>
#include <QCursor>

#include "base/Platform.h"

namespace ter5::app {

LinkOpener PlatformLinkOpener(base::Platform& platform) {
    return [&platform](const QUrl& url) -> QString {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const base::StartResult result = platform.OpenExternal(url.toString(QUrl::FullyEncoded).toStdString());
        QApplication::restoreOverrideCursor();
        if (result.status == base::StartStatus::Started) return {};
        return result.error.empty() ? QObject::tr("нет программы, которая его открывает")
                                    : QString::fromStdString(result.error);
    };
}

}  // namespace ter5::app
