#pragma once
// The search dialog `TSeekRecord` "Поиск по фамилии и адресу": one radio button
// per kind of search, each with its entry field, the buttons "&Найти",
// "&Найти далее" and "&Отменить" and a status strip, which says "Ничего не найдено"
// after a search without hits. The main window creates it on first use and keeps it,
// so the texts, the radio choice, the hit list of the last search and the place on
// the screen are there when it opens again; it first opens where SetPlacement says
// (beside the map), else in the middle of the screen.

#include <QDialog>
#include <QPoint>
#include <QPointer>
#include <QSize>

#include <functional>
#include <optional>

#include "search/SeekDialogSteps.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;

namespace ter5::search {

class SearchHost;

class TSeekRecord : public QDialog {
    Q_OBJECT

public:
    // The host is not owned and must outlive the dialog.
    explicit TSeekRecord(SearchHost& host, QWidget* parent = nullptr);

    // The search behind the dialog, with its hit list.
    RecordSearch& Search() { return steps_.Search(); }
    // The chosen kind and the field texts as the next search would take them.
    SearchRequest Request() const;

    // `FormActivate`: find-next is enabled exactly while a hit list is open.
    void FormActivate();
    // `SpeedButton3Click` ("&Найти"): the search; find-next ends enabled exactly
    // when it opened a hit list, also when it fails.
    void SpeedButton3Click();
    // `FindNextClick` ("&Найти далее"): the next hit.
    void FindNextClick();
    // `SpeedButton2Click` ("&Отменить"): closes the dialog; the hit list stays.
    void SpeedButton2Click();

    // Field-enter handlers: the field receiving focus checks its radio button
    // (`Edit5Enter` serves both coordinate fields).
    void Edit1Enter();
    void Edit2Enter();
    void Edit3Enter();
    void Edit4Enter();
    void Edit5Enter();
    // Key-up handlers: Enter released in a field runs the search
    // (`Edit4KeyUp` serves Edit4 and both coordinate fields).
    void Edit1KeyUp(int key);
    void Edit2KeyUp(int key);
    void Edit3KeyUp(int key);
    void Edit4KeyUp(int key);

    QRadioButton *RadioButton1 = nullptr, *RadioButton2 = nullptr, *RadioButton3 = nullptr;
    QRadioButton *RadioButton4 = nullptr, *RadioButton5 = nullptr;
    QLineEdit *Edit1 = nullptr, *Edit2 = nullptr, *Edit3 = nullptr, *Edit4 = nullptr;
    QLineEdit *Edit5 = nullptr, *Edit6 = nullptr;
    QLabel *LabelX = nullptr, *LabelY = nullptr;
    QPushButton *SpeedButton3 = nullptr, *FindNext = nullptr, *SpeedButton2 = nullptr;
    QStatusBar* StatusBar1 = nullptr;

    // Shown again, the field that had the focus gets it back (and checks its
    // radio button); hiding would otherwise pass the focus on to the next field.
    // Hidden, the dialog keeps its place for the next showing.
    void setVisible(bool visible) override;

    // Where the dialog's frame goes when it is first shown: a function of the dialog's
    // size, giving the top-left corner.
    void SetPlacement(std::function<QPoint(const QSize&)> placement) { placement_ = std::move(placement); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void createWidgets();
    void createLayout();
    void createConnections();
    QRadioButton* AddRadioButton(const QString& name, const QString& caption);
    QLineEdit* AddEdit(const QString& name);
    QPushButton* AddButton(const QString& name, const QString& caption);
    // Runs the field-enter or key-up handler of a watched field.
    void FieldEntered(QObject* field);
    void FieldKeyReleased(QObject* field, int key);
    // The first showing: where the placement says, else the middle of the screen.
    void PlaceFirstTime();
    // Find-next and the status strip as the steps say.
    void ShowSteps();

    SeekDialogSteps steps_;
    QPointer<QWidget> lastFocus_;
    std::function<QPoint(const QSize&)> placement_;
    std::optional<QPoint> place_;  // where it was when last hidden
};

}  // namespace ter5::search
