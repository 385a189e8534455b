#include "app/TInfo.h"

#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QShowEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/THelp.h"
#include "base/Platform.h"
#include "base/SettingsFile.h"
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

// The targets the settings files give, by key, with their settings key and what
// the target is, for the message when it is not set.
struct TargetSetting {
    const char* key;
    const char* settingsKey;
    const char* what;
};

constexpr TargetSetting kTargetSettings[] = {
    {"home", base::kHomePageKey, "домашней страницы"},
    {"order", base::kOrderPageKey, "страницы заказа"},
    {"manager", base::kManagerMailKey, "почты менеджера"},
    {"administrator", base::kAdministratorMailKey, "почты администратора"},
};

const TargetSetting* SettingOf(const QString& key) {
    for (const TargetSetting& setting : kTargetSettings)
        if (key == QLatin1String(setting.key)) return &setting;
    return nullptr;
}

}  // namespace

TInfo::TInfo(base::Platform& platform, ManualViewer manual, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), platform_(platform), manual_(std::move(manual)) {
    setObjectName(QStringLiteral("Info"));
    setWindowTitle(base::ApplicationTitle());
    opener_ = PlatformLinkOpener(platform_);

    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("Image1"));
    picture_->setPixmap(AboutPicture());
    picture_->setFixedSize(kPictureWidth, kPictureHeight);
    picture_->installEventFilter(this);

    AddHotArea(QStringLiteral("Label3"), QRect(62, 86, 400, 60));
    AddHotArea(QStringLiteral("Label1"), QRect(355, 254, 150, 18));
    AddHotArea(QStringLiteral("Label2"), QRect(355, 237, 150, 18));

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
    } links[] = {
        {"Label4", "Новости"},  {"Label5", "Изменения"}, {"Label6", "Обновления"},
        {"Label14", "Заказать"}, {"Label7", "Менеджер"},  {"Label8", "Администратор"},
    };
    bool first = true;
    for (const auto& link : links) {
        if (!first) row->addWidget(new QLabel(QStringLiteral("-"), strip));
        first = false;
        QLabel* label = AddLink(QString::fromLatin1(link.name), QString::fromUtf8(link.caption));
        label->setParent(strip);
        row->addWidget(label);
    }
    row->addStretch();
    links_.value(QStringLiteral("Label4"))->setToolTip(tr("Руководство пользователя"));
    links_.value(QStringLiteral("Label5"))->setToolTip(tr("Руководство пользователя: список изменений"));
    links_.value(QStringLiteral("Label6"))->setToolTip(tr("Руководство пользователя: как обновить программу"));
    ReadTargets();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(picture_);
    layout->addWidget(bevel);
    layout->addWidget(strip);
    setFixedSize(kPictureWidth, kPictureHeight + 2 + kLinkStripHeight);

    // `KeyPressESC`: Escape closes the window (QDialog's own Escape handling).
}

void TInfo::ReadTargets() {
    targets_.clear();
    for (const TargetSetting& setting : kTargetSettings) {
        const auto value = platform_.ReadSetting(setting.settingsKey);
        targets_.insert(QString::fromLatin1(setting.key),
                        value ? QString::fromStdString(base::TrimBlanks(*value)) : QString());
    }
    const QString homeTip = Target(QStringLiteral("home")).isEmpty() ? tr("Руководство пользователя")
                                                                      : TargetTip(QStringLiteral("home"));
    links_.value(QStringLiteral("Label3"))->setToolTip(homeTip);
    links_.value(QStringLiteral("Label1"))->setToolTip(homeTip);
    links_.value(QStringLiteral("Label2"))->setToolTip(TargetTip(QStringLiteral("administrator")));
    links_.value(QStringLiteral("Label14"))->setToolTip(TargetTip(QStringLiteral("order")));
    links_.value(QStringLiteral("Label7"))->setToolTip(TargetTip(QStringLiteral("manager")));
    links_.value(QStringLiteral("Label8"))->setToolTip(TargetTip(QStringLiteral("administrator")));
}

void TInfo::showEvent(QShowEvent* event) {
    // The settings file is read at every use: a target set while the program runs counts.
    ReadTargets();
    QDialog::showEvent(event);
}

