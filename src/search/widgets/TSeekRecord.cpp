#include "search/widgets/TSeekRecord.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>
#include <iterator>
#include <utility>

namespace ter5::search {

namespace {

// Margin around the fields and the button strip, pixels.
constexpr int kMargin = 8;
// Columns of the field grid: radio button, then up to two label-field pairs.
constexpr int kRadioColumn = 0;
constexpr int kFieldColumn = 1;
constexpr int kFieldColumns = 4;

// Enter (13) on either key that gives it.
bool IsEnterKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

TSeekRecord::TSeekRecord(SearchHost& host, QWidget* parent) : QDialog(parent), steps_(host) {
    setObjectName(QStringLiteral("SeekRecord"));
    setWindowTitle(QString::fromUtf8(kSeekCaption));
    setWindowFlags(windowFlags() | Qt::MSWindowsFixedSizeDialogHint);
    createWidgets();
    createLayout();
    createConnections();
    setFixedSize(kSeekClientWidth, kSeekClientHeight);
    RadioButton1->setChecked(true);
    Edit1->setFocus();
}

SearchRequest TSeekRecord::Request() const {
    const QRadioButton* radios[] = {RadioButton1, RadioButton2, RadioButton3, RadioButton4, RadioButton5};
    const QLineEdit* edits[] = {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6};
    std::size_t checked = 0;
    while (checked + 1 < std::size(radios) && !radios[checked]->isChecked()) ++checked;
    SeekFieldTexts fields;
    for (std::size_t i = 0; i < fields.size(); ++i) fields[i] = edits[i]->text().toStdString();
    return SeekRequest(checked, fields);
}

void TSeekRecord::FormActivate() {
    FindNext->setEnabled(steps_.FindNextEnabled());
}

void TSeekRecord::SpeedButton3Click() {
    FindNext->setEnabled(false);
    StatusBar1->clearMessage();
    try {
        steps_.Find(Request());
    } catch (...) {
        ShowSteps();
        throw;
    }
    ShowSteps();
}

void TSeekRecord::ShowSteps() {
    FindNext->setEnabled(steps_.FindNextEnabled());
    if (steps_.StatusText().empty()) {
        StatusBar1->clearMessage();
    } else {
        StatusBar1->showMessage(QString::fromStdString(steps_.StatusText()));
    }
}

void TSeekRecord::FindNextClick() {
    steps_.FindNext();
}

void TSeekRecord::SpeedButton2Click() {
    close();
}

void TSeekRecord::Edit1Enter() { RadioButton1->setChecked(true); }
void TSeekRecord::Edit2Enter() { RadioButton2->setChecked(true); }
void TSeekRecord::Edit3Enter() { RadioButton3->setChecked(true); }
void TSeekRecord::Edit4Enter() { RadioButton4->setChecked(true); }
void TSeekRecord::Edit5Enter() { RadioButton5->setChecked(true); }

void TSeekRecord::Edit1KeyUp(int key) {
    if (IsEnterKey(key)) SpeedButton3Click();
}
void TSeekRecord::Edit2KeyUp(int key) {
    if (IsEnterKey(key)) SpeedButton3Click();
}
void TSeekRecord::Edit3KeyUp(int key) {
    if (IsEnterKey(key)) SpeedButton3Click();
}
void TSeekRecord::Edit4KeyUp(int key) {
    if (IsEnterKey(key)) SpeedButton3Click();
}

bool TSeekRecord::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        FieldEntered(watched);
    } else if (event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat()) FieldKeyReleased(watched, key->key());
    }
    return QDialog::eventFilter(watched, event);
}

void TSeekRecord::setVisible(bool visible) {
    if (!visible && isVisible()) {
        lastFocus_ = focusWidget();
        place_ = pos();
    }
    if (visible && lastFocus_) lastFocus_->setFocus();
    QDialog::setVisible(visible);
}

void TSeekRecord::showEvent(QShowEvent* event) {
    if (place_) {
        move(*place_);
    } else {
        PlaceFirstTime();
    }
    QDialog::showEvent(event);
    FormActivate();
}

