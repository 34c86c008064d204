#include "platform/Dialogs.h"

namespace tesmo {

// A progress as the work holds it: the one the dialogs made, known to them
// while it lives, so that a box can take it away. Work that goes on after
// the box gets a new one, as if it had just begun.
class Dialogs::LiveProgress : public Progress {
public:
    LiveProgress(Dialogs &owner, const QString &label, qint64 total, int showAfterMs)
        : owner_(owner)
        , label_(label)
        , total_(total)
        , showAfterMs_(showAfterMs)
        , shown_(owner.makeProgress(label, total, showAfterMs))
    {
        owner_.live_.push_back(this);
    }
    ~LiveProgress() override { std::erase(owner_.live_, this); }
    LiveProgress(const LiveProgress &) = delete;
    LiveProgress &operator=(const LiveProgress &) = delete;

    bool advance(qint64 done) override
    {
        if (cancelled_ || finished_)
            return !cancelled_;
        // Made anew here, not in takeAway(): a box can come while the one
        // taken away is letting the events through.
        if (takenAway_) {
            takenAway_ = false;
            shown_ = owner_.makeProgress(label_, total_, showAfterMs_);
        }
        cancelled_ = !shown_->advance(done);
        return !cancelled_;
    }
    void finish() override
    {
        finished_ = true;
        shown_->finish();
    }
    // For a box: the progress goes, as by finish(), but the work may go on.
    void takeAway()
    {
        if (!finished_ && !takenAway_) {
            takenAway_ = true;
            shown_->finish();
        }
    }

private:
    Dialogs &owner_;
    QString label_;
    qint64 total_;
    int showAfterMs_;
    std::unique_ptr<Progress> shown_;
    bool cancelled_ = false;
    bool finished_ = false;
    bool takenAway_ = false;
};

Dialogs::~Dialogs() = default;

void Dialogs::takeProgressAway()
{
    for (LiveProgress *p : live_)
        p->takeAway();
}

Dialogs::Answer Dialogs::message(const QString &text, Buttons buttons, Icon icon, const QString &title)
{
    takeProgressAway();
    return showMessage(text, buttons, icon, title);
}

QString Dialogs::input(const QString &prompt, const QString &title, const QString &defaultText,
                       std::optional<QPoint> position, Echo echo, int maxLength)
{
    takeProgressAway();
    return showInput(prompt, title, defaultText, position, echo, maxLength);
}

QString Dialogs::openFile(const QString &title, const QString &folder, const QString &filter)
{
    takeProgressAway();
    return showOpenFile(title, folder, filter);
}

QString Dialogs::saveFile(const QString &title, const QString &proposed, const QString &filter, int *filterIndex)
{
    takeProgressAway();
    return showSaveFile(title, proposed, filter, filterIndex);
}

std::unique_ptr<Progress> Dialogs::progress(const QString &label, qint64 total, int showAfterMs)
{
    return std::make_unique<LiveProgress>(*this, label, total, showAfterMs);
}

void showErrorBox(Dialogs &dialogs, int number, const QString &description, const QString &sourceTag)
{
    dialogs.message(QStringLiteral("%1 - %2 - %3").arg(number).arg(description, sourceTag));
}

} // namespace tesmo