QString TInfo::TargetTip(const QString& key) const {
    const QString target = Target(key);
    if (!target.isEmpty()) return target;
    const TargetSetting* setting = SettingOf(key);
    return tr("Не задан: %1 в файле настроек %2")
        .arg(QString::fromLatin1(setting ? setting->settingsKey : ""),
             QString::fromStdString(platform_.UserSettingsFile()));
}

void TInfo::ReportUnset(const QString& key) {
    const TargetSetting* setting = SettingOf(key);
    if (!setting) return;
    base::Messenger::Current().ShowMessage(
        this, tr("Адрес %1 не задан. Укажите его параметром %2 в файле настроек %3.")
                  .arg(QString::fromUtf8(setting->what), QString::fromLatin1(setting->settingsKey),
                       QString::fromStdString(platform_.UserSettingsFile())));
}

QLabel* TInfo::AddHotArea(const QString& name, const QRect& area) {
    auto* label = new QLabel(picture_);
    label->setObjectName(name);
    label->setGeometry(area);
    label->setCursor(Qt::PointingHandCursor);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->installEventFilter(this);
    links_.insert(name, label);
    return label;
}

QLabel* TInfo::AddLink(const QString& name, const QString& caption) {
    auto* label = new QLabel(caption, this);
    label->setObjectName(name);
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
    const auto open = [this](const QString& key) {
        if (Target(key).isEmpty()) {
            ReportUnset(key);
        } else {
            OpenInBrowser(Target(key));
        }
    };
    const auto mail = [this](const QString& key, const QString& greeting) {
        if (Target(key).isEmpty()) {
            ReportUnset(key);
        } else {
            WriteMail(Target(key), MailSubject(), greeting);
        }
    };
    if (name == QLatin1String("Label3") || name == QLatin1String("Label1")) {
        if (Target(QStringLiteral("home")).isEmpty()) {
            ShowManual(QString::fromLatin1(kManualContentsPage));
        } else {
            open(QStringLiteral("home"));
        }
    } else if (name == QLatin1String("Label4")) {
        ShowManual(QString::fromLatin1(kManualContentsPage));
    } else if (name == QLatin1String("Label5")) {
        ShowManual(QString::fromLatin1(kManualChangesPage));
    } else if (name == QLatin1String("Label6")) {
        ShowManual(QString::fromLatin1(kManualUpdatesPage));
    } else if (name == QLatin1String("Label14")) {
        open(QStringLiteral("order"));  // "Заказать" opens its page like the other web links
    } else if (name == QLatin1String("Label2")) {
        mail(QStringLiteral("administrator"), QStringLiteral("Admin"));
    } else if (name == QLatin1String("Label7")) {
        mail(QStringLiteral("manager"), QStringLiteral("Admin"));
    } else if (name == QLatin1String("Label8")) {
        mail(QStringLiteral("administrator"), QStringLiteral("Manager"));
    }
}

void TInfo::ShowManual(const QString& page) {
    // The manual opens in a window of its own, which this modal window would block.
    accept();
    if (manual_) manual_(page);
}

void TInfo::OpenInBrowser(const QString& address) {
    const QString failure = opener_(QUrl(address));
    if (!failure.isEmpty())
        base::Messenger::Current().ShowMessage(this, tr("Не удалось открыть адрес %1: %2").arg(address, failure));
}

QUrl TInfo::MailLink(const QString& address, const QString& subject, const QString& greeting) {
    const QString body = QStringLiteral("   Добрый день, ") + greeting + QStringLiteral(" !");
    return QUrl(QStringLiteral("mailto:") + address + QStringLiteral("?subject=") + subject +
                QStringLiteral("&body=") + body + QStringLiteral("%0d"));
}

void TInfo::WriteMail(const QString& address, const QString& subject, const QString& greeting) {
    const QString failure = opener_(MailLink(address, subject, greeting));
    if (failure.isEmpty()) return;
    base::Messenger::Current().ShowMessage(
        this, tr("Не удалось начать письмо на адрес %1: %2.\nДля писем нужна почтовая программа (например, "
                 "Thunderbird или Evolution), выбранная в системе программой для писем по умолчанию.")
                  .arg(address, failure));
}

}  // namespace ter5::app