void TSeekRecord::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TSeekRecord::createWidgets() {
    QRadioButton** radios[] = {&RadioButton1, &RadioButton2, &RadioButton3, &RadioButton4, &RadioButton5};
    for (std::size_t i = 0; i < std::size(radios); ++i)
        *radios[i] = AddRadioButton(QStringLiteral("RadioButton%1").arg(i + 1), QString::fromUtf8(kSeekRadioCaptions[i]));
    Edit1 = AddEdit(QStringLiteral("Edit1"));
    Edit2 = AddEdit(QStringLiteral("Edit2"));
    Edit3 = AddEdit(QStringLiteral("Edit3"));
    Edit4 = AddEdit(QStringLiteral("Edit4"));
    Edit5 = AddEdit(QStringLiteral("Edit5"));
    Edit6 = AddEdit(QStringLiteral("Edit6"));
    LabelX = new QLabel(QString::fromUtf8(kSeekXLabel), this);
    LabelX->setBuddy(Edit5);
    LabelY = new QLabel(QString::fromUtf8(kSeekYLabel), this);
    LabelY->setBuddy(Edit6);
    SpeedButton3 = AddButton(QStringLiteral("SpeedButton3"), QString::fromUtf8(kSeekFindCaption));
    FindNext = AddButton(QStringLiteral("FindNext"), QString::fromUtf8(kSeekFindNextCaption));
    SpeedButton2 = AddButton(QStringLiteral("SpeedButton2"), QString::fromUtf8(kSeekCancelCaption));
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
}

void TSeekRecord::createLayout() {
    auto* fields = new QGridLayout;
    const std::pair<QRadioButton*, QLineEdit*> rows[] = {
        {RadioButton1, Edit1}, {RadioButton2, Edit2}, {RadioButton3, Edit3}, {RadioButton4, Edit4}};
    int row = 0;
    for (const auto& [radio, edit] : rows) {
        fields->addWidget(radio, row, kRadioColumn);
        fields->addWidget(edit, row, kFieldColumn, 1, kFieldColumns);
        ++row;
    }
    fields->addWidget(RadioButton5, row, kRadioColumn);
    fields->addWidget(LabelX, row, kFieldColumn);
    fields->addWidget(Edit5, row, kFieldColumn + 1);
    fields->addWidget(LabelY, row, kFieldColumn + 2);
    fields->addWidget(Edit6, row, kFieldColumn + 3);
    fields->setColumnStretch(kFieldColumn + 1, 1);
    fields->setColumnStretch(kFieldColumn + 3, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(SpeedButton3);
    buttons->addWidget(FindNext);
    buttons->addWidget(SpeedButton2);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    body->addLayout(fields);
    body->addStretch(1);
    body->addLayout(buttons);

    auto* dialog = new QVBoxLayout(this);
    dialog->setContentsMargins(0, 0, 0, 0);
    dialog->setSpacing(0);
    dialog->addLayout(body, 1);
    dialog->addWidget(StatusBar1);
}

void TSeekRecord::createConnections() {
    connect(SpeedButton3, &QPushButton::clicked, this, &TSeekRecord::SpeedButton3Click);
    connect(FindNext, &QPushButton::clicked, this, &TSeekRecord::FindNextClick);
    connect(SpeedButton2, &QPushButton::clicked, this, &TSeekRecord::SpeedButton2Click);
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6}) edit->installEventFilter(this);
}

QRadioButton* TSeekRecord::AddRadioButton(const QString& name, const QString& caption) {
    auto* radio = new QRadioButton(caption, this);
    radio->setObjectName(name);
    QFont bold = radio->font();
    bold.setBold(true);
    radio->setFont(bold);
    return radio;
}

QLineEdit* TSeekRecord::AddEdit(const QString& name) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    return edit;
}

QPushButton* TSeekRecord::AddButton(const QString& name, const QString& caption) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    // Enter belongs to the fields' key-up handlers, never to a default button.
    button->setAutoDefault(false);
    button->setDefault(false);
    // A click leaves the focus in the field typed into; Tab still reaches the button.
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

void TSeekRecord::FieldEntered(QObject* field) {
    if (field == Edit1) Edit1Enter();
    else if (field == Edit2) Edit2Enter();
    else if (field == Edit3) Edit3Enter();
    else if (field == Edit4) Edit4Enter();
    else if (field == Edit5 || field == Edit6) Edit5Enter();
}

void TSeekRecord::FieldKeyReleased(QObject* field, int key) {
    if (field == Edit1) Edit1KeyUp(key);
    else if (field == Edit2) Edit2KeyUp(key);
    else if (field == Edit3) Edit3KeyUp(key);
    else if (field == Edit4 || field == Edit5 || field == Edit6) Edit4KeyUp(key);
}

void TSeekRecord::PlaceFirstTime() {
    if (placement_) {
        move(placement_(frameGeometry().size()));
        return;
    }
    const QScreen* shownOn = screen();
    if (!shownOn) return;
    const QRect area = shownOn->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

}  // namespace ter5::search
