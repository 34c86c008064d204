#include "platform/Dialogs.h"

namespace tesmo {

// A progress as the work holds it: the one the dialogs made, known to them
// while it lives, so that a box can take it away.
class Dialogs::LiveProgress : public Progress {
public:
    LiveProgress(Dialogs &owner, std::unique_ptr<Progress> shown)
        : owner_(owner)
        , shown_(std::move(shown))
    {
        owner_.live_.push_back(this);
    }
    ~LiveProgress() override { std::erase(owner_.live_, this); }
    LiveProgress(const LiveProgress &) = delete;
    LiveProgress &operator=(const LiveProgress &) = delete;

    bool advance(qint64 done) override { return shown_->advance(done); }
    void finish() override { shown_->finish(); }

private:
    Dialogs &owner_;
    std::unique_ptr<Progress> shown_;
};

Dialogs::~Dialogs() = default;

void Dialogs::finishProgress()
{
    for (LiveProgress *p : live_)
        p->finish();
}

Dialogs::Answer Dialogs::message(const QString &text, Buttons buttons, Icon icon, const QString &title)
{
    finishProgress();
    return showMessage(text, buttons, icon, title);
}

QString Dialogs::input(const QString &prompt, const QString &title, const QString &defaultText,
                       std::optional<QPoint> position, Echo echo, int maxLength)
{
    finishProgress();
    return showInput(prompt, title, defaultText, position, echo, maxLength);
}

QString Dialogs::openFile(const QString &title, const QString &folder, const QString &filter)
{
    finishProgress();
    return showOpenFile(title, folder, filter);
}

std::unique_ptr<Progress> Dialogs::progress(const QString &label, qint64 total)
{
    return std::make_unique<LiveProgress>(*this, makeProgress(label, total));
}

void showErrorBox(Dialogs &dialogs, int number, const QString &description, const QString &sourceTag)
{
    dialogs.message(QStringLiteral("%1 - %2 - %3").arg(number).arg(description, sourceTag));
}

} // namespace tesmo
