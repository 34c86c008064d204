#include "text/FailureWords.h"

namespace tesmo {

namespace {

struct DeedWords {
    Deed deed;
    const char *notDone;     // what was not done, a sentence
    const char *again;       // the command to run again after a lock
    const char *cancelled;   // what a cancel by the user left; none when it cannot be cancelled
};

const DeedWords kDeeds[] = {
    {Deed::Sell, "No shares were sold.", "sell", nullptr},
    {Deed::ShowGains, "The holdings and gains cannot be shown.", "try", nullptr},
    {Deed::UndoSale, "The sale was not undone.", "undo it", nullptr},
    {Deed::SaveGains, "The gains were not saved.", "save them", nullptr},
    {Deed::ReadImport, "No lots can be imported.", "import", nullptr},
    {Deed::Import, "No lots were imported.", "import", "The import was cancelled; no lots were imported."},
    {Deed::CopyBeforeImport, "The ledger could not be copied to \"Tesmo backups\" before the import.", "import",
     nullptr},
    {Deed::Restore, "Nothing was restored; the ledger is as it was.", "restore",
     "The restore was cancelled; the ledger is as it was."},
    {Deed::KeepBeforeRestore,
     "Nothing was restored: the ledger as it is could not be kept in \"Tesmo backups\" first.", "restore", nullptr},
    {Deed::DailyCopy, "Tesmo could not make its daily copy of the ledger in \"Tesmo backups\".", "try", nullptr},
    {Deed::RecordAction, "The action was not recorded.", "record it", nullptr},
    {Deed::UndoAction, "The action was not undone.", "undo it", nullptr},
};

const DeedWords &wordsOf(Deed deed)
{
    for (const DeedWords &w : kDeeds)
        if (w.deed == deed)
            return w;
    return kDeeds[0];
}

bool hasSentence(int number)
{
    switch (number) {
    case kErrEngineBusy:
    case kErrEngineLocked:
    case kErrEngineFull:
    case kErrEngineReadOnly:
        return true;
    default:
        return false;
    }
}

} // namespace

QString reasonText(const Error &e, const char *again)
{
    switch (e.number()) {
    case kErrEngineBusy:
    case kErrEngineLocked:
        return QStringLiteral("Another program holds the ledger file locked; close it and %1 again.")
            .arg(QLatin1String(again));
    case kErrEngineFull:
        return QStringLiteral("The disk is full.");
    case kErrEngineReadOnly:
    case kErrReadOnly:
        return QStringLiteral("The ledger file cannot be written here.");
    default:
        break;
    }
    QString why = e.description().trimmed();
    if (why.isEmpty())
        why = errorDescription(e.number());
    if (!why.isEmpty() && !why.endsWith(u'.') && !why.endsWith(u'?') && !why.endsWith(u'!'))
        why += u'.';
    return why;
}

QString failureText(Deed deed, const Error &e)
{
    const DeedWords &words = wordsOf(deed);
    if (e.number() == kErrNothingToDo)
        return reasonText(e);
    if (e.number() == kErrUserCancelled && words.cancelled)
        return QString::fromUtf8(words.cancelled);
    return QString::fromUtf8(words.notDone) + u' ' + reasonText(e, words.again);
}

bool isQuietFailure(const Error &e)
{
    return e.number() == kErrNothingToDo || e.number() == kErrUserCancelled;
}

Error inUserWords(const Error &e)
{
    if (!hasSentence(e.number()))
        return e;
    return Error(e.number(), reasonText(e));
}

} // namespace tesmo
