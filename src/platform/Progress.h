// The progress of long work as the work tells it, and the user's Cancel as
// the work hears it: what the widget-free import and export report to, with
// no dialog in sight; the dialogs (platform/Dialogs.h) show it.
#pragma once

#include "text/Error.h"

#include <QtGlobal>

namespace tesmo {

// The progress of one long piece of work, as a dialog with a Cancel button
// shows it. Work asks it often; it answers cheaply.
class Progress {
public:
    virtual ~Progress() = default;
    // Reports that done of the work's total units are finished. Returns false
    // once the user has cancelled the work; from then on it stays false.
    virtual bool advance(qint64 done) = 0;
    // The same for work that stops where it is told to: raises Error
    // kErrUserCancelled once the user has cancelled.
    void report(qint64 done)
    {
        if (!advance(done))
            throw Error(kErrUserCancelled);
    }
    // The work is over and its result about to be shown: the report goes
    // away, for good, and a cancel is no longer taken. Once or more.
    virtual void finish() {}
};

// A stretch of a larger piece of work: total units of its own reported as
// the units from to to of the whole; no whole, no report (and no cancel).
class ProgressSpan : public Progress {
public:
    ProgressSpan(Progress *whole, qint64 from, qint64 to, qint64 total)
        : whole_(whole)
        , from_(from)
        , to_(to)
        , total_(total > 0 ? total : 1)
    {
    }
    bool advance(qint64 done) override
    {
        const qint64 part = done < 0 ? 0 : done > total_ ? total_ : done;
        return !whole_ || whole_->advance(from_ + (to_ - from_) * part / total_);
    }
    void finish() override
    {
        if (whole_)
            whole_->finish();
    }

private:
    Progress *whole_;
    qint64 from_, to_, total_;
};

} // namespace tesmo
