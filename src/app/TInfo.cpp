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

}  // namespace

TInfo::TInfo(base::Platform& platform, ManualViewer manual, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), platform_(platform), manual_(std::move(manual)), targets_(platform) {
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
    bool first = true;
    for (const base::AboutStripLink& link : base::AboutLinks::StripLinks()) {
        if (!first) row->addWidget(new QLabel(QStringLiteral("-"), strip));
        first = false;
        QLabel* label = AddLink(QString::fromLatin1(link.name), QString::fromUtf8(link.caption));
        label->setParent(strip);
        row->addWidget(label);
    }
    row->addStretch();
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
    targets_.ReadTargets();
    for (auto link = links_.cbegin(); link != links_.cend(); ++link)
        link.value()->setToolTip(QString::fromStdString(targets_.ToolTip(link.key().toStdString())));
}

void TInfo::showEvent(QShowEvent* event) {
    // The settings file is read at every use: a target set while the program runs counts.
    ReadTargets();
    QDialog::showEvent(event);
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
    using Kind = base::AboutLinkAction::Kind;
    const base::AboutLinkAction action = targets_.Activate(label->objectName().toStdString());
    const QString target = QString::fromStdString(action.target);
    switch (action.kind) {
    case Kind::Manual:
        ShowManual(target);
        break;
    case Kind::Web:
        OpenInBrowser(target);
        break;
    case Kind::Mail:
        if (const QString failure = opener_(QUrl(target)); !failure.isEmpty())
            base::Messenger::Current().ShowMessage(
                this, QString::fromStdString(base::AboutLinks::MailFailure(action.address, failure.toStdString())));
        break;
    case Kind::Unset:
        base::Messenger::Current().ShowMessage(this, target);
        break;
    case Kind::None:
        break;
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
        base::Messenger::Current().ShowMessage(
            this, QString::fromStdString(base::AboutLinks::WebFailure(address.toStdString(), failure.toStdString())));
}

QUrl TInfo::MailLink(const QString& address, const QString& subject, const QString& greeting) {
    return QUrl(QString::fromStdString(
        base::AboutLinks::MailLink(address.toStdString(), subject.toStdString(), greeting.toStdString())));
}

void TInfo::WriteMail(const QString& address, const QString& subject, const QString& greeting) {
    const QString failure = opener_(MailLink(address, subject, greeting));
    if (failure.isEmpty()) return;
    base::Messenger::Current().ShowMessage(
        this, QString::fromStdString(base::AboutLinks::MailFailure(address.toStdString(), failure.toStdString())));
}

}  // namespace ter5::app
