// A stand-in for message, input and file boxes: records every box and answers from a script set
// before the action; an unscripted question and an unused answer are faults.
#pragma once

#include "platform/Dialogs.h"

#include <QApplication>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <QtTest>
#include <deque>

namespace tesmo::test {

class ScriptedDialogs : public Dialogs {
public:
    struct Box {
        QString text;
        Buttons buttons;
        Icon icon;
    };
    struct InputBox {
        QString prompt, title;
        Echo echo = Echo::Normal;
    };

    // The progress of work as seen: label, total, the units reported done, whether it was taken
    // away as finished, whether its object lives, the time it waits before it shows. cancelAt: the
    // units done at which Cancel is pressed.
    struct ProgressRecord {
        QString label;
        qint64 total = 0;
        QList<qint64> done;
        bool finished = false;
        bool live = true;
        int showAfterMs = 0;
    };
    class ScriptedProgress : public Progress {
    public:
        ScriptedProgress(ProgressRecord &record, std::optional<qint64> cancelAt) : record_(record), cancelAt_(cancelAt) {}
        ~ScriptedProgress() override { record_.live = false; }
        bool advance(qint64 done) override
        {
            record_.done << done;
            cancelled_ = cancelled_ || (cancelAt_ && done >= *cancelAt_);
            return !cancelled_;
        }
        void finish() override { record_.finished = true; }

    private:
        ProgressRecord &record_;
        std::optional<qint64> cancelAt_;
        bool cancelled_ = false;
    };

    std::unique_ptr<Progress> makeProgress(const QString &label, qint64 total, int showAfterMs) override
    {
        progresses.push_back({label, total, {}, false, true, showAfterMs});
        return std::make_unique<ScriptedProgress>(progresses.back(), std::exchange(cancelAt, std::nullopt));
    }
    std::optional<qint64> cancelAt;
    std::deque<ProgressRecord> progresses;   // a deque: records stay where they are

    // The file the next file dialog chooses; the empty text is Cancel.
    void chooseNext(const QString &path) { files_.push_back(path); }
    QString showOpenFile(const QString &title, const QString &, const QString &) override
    {
        ++fileDialogs;
        noProgressUp(title);
        return next(files_, QStringLiteral("unexpected file dialog: ") + title);
    }
    // A save dialog takes the next scripted file too, and the filter chosen
    // next when one is.
    QString showSaveFile(const QString &title, const QString &proposed, const QString &filter,
                         int *filterIndex) override
    {
        if (filterIndex && nextFilter)
            *filterIndex = *std::exchange(nextFilter, std::nullopt);
        return showOpenFile(title, proposed, filter);
    }
    std::optional<int> nextFilter;
    int fileDialogs = 0;   // how many file dialogs were shown
    // Withdraws the files not yet chosen, for a step that may or may not reach the file dialog.
    void forgetUnusedFiles() { files_.clear(); }

    void answerNext(Answer answer) { answers_.push_back(answer); }
    // Withdraws the answers not yet given, for a step that may or may not ask.
    void forgetUnusedAnswers() { answers_.clear(); }
    void typeNext(const QString &text) { typed_.push_back(text); }

    // When set, each box is also a window that takes the keyboard while it is up; the window that
    // had it gets it back once the program is idle, as a window manager gives it back.
    bool boxWindows = false;

    // Runs while each message box is up, to look at the window behind it.
    std::function<void(const QString &text)> whileShown;

    Answer showMessage(const QString &text, Buttons buttons, Icon icon, const QString &) override
    {
        boxes_.push_back({text, buttons, icon});
        noProgressUp(text);
        if (whileShown)
            whileShown(text);
        showBoxWindow(text);
        return buttons == Buttons::Ok ? Answer::Ok : next(answers_, "unexpected question: " + text, Answer::No);
    }

    // A scripted text longer than the box takes is cut, as typing into the real box is.
    QString showInput(const QString &prompt, const QString &title, const QString &, std::optional<QPoint>, Echo echo,
                      int maxLength) override
    {
        inputs_.push_back({prompt, title, echo});
        noProgressUp(prompt);
        showBoxWindow(prompt);
        const QString t = next(typed_, "unexpected input box: " + prompt);
        return maxLength > 0 ? t.left(maxLength) : t;
    }

    void setWaitPointer(bool wait) override
    {
        waiting = wait;
        pointer << wait;
    }

    int shown() const { return int(boxes_.size()); }   // boxes shown and not yet taken
    QList<Box> takeBoxes() { return std::exchange(boxes_, {}); }   // since the last call, oldest first
    QStringList takeTexts()
    {
        QStringList texts;
        for (const Box &b : takeBoxes())
            texts << b.text;
        return texts;
    }
    QList<InputBox> takeInputs() { return std::exchange(inputs_, {}); }

    // Everything that went against the script: unanswered boxes, boxes nobody looked at, answers
    // nobody used. Empty when all is well.
    QStringList faults() const
    {
        QStringList f = faults_;
        for (const Box &b : boxes_)
            f << QStringLiteral("box not checked by the test: ") + b.text;
        if (!answers_.empty())
            f << QStringLiteral("%1 scripted answer(s) unused").arg(answers_.size());
        if (!typed_.empty())
            f << QStringLiteral("%1 scripted input(s) unused").arg(typed_.size());
        if (!files_.empty())
            f << QStringLiteral("%1 scripted file(s) unused").arg(files_.size());
        return f;
    }

    bool waiting = false;
    QList<bool> pointer;   // every change of the pointer, oldest first: true for the wait pointer

private:
    // The next scripted answer; a fault, and none, when the script has none left.
    template <typename T>
    T next(std::deque<T> &script, const QString &fault, T none = {})
    {
        if (script.empty())
            return faults_ << fault, none;
        T t = script.front();
        script.pop_front();
        return t;
    }

    // No box while a progress is, or could still come, up: it would hide the box or take its keys.
    void noProgressUp(const QString &box)
    {
        for (const ProgressRecord &p : progresses) {
            if (p.live && !p.finished)
                faults_ << QStringLiteral("the box '%1' came while the progress '%2' was up").arg(box, p.label);
        }
    }

    void showBoxWindow(const QString &text)
    {
        if (!boxWindows)
            return;
        const QPointer<QWidget> owner = QApplication::activeWindow();
        QWidget box(owner, Qt::Dialog);
        markAsDialogBox(&box);
        box.setWindowModality(Qt::ApplicationModal);
        box.resize(240, 100);
        box.show();
        box.activateWindow();
        if (!QTest::qWaitFor([&] { return QApplication::activeWindow() == &box; }))
            faults_ << QStringLiteral("the box did not take the keyboard: ") + text;
        box.hide();
        if (owner)
            QTimer::singleShot(0, owner, [owner] { owner->activateWindow(); });
    }

    QList<Box> boxes_;
    QList<InputBox> inputs_;
    std::deque<Answer> answers_;
    std::deque<QString> typed_;
    std::deque<QString> files_;
    QStringList faults_;
};

} // namespace tesmo::test
