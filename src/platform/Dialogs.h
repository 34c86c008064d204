// Message boxes, input boxes and the application-wide mouse pointer. Windows
// never show a box themselves; they ask this interface, so that tests can
// answer from a script.
#pragma once

#include "platform/Progress.h"

#include <QPoint>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace tesmo {

inline const QString kProgramTitle = QStringLiteral("Tesmo");

// The boxes are shown on the window's thread only, and so is every progress.
class Dialogs {
public:
    enum class Buttons { Ok, YesNo };
    enum class Icon { None, Information, Exclamation };
    enum class Answer { Ok, Yes, No };
    // How an input box shows what is typed: as typed, or as dots.
    enum class Echo { Normal, Password };

    virtual ~Dialogs();

    // Every box below first takes away each progress still alive, as its
    // finish() does: a progress dialog never stands over a box, and never
    // comes up later by itself, to take the keys that were meant for the
    // box. Work that goes on after the box (a box of other work came while
    // it ran) reports to a progress begun anew.

    // Shows a modal message box; with YesNo, Yes is the default button.
    // Returns the button pressed (closing the box counts as No, or Ok).
    Answer message(const QString &text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None,
                   const QString &title = kProgramTitle);

    // Asks for a line of text. position: the box's top-left corner on the
    // screen, in twips, or the default place. maxLength: the most UTF-16
    // code units the box takes (0: the toolkit's own limit). Returns the
    // typed text, or the empty text on Cancel.
    QString input(const QString &prompt, const QString &title = kProgramTitle, const QString &defaultText = {},
                  std::optional<QPoint> position = {}, Echo echo = Echo::Normal, int maxLength = 0);

    // Asks for a file to open, starting in folder; filter as Qt's file
    // dialogs take it ("CSV files (*.csv);;All files (*)"). A typed full
    // path and Enter choose that file. Returns its path, or the empty text
    // on Cancel.
    QString openFile(const QString &title, const QString &folder, const QString &filter);

    // Asks where to save a file, proposing the file at proposed (its folder
    // and name); filter as openFile takes it. A name typed without a suffix
    // gets the proposed name's, and the dialog asks before a file is
    // replaced. A typed full path and Enter choose that file. Returns its
    // path, or the empty text on Cancel. filterIndex, when given, is the
    // filter chosen at first, by its place among those of filter, and
    // becomes the one the user chose.
    QString saveFile(const QString &title, const QString &proposed, const QString &filter, int *filterIndex = nullptr);

    // A progress dialog with label and a Cancel button for work of total
    // units, over the active window; it shows only once the work has lasted
    // showAfterMs (about a second unless the work asks otherwise), and goes
    // when the returned object does, or a box comes. A cancel holds for the
    // work's whole life.
    static constexpr int kShowProgressAfterMs = 1000;
    std::unique_ptr<Progress> progress(const QString &label, qint64 total, int showAfterMs = kShowProgressAfterMs);

    // The wait pointer over the whole application (11), or the default (0).
    virtual void setWaitPointer(bool wait) = 0;

protected:
    // The boxes and the progress themselves, as the functions above of the
    // same meaning tell them, for the boxes without a progress alive.
    virtual Answer showMessage(const QString &text, Buttons buttons, Icon icon, const QString &title) = 0;
    virtual QString showInput(const QString &prompt, const QString &title, const QString &defaultText,
                              std::optional<QPoint> position, Echo echo, int maxLength) = 0;
    virtual QString showOpenFile(const QString &title, const QString &folder, const QString &filter) = 0;
    virtual QString showSaveFile(const QString &title, const QString &proposed, const QString &filter,
                                 int *filterIndex) = 0;
    virtual std::unique_ptr<Progress> makeProgress(const QString &label, qint64 total, int showAfterMs) = 0;

private:
    class LiveProgress;
    void takeProgressAway();

    std::vector<LiveProgress *> live_;   // the progress objects alive, oldest first
};

// Shows the wait pointer over the whole application while it lives; the
// default pointer comes back however the scope is left.
class WaitPointer {
public:
    explicit WaitPointer(Dialogs &dialogs)
        : dialogs_(dialogs)
    {
        dialogs_.setWaitPointer(true);
    }
    ~WaitPointer() { dialogs_.setWaitPointer(false); }
    WaitPointer(const WaitPointer &) = delete;
    WaitPointer &operator=(const WaitPointer &) = delete;

private:
    Dialogs &dialogs_;
};

// True for the window of a message or input box that the real Dialogs shows.
bool isDialogBox(const QWidget *window);
// Marks a window as such a box.
void markAsDialogBox(QWidget *window);

// The error box of the error traps: number, " - ", description, " - ", the
// routine's source tag; OK only, no icon, titled "Tesmo".
void showErrorBox(Dialogs &dialogs, int number, const QString &description, const QString &sourceTag);

} // namespace tesmo
