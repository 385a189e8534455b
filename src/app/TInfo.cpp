#include "app/TInfo.h"

#include <QAction>
#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSettings>
#include <QSvgRenderer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "base/widgets/Messenger.h"

static void InitAppResources() {
    Q_INIT_RESOURCE(app);
}

namespace ter5::app {

namespace {

constexpr int kPictureWidth = 531;
constexpr int kPictureHeight = 295;
constexpr int kLinkStripHeight = 30;

QPixmap AboutPicture() {
    InitAppResources();
    QPixmap picture(kPictureWidth, kPictureHeight);
    picture.fill(Qt::white);
    QSvgRenderer renderer(QStringLiteral(":/about.svg"));
    QPainter painter(&picture);
    renderer.render(&painter, QRectF(0, 0, kPictureWidth, kPictureHeight));
    return picture;
}

// The subject of the mails: "Re: " and the main window's hint text, which is empty.
QString MailSubject() {
    return QStringLiteral("Re: ");
}

}  // namespace

QHash<QString, QString> TInfo::LinkTargets() {
    InitAppResources();
    QSettings settings(QStringLiteral(":/about-links.ini"), QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("links"));
    QHash<QString, QString> targets;
    for (const QString& key : settings.childKeys()) targets.insert(key, settings.value(key).toString());
    return targets;
}

TInfo::TInfo(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("Info"));
    setWindowTitle(base::ApplicationTitle());
    opener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    const QHash<QString, QString> targets = LinkTargets();

    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("Image1"));
    picture_->setPixmap(AboutPicture());
    picture_->setFixedSize(kPictureWidth, kPictureHeight);
    picture_->installEventFilter(this);

    AddHotArea(QStringLiteral("Label3"), QRect(62, 86, 400, 60), targets.value(QStringLiteral("home")));
    AddHotArea(QStringLiteral("Label1"), QRect(355, 254, 150, 18), targets.value(QStringLiteral("home")));
    AddHotArea(QStringLiteral("Label2"), QRect(355, 237, 150, 18), targets.value(QStringLiteral("administrator")));

    auto* close = new QToolButton(picture_);
    close->setObjectName(QStringLiteral("SpeedButton7"));
    close->setAutoRaise(true);
    close->setGeometry(kPictureWidth - 16, 3, 12, 11);
    close->setCursor(Qt::PointingHandCursor);
    close->setToolTip(tr("Закрыть"));
    close->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"));
    connect(close, &QToolButton::clicked, this, &QDialog::accept);

    auto* bevel = new QFrame(this);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setFixedHeight(2);

    auto* strip = new QWidget(this);
    strip->setAutoFillBackground(true);
    QPalette white = strip->palette();
    white.setColor(QPalette::Window, Qt::white);
    strip->setPalette(white);
    strip->setFixedHeight(kLinkStripHeight);
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(8, 0, 8, 0);
    row->setSpacing(6);
    const struct {
        const char* name;
        const char* caption;
        const char* key;
    } links[] = {
        {"Label4", "Новости", "news"},          {"Label5", "Изменения", "changes"},
        {"Label6", "Обновления", "updates"},    {"Label14", "Заказать", "order"},
        {"Label7", "Менеджер", "manager"},      {"Label8", "Администратор", "administrator"},
    };
    bool first = true;
    for (const auto& link : links) {
        if (!first) row->addWidget(new QLabel(QStringLiteral("-"), strip));
        first = false;
        QLabel* label = AddLink(QString::fromLatin1(link.name), QString::fromUtf8(link.caption),
                                targets.value(QString::fromLatin1(link.key)));
        label->setParent(strip);
        row->addWidget(label);
    }
    row->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(picture_);
    layout->addWidget(bevel);
    layout->addWidget(strip);
    setFixedSize(kPictureWidth, kPictureHeight + 2 + kLinkStripHeight);

    // `KeyPressESC`: Escape closes the window (QDialog's own Escape handling).
}

QLabel* TInfo::AddHotArea(const QString& name, const QRect& area, const QString& target) {
    auto* label = new QLabel(picture_);
    label->setObjectName(name);
    label->setGeometry(area);
    label->setCursor(Qt::PointingHandCursor);
    label->setToolTip(target);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->installEventFilter(this);
    links_.insert(name, label);
    return label;
}

QLabel* TInfo::AddLink(const QString& name, const QString& caption, const QString& target) {
    auto* label = new QLabel(caption, this);
    label->setObjectName(name);
    label->setToolTip(target);
    label->setCursor(Qt::PointingHandCursor);
    label->setStyleSheet(QStringLiteral("QLabel { color: blue; text-decoration: underline; }"));
    label->installEventFilter(this);
    links_.insert(name, label);
    return label;
}

bool TInfo::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == picture_) {
            accept();  // `Image1Click`
            return true;
        }
        if (auto* label = qobject_cast<QLabel*>(watched); label && links_.key(label).size()) {
            LinkActivated(label);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TInfo::LinkActivated(QLabel* label) {
    const QString name = label->objectName();
    if (name == QLatin1String("Label3") || name == QLatin1String("Label1")) {
        OpenInBrowser(links_.value(QStringLiteral("Label3"))->toolTip());
    } else if (name == QLatin1String("Label4") || name == QLatin1String("Label5") ||
               name == QLatin1String("Label6") || name == QLatin1String("Label14")) {
        // "Заказать" opens its page like the other web links.
        OpenInBrowser(label->toolTip());
    } else if (name == QLatin1String("Label2") || name == QLatin1String("Label7")) {
        WriteMail(label->toolTip(), MailSubject(), QStringLiteral("Admin"));
    } else if (name == QLatin1String("Label8")) {
        WriteMail(label->toolTip(), MailSubject(), QStringLiteral("Manager"));
    }
}

void TInfo::OpenInBrowser(const QString& address) {
    if (!opener_(QUrl(address)))
        base::Messenger::Current().ShowMessage(this, tr("Не удалось открыть адрес %1").arg(address));
}

QUrl TInfo::MailLink(const QString& address, const QString& subject, const QString& greeting) {
    const QString body = QStringLiteral("   Добрый день, ") + greeting + QStringLiteral(" !");
    return QUrl(QStringLiteral("mailto:") + address + QStringLiteral("?subject=") + subject +
                QStringLiteral("&body=") + body + QStringLiteral("%0d"));
}

void TInfo::WriteMail(const QString& address, const QString& subject, const QString& greeting) {
    if (!opener_(MailLink(address, subject, greeting)))
        base::Messenger::Current().ShowMessage(this, QStringLiteral("Auto method failed."));
}

}  // namespace ter5::app
